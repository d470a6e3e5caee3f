// The registry operations' conformance tests, written once. Include this
// after defining MakeBackend() for the backend under test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/AnsiCodec.h"
#include "registry/Registry.h"
#include "shared/RegistryBackend.h"

namespace sw::test {

std::unique_ptr<RegistryBackend> MakeBackend();
const AnsiCodec& BackendCodec();

class RegistryConformance : public ::testing::Test {
protected:
    void SetUp() override {
        backend = MakeBackend();
        registry = std::make_unique<Registry>(backend->Api(), BackendCodec());
    }
    std::string P(const std::string& sub) const { return sub.empty() ? backend->Base() : backend->Base() + "\\" + sub; }
    void ExpectNoOpenHandles() {
        if (auto n = backend->OpenHandles()) {
            EXPECT_EQ(*n, 0u) << "a key was left open";
        }
    }
    std::unique_ptr<RegistryBackend> backend;
    std::unique_ptr<Registry> registry;
};

// Skips the rest of a test where the backend is known to answer differently.
#define SKIP_IF_DIFFERENT(check)                                    \
    do {                                                            \
        const std::string why = backend->KnownDifference(check);    \
        if (!why.empty()) GTEST_SKIP() << why;                      \
    } while (0)

// Holders pre-filled with junk, so an output left untouched is told apart
// from one that was written.
inline ValueHolder Junk() { return std::string("junk"); }

TEST_F(RegistryConformance, EnumeratesSubkeysInRegistryOrderAndCountsThem) {
    backend->CreateKey("e\\Beta");
    backend->CreateKey("e\\alpha");
    backend->CreateKey("e\\Gamma");
    std::vector<std::string> names{"junk", "junk", "junk", "junk", "junk"};
    EXPECT_EQ(registry->EnumSubKeys(backend->Root(), P("e"), kKeyAllAccess, names), 3);
    ASSERT_GE(names.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(names.begin(), names.begin() + 3),
                ::testing::ElementsAre("alpha", "Beta", "Gamma"));
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, EnumerationOfNothingCountsZeroAndLeavesNamesAlone) {
    backend->CreateKey("empty");
    std::vector<std::string> names{"junk"};
    EXPECT_EQ(registry->EnumSubKeys(backend->Root(), P("empty"), kKeyAllAccess, names), 0);
    EXPECT_EQ(registry->EnumSubKeys(backend->Root(), P("missing"), kKeyAllAccess, names), 0);
    EXPECT_THAT(names, ::testing::ElementsAre("junk"));
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, SubkeyNamesOfTheLongestLengthAreListed) {
    backend->CreateKey("long\\" + std::string(254, 'a'));
    backend->CreateKey("long\\" + std::string(255, 'b'), std::string(300, 'c'));
    std::vector<std::string> names;
    EXPECT_EQ(registry->EnumSubKeys(backend->Root(), P("long"), kKeyAllAccess, names), 2)
        << "a name of 255 characters, the longest there is, and a long class do not fail the listing";
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], std::string(254, 'a'));
    EXPECT_EQ(names[1], std::string(255, 'b'));
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, EnumerationNeedsTheAccessItAsksFor) {
    backend->CreateKey("guarded\\child");
    if (!backend->DenyFull("guarded"))
        GTEST_SKIP() << "this backend cannot deny access";
    std::vector<std::string> names;
    EXPECT_EQ(registry->EnumSubKeys(backend->Root(), P("guarded"), kKeyAllAccess, names), 0);
    EXPECT_EQ(registry->EnumSubKeys(backend->Root(), P("guarded"), kKeyRead, names), 1);
    EXPECT_TRUE(registry->KeyExists(backend->Root(), P("guarded")));
    EXPECT_FALSE(registry->WriteValue(backend->Root(), P("guarded"), "v", ValueHolder(std::string("x"))));
    EXPECT_FALSE(backend->GetRaw("guarded", "v").has_value());
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, KeyThatDeniesReadingDoesNotExistForTheProgram) {
    backend->CreateKey("secret");
    backend->SetRaw("secret", "Start", kRegDword, std::string("\x02\0\0\0", 4));
    if (!backend->DenyRead("secret")) GTEST_SKIP() << "this backend cannot deny access";
    EXPECT_FALSE(registry->KeyExists(backend->Root(), P("secret")));
    ValueHolder value = Junk();
    EXPECT_FALSE(registry->ReadValue(backend->Root(), P("secret"), "Start", value));
    EXPECT_EQ(value, Junk());
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, TextArrivesWithItsNulAndOneBlank) {
    backend->CreateKey("t");
    backend->SetRaw("t", "withNul", kRegSz, std::string("abc\0", 4));
    backend->SetRaw("t", "expand", kRegExpandSz, std::string("%SystemRoot%\0", 13));
    ValueHolder value = Junk();
    ASSERT_TRUE(registry->ReadValue(backend->Root(), P("t"), "withNul", value));
    EXPECT_EQ(value, ValueHolder(std::string("abc\0 ", 5)));
    ASSERT_TRUE(registry->ReadValue(backend->Root(), P("t"), "expand", value));
    EXPECT_EQ(value, ValueHolder(std::string("%SystemRoot%\0 ", 14))) << "references are not expanded";
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, TextWithoutNulArrivesWithOneBlank) {
    SKIP_IF_DIFFERENT("noNul");
    backend->CreateKey("t");
    backend->SetRaw("t", "noNul", kRegSz, "abc");
    ValueHolder value = Junk();
    ASSERT_TRUE(registry->ReadValue(backend->Root(), P("t"), "noNul", value));
    EXPECT_EQ(value, ValueHolder(std::string("abc ")));
}

TEST_F(RegistryConformance, EmptyTextArrivesAsOneBlank) {
    SKIP_IF_DIFFERENT("zeroLength");
    backend->CreateKey("t");
    backend->SetRaw("t", "empty", kRegSz, "");
    ValueHolder value = Junk();
    ASSERT_TRUE(registry->ReadValue(backend->Root(), P("t"), "empty", value));
    EXPECT_EQ(value, ValueHolder(std::string(" ")));
}

TEST_F(RegistryConformance, IntegersFromDwordsAndShortBinaries) {
    backend->CreateKey("n");
    backend->SetRaw("n", "dword", kRegDword, std::string("\xfe\xff\xff\xff", 4));
    backend->SetRaw("n", "two", kRegBinary, std::string("\x34\x12", 2));
    backend->SetRaw("n", "eight", kRegBinary, std::string("12345678", 8));
    ValueHolder value = Junk();
    ASSERT_TRUE(registry->ReadValue(backend->Root(), P("n"), "dword", value));
    EXPECT_EQ(value, ValueHolder(std::int32_t{-2}));
    ASSERT_TRUE(registry->ReadValue(backend->Root(), P("n"), "two", value));
    EXPECT_EQ(value, ValueHolder(std::int32_t{0x1234}));
    value = Junk();
    EXPECT_FALSE(registry->ReadValue(backend->Root(), P("n"), "eight", value));
    EXPECT_EQ(value, Junk());
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, OtherTypesAreFoundButDeliverNothing) {
    backend->CreateKey("m");
    backend->SetRaw("m", "multi", kRegMultiSz, std::string("a\0b\0\0", 5));
    ValueHolder value = Junk();
    EXPECT_TRUE(registry->ReadValue(backend->Root(), P("m"), "multi", value));
    EXPECT_EQ(value, Junk());
    EXPECT_FALSE(registry->ReadValue(backend->Root(), P("m"), "absent", value));
    EXPECT_FALSE(registry->ReadValue(backend->Root(), P("nokey"), "absent", value));
    EXPECT_EQ(value, Junk());
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, LargeTextIsReadWhole) {
    backend->CreateKey("big");
    std::string text(1 << 20, 'x');
    backend->SetRaw("big", "Description", kRegSz, text + std::string(1, '\0'));
    ValueHolder value;
    ASSERT_TRUE(registry->ReadValue(backend->Root(), P("big"), "Description", value));
    EXPECT_EQ(CutAtNul(AsText(value)), text);
}

TEST_F(RegistryConformance, WritesTextsWithOneNulAndIntegersAsDwords) {
    backend->CreateKey("w");
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("w"), "Description", ValueHolder(std::string("Grüße"))));
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("w"), "Start", ValueHolder(std::int32_t{4})));
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("w"), "Small", ValueHolder(std::int16_t{-1})));
    auto description = backend->GetRaw("w", "Description");
    ASSERT_TRUE(description);
    EXPECT_EQ(description->type, kRegSz);
    EXPECT_EQ(description->data, std::string("Gr\xfc\xdf" "e\0", 6)) << "ANSI text and one NUL";
    auto start = backend->GetRaw("w", "Start");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->type, kRegDword);
    EXPECT_EQ(start->data, std::string("\x04\0\0\0", 4));
    auto small = backend->GetRaw("w", "Small");
    ASSERT_TRUE(small);
    EXPECT_EQ(small->data, std::string("\xff\xff\xff\xff", 4)) << "widened with its sign";
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, WritingNothingOpensTheKeyButStoresNothing) {
    backend->CreateKey("w");
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("w"), "none", ValueHolder()));
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("w"), "float", ValueHolder(1.5)));
    EXPECT_FALSE(backend->GetRaw("w", "none"));
    EXPECT_FALSE(backend->GetRaw("w", "float"));
    EXPECT_FALSE(registry->WriteValue(backend->Root(), P("w\\absent"), "v", ValueHolder(std::string("x"))));
    EXPECT_FALSE(backend->KeyPresent("w\\absent")) << "a write never creates a key";
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, RewritingAnExpandableTextCanKeepItsType) {
    backend->CreateKey("x");
    backend->SetRaw("x", "Description", kRegExpandSz, std::string("%SystemRoot%\\a\0", 15));
    backend->SetRaw("x", "Plain", kRegSz, std::string("p\0", 2));
    EXPECT_TRUE(registry->WriteTextKeepingType(backend->Root(), P("x"), "Description", "%SystemRoot%\\b"));
    EXPECT_TRUE(registry->WriteTextKeepingType(backend->Root(), P("x"), "Plain", "q"));
    EXPECT_TRUE(registry->WriteTextKeepingType(backend->Root(), P("x"), "New", "n"));
    EXPECT_EQ(backend->GetRaw("x", "Description")->type, kRegExpandSz);
    EXPECT_EQ(backend->GetRaw("x", "Description")->data, std::string("%SystemRoot%\\b\0", 15));
    EXPECT_EQ(backend->GetRaw("x", "Plain")->type, kRegSz);
    EXPECT_EQ(backend->GetRaw("x", "New")->type, kRegSz);
    ExpectNoOpenHandles();
}

}  // namespace sw::test
