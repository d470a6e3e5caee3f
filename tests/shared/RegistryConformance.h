// The registry operations' conformance tests, written once. Include this
// after defining MakeBackend() for the backend under test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/AnsiCodec.h"
#include "registry/Registry.h"
#include "shared/CallerLine.h"
#include "shared/RegistryBackend.h"

namespace sw::test {

std::unique_ptr<RegistryBackend> MakeBackend();
const AnsiCodec& BackendCodec();

// Stands between the registry operations and the backend's calls and keeps
// the keys they opened and have not closed, so that a key left open (or one
// closed twice) shows on either backend, the real registry as well.
class HandleCountingApi final : public RegistryApi {
public:
    explicit HandleCountingApi(RegistryApi& inner) : inner_(inner) {}
    long OpenKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) override {
        const long result = inner_.OpenKey(root, path, access, key);
        if (result == kErrorSuccess) open_.insert(*key);
        return result;
    }
    long EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength, char16_t* className,
                 std::uint32_t* classLength) override {
        return inner_.EnumKey(key, index, name, nameLength, className, classLength);
    }
    long QueryValue(RegKey key, const char16_t* name, std::uint32_t* type, unsigned char* data,
                    std::uint32_t* size) override {
        return inner_.QueryValue(key, name, type, data, size);
    }
    long SetValue(RegKey key, const char16_t* name, std::uint32_t type, const unsigned char* data,
                  std::uint32_t size) override {
        return inner_.SetValue(key, name, type, data, size);
    }
    void CloseKey(RegKey key) override {
        if (open_.erase(key) == 0) ++strayCloses_;
        inner_.CloseKey(key);
    }
    long LoadMuiString(RegKey key, const char16_t* name, char16_t* buffer, std::uint32_t bufferBytes,
                       std::uint32_t* neededBytes) override {
        return inner_.LoadMuiString(key, name, buffer, bufferBytes, neededBytes);
    }
    long CreateKey(RegKey root, const char16_t* path, std::uint32_t access, RegKey* key) override {
        const long result = inner_.CreateKey(root, path, access, key);
        if (result == kErrorSuccess) open_.insert(*key);
        return result;
    }
    long DeleteValue(RegKey key, const char16_t* name) override { return inner_.DeleteValue(key, name); }
    std::size_t OpenKeys() const { return open_.size(); }
    std::size_t StrayCloses() const { return strayCloses_; }

private:
    RegistryApi& inner_;
    std::multiset<RegKey> open_;
    std::size_t strayCloses_ = 0;
};

class RegistryConformance : public ::testing::Test {
protected:
    void SetUp() override {
        backend = MakeBackend();
        counting = std::make_unique<HandleCountingApi>(backend->Api());
        registry = std::make_unique<Registry>(*counting, BackendCodec());
    }
    std::string P(const std::string& sub) const { return sub.empty() ? backend->Base() : backend->Base() + "\\" + sub; }
    void ExpectNoOpenHandles(Caller caller = Caller::current()) {
        CalledFrom at(caller);
        EXPECT_EQ(counting->OpenKeys(), 0u) << "a key was left open";
        EXPECT_EQ(counting->StrayCloses(), 0u) << "a key was closed that was not open";
    }
    std::unique_ptr<RegistryBackend> backend;
    std::unique_ptr<HandleCountingApi> counting;
    std::unique_ptr<Registry> registry;
};

// Skips the rest of a test where the backend is known to answer differently.
#define SKIP_IF_DIFFERENT(check)                                    \
    do {                                                            \
        const std::string why = backend->KnownDifference(check);    \
        if (!why.empty()) GTEST_SKIP() << why;                      \
    } while (0)

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
    // Its path is longer than 255 characters, and it opens all the same.
    backend->SetRaw("long\\" + names[1], "Start", kRegDword, std::string("\x02\0\0\0", 4));
    EXPECT_EQ(registry->Read(backend->Root(), P("long\\" + names[1]), "Start"), ValueHolder(std::int32_t{2}));
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("long\\" + names[1]), "Description",
                                     ValueHolder(std::string("lang"))));
    ASSERT_TRUE(backend->GetRaw("long\\" + names[1], "Description"));
    EXPECT_EQ(backend->GetRaw("long\\" + names[1], "Description")->data, std::string("lang\0", 5));
    ExpectNoOpenHandles();
}

// A fullwidth reverse solidus that a best-fit conversion turns into a path
// separator, a Cyrillic letter that the Western code page turns into "?",
// and a genuine "?": each name is listed, read and written as itself.
TEST_F(RegistryConformance, NamesBeyondTheCodePageReachTheirOwnKeys) {
    const std::string fullwidth = "AccSvcManual\xEF\xBC\xBC";  // U+FF3C
    const std::string cyrillic = "AccKyr\xD0\x96";              // U+0416
    const std::pair<std::string, char> keys[] = {
        {"AccSvcManual", '\x03'}, {fullwidth, '\x02'}, {"AccKyr?", '\x04'}, {cyrillic, '\x01'}};
    for (const auto& [name, start] : keys) {
        backend->CreateKey("names\\" + name);
        backend->SetRaw("names\\" + name, "Start", kRegDword, std::string(1, start) + std::string(3, '\0'));
    }
    std::vector<std::string> names;
    ASSERT_EQ(registry->EnumSubKeys(backend->Root(), P("names"), kKeyAllAccess, names), 4);
    EXPECT_THAT(names, ::testing::ElementsAre("AccKyr?", cyrillic, "AccSvcManual", fullwidth));
    for (const auto& [name, start] : keys)
        EXPECT_EQ(registry->Read(backend->Root(), P("names\\" + name), "Start"), ValueHolder(std::int32_t{start}))
            << name;

    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("names\\" + fullwidth), "Start", ValueHolder(std::int32_t{4})));
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("names\\" + fullwidth), "Description",
                                     ValueHolder(std::string("Neu"))));
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("names\\" + cyrillic), "Description",
                                     ValueHolder(std::string("\xD0\xA1\xD0\xBB\xD1\x83\xD0\xB6\xD0\xB1\xD0\xB0"))));
    EXPECT_EQ(registry->Read(backend->Root(), P("names\\" + fullwidth), "Start"), ValueHolder(std::int32_t{4}));
    EXPECT_EQ(registry->Read(backend->Root(), P("names\\AccSvcManual"), "Start"), ValueHolder(std::int32_t{3}));
    EXPECT_FALSE(backend->GetRaw("names\\AccSvcManual", "Description"));
    EXPECT_FALSE(backend->GetRaw("names\\AccKyr?", "Description"));
    EXPECT_EQ(registry->Read(backend->Root(), P("names\\" + cyrillic), "Description"),
              ValueHolder(std::string("\xD0\xA1\xD0\xBB\xD1\x83\xD0\xB6\xD0\xB1\xD0\xB0\0 ", 14)))
        << "a text beyond the code page is stored and read whole";
    ExpectNoOpenHandles();
}

// Key and value names match without regard to case beyond ASCII too, as
// the changes window and the editor match them; "ß" has no capital of its
// own, so "SS" names another key.
TEST_F(RegistryConformance, NamesMatchWithoutRegardToCaseBeyondAscii) {
    const std::string umlaut = "Gr\xC3\xB6\xC3\x9F" "e";                  // "Größe"
    const std::string cyrillic = "\xD0\x96\xD1\x83\xD0\xBA";              // "Жук"
    backend->CreateKey("case\\" + umlaut);
    backend->SetRaw("case\\" + umlaut, "\xC4nderung", kRegDword, std::string("\x05\0\0\0", 4));  // "Änderung" in ANSI
    backend->CreateKey("case\\" + cyrillic);
    backend->SetRaw("case\\" + cyrillic, "Start", kRegDword, std::string("\x06\0\0\0", 4));
    EXPECT_EQ(registry->Read(backend->Root(), P("case\\GR\xC3\x96\xC3\x9F" "E"), "\xC3\xA4NDERUNG"),
              ValueHolder(std::int32_t{5}));
    EXPECT_EQ(registry->Read(backend->Root(), P("case\\\xD0\xB6\xD0\xA3\xD0\x9A"), "start"), ValueHolder(std::int32_t{6}));
    EXPECT_EQ(registry->Read(backend->Root(), P("case\\GR\xC3\x96SSE"), "\xC3\x84nderung"), std::nullopt);
    EXPECT_EQ(registry->Read(backend->Root(), P("case\\" + umlaut), "\xC3\x84nderung"), ValueHolder(std::int32_t{5}));
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, SeveralValuesOfOneKeyAreReadAsOneByOne) {
    backend->CreateKey("r");
    backend->SetRaw("r", "Text", kRegSz, std::string("abc\0", 4));
    backend->SetRaw("r", "Start", kRegDword, std::string("\x03\0\0\0", 4));
    const std::string longText(3000, 'l');  // longer than the usual value
    backend->SetRaw("r", "Long", kRegSz, longText + std::string(1, '\0'));
    backend->SetRaw("r", "Eight", kRegBinary, std::string("12345678", 8));
    const auto values =
        registry->ReadValues(backend->Root(), P("r"), {"Text", "Absent", "Start", "Long", "Eight", "Text"});
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(values[0], ValueHolder(std::string("abc\0 ", 5)));
    EXPECT_EQ(values[1], std::nullopt);
    EXPECT_EQ(values[2], ValueHolder(std::int32_t{3}));
    EXPECT_EQ(values[3], ValueHolder(longText + std::string("\0 ", 2)));
    EXPECT_EQ(values[4], std::nullopt);
    EXPECT_EQ(values[5], values[0]) << "a value after a long one is read as before it";
    const auto none = registry->ReadValues(backend->Root(), P("nokey"), {"Text", "Start"});
    EXPECT_EQ(none, (std::vector<std::optional<ValueHolder>>{std::nullopt, std::nullopt}));
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, EnumerationNeedsTheAccessItAsksFor) {
    backend->CreateKey("guarded\\child");
    backend->SetRaw("guarded", "Start", kRegDword, std::string("\x03\0\0\0", 4));
    if (!backend->DenyFull("guarded"))
        GTEST_SKIP() << "this backend cannot deny access";
    std::vector<std::string> names;
    EXPECT_EQ(registry->EnumSubKeys(backend->Root(), P("guarded"), kKeyAllAccess, names), 0);
    EXPECT_EQ(registry->EnumSubKeys(backend->Root(), P("guarded"), kKeyRead, names), 1);
    EXPECT_EQ(registry->Read(backend->Root(), P("guarded"), "Start"), ValueHolder(std::int32_t{3}))
        << "reading needs no more than read access";
    EXPECT_FALSE(registry->WriteValue(backend->Root(), P("guarded"), "v", ValueHolder(std::string("x"))));
    EXPECT_FALSE(backend->GetRaw("guarded", "v").has_value());
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, KeyThatDeniesReadingDoesNotExistForTheProgram) {
    backend->CreateKey("secret");
    backend->SetRaw("secret", "Start", kRegDword, std::string("\x02\0\0\0", 4));
    if (!backend->DenyRead("secret")) GTEST_SKIP() << "this backend cannot deny access";
    EXPECT_EQ(registry->Read(backend->Root(), P("secret"), "Start"), std::nullopt);
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, TextArrivesWithItsNulAndOneBlank) {
    backend->CreateKey("t");
    backend->SetRaw("t", "withNul", kRegSz, std::string("abc\0", 4));
    backend->SetRaw("t", "expand", kRegExpandSz, std::string("%SystemRoot%\0", 13));
    EXPECT_EQ(registry->Read(backend->Root(), P("t"), "withNul"), ValueHolder(std::string("abc\0 ", 5)));
    EXPECT_EQ(registry->Read(backend->Root(), P("t"), "expand"), ValueHolder(std::string("%SystemRoot%\0 ", 14)))
        << "references are not expanded";
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, TextWithoutNulArrivesWithOneBlank) {
    SKIP_IF_DIFFERENT("noNul");
    backend->CreateKey("t");
    backend->SetRaw("t", "noNul", kRegSz, "abc");
    EXPECT_EQ(registry->Read(backend->Root(), P("t"), "noNul"), ValueHolder(std::string("abc ")));
}

TEST_F(RegistryConformance, EmptyTextArrivesAsOneBlank) {
    SKIP_IF_DIFFERENT("zeroLength");
    backend->CreateKey("t");
    backend->SetRaw("t", "empty", kRegSz, "");
    EXPECT_EQ(registry->Read(backend->Root(), P("t"), "empty"), ValueHolder(std::string(" ")));
}

TEST_F(RegistryConformance, IntegersFromDwordsAndShortBinaries) {
    backend->CreateKey("n");
    backend->SetRaw("n", "dword", kRegDword, std::string("\xfe\xff\xff\xff", 4));
    backend->SetRaw("n", "two", kRegBinary, std::string("\x34\x12", 2));
    backend->SetRaw("n", "eight", kRegBinary, std::string("12345678", 8));
    EXPECT_EQ(registry->Read(backend->Root(), P("n"), "dword"), ValueHolder(std::int32_t{-2}));
    EXPECT_EQ(registry->Read(backend->Root(), P("n"), "two"), ValueHolder(std::int32_t{0x1234}));
    EXPECT_EQ(registry->Read(backend->Root(), P("n"), "eight"), std::nullopt);
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, OtherTypesAreFoundButDeliverNothing) {
    backend->CreateKey("m");
    backend->SetRaw("m", "multi", kRegMultiSz, std::string("a\0b\0\0", 5));
    EXPECT_EQ(registry->Read(backend->Root(), P("m"), "multi"), ValueHolder()) << "found, nothing delivered";
    EXPECT_EQ(registry->Read(backend->Root(), P("m"), "absent"), std::nullopt);
    EXPECT_EQ(registry->Read(backend->Root(), P("nokey"), "absent"), std::nullopt);
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, LargeTextIsReadWhole) {
    backend->CreateKey("big");
    std::string text(1 << 20, 'x');
    backend->SetRaw("big", "Description", kRegSz, text + std::string(1, '\0'));
    const auto value = registry->Read(backend->Root(), P("big"), "Description");
    ASSERT_TRUE(value);
    EXPECT_EQ(CutAtNul(AsText(*value)), text);
}

TEST_F(RegistryConformance, WritesTextsWithOneNulAndIntegersAsDwords) {
    backend->CreateKey("w");
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("w"), "Description", ValueHolder(std::string("Grüße"))));
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("w"), "Start", ValueHolder(std::int32_t{4})));
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("w"), "Negative", ValueHolder(std::int32_t{-1})));
    auto description = backend->GetRaw("w", "Description");
    ASSERT_TRUE(description);
    EXPECT_EQ(description->type, kRegSz);
    EXPECT_EQ(description->data, std::string("Gr\xfc\xdf" "e\0", 6)) << "ANSI text and one NUL";
    auto start = backend->GetRaw("w", "Start");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->type, kRegDword);
    EXPECT_EQ(start->data, std::string("\x04\0\0\0", 4));
    auto negative = backend->GetRaw("w", "Negative");
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->type, kRegDword);
    EXPECT_EQ(negative->data, std::string("\xff\xff\xff\xff", 4)) << "the DWORD of the same bits";
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, WritingNothingOpensTheKeyButStoresNothing) {
    backend->CreateKey("w");
    EXPECT_TRUE(registry->WriteValue(backend->Root(), P("w"), "none", ValueHolder()));
    EXPECT_FALSE(backend->GetRaw("w", "none"));
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

// The restore's raw operations: any type written and read back byte for
// byte, values removed, keys created with what lies above them; refusals
// answered with the registry's code.
TEST_F(RegistryConformance, RawValuesOfEveryTypeAreWrittenAndReadAsStored) {
    backend->CreateKey("raw");
    const std::vector<std::pair<std::string, StoredValue>> values = {
        {"Sz", {kRegSz, std::string("G\0r\0\xfc\0\0\0", 8)}},
        {"Expand", {kRegExpandSz, std::string("%\0S\0%\0\0\0", 8)}},
        {"Multi", {kRegMultiSz, std::string("a\0\0\0b\0\0\0\0\0", 10)}},
        {"Binary", {kRegBinary, std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9)}},
        {"Dword", {kRegDword, std::string("\x04\0\0\0", 4)}},
        {"Qword", {kRegQword, std::string("\x01\0\0\0\0\0\0\x80", 8)}},
        {"None", {kRegNone, std::string()}},
        {"", {kRegSz, std::string("d\0\0\0", 4)}},
        // Texts stored without their NUL keep exactly their bytes.
        {"SzNoNul", {kRegSz, std::string("a\0b\0", 4)}},
        {"ExpandNoNul", {kRegExpandSz, std::string("%\0S\0%\0", 6)}},
    };
    for (const auto& [name, value] : values)
        EXPECT_EQ(registry->WriteStored(backend->Root(), P("raw"), name, value), kErrorSuccess) << name;
    for (const auto& [name, value] : values) {
        StoredValue read;
        EXPECT_EQ(registry->ReadStored(backend->Root(), P("raw"), name, read), kErrorSuccess) << name;
        EXPECT_EQ(read, value) << name;
    }
    EXPECT_EQ(backend->GetRaw("raw", "Binary")->data, values[3].second.data);
    EXPECT_EQ(backend->GetRaw("raw", "Sz")->data, std::string("Gr\xfc\0", 4)) << "stored as UTF-16";
    StoredValue untouched{kRegDword, "keep"};
    EXPECT_EQ(registry->ReadStored(backend->Root(), P("raw"), "Absent", untouched), kErrorFileNotFound);
    EXPECT_EQ(registry->ReadStored(backend->Root(), P("nokey"), "Sz", untouched), kErrorFileNotFound);
    EXPECT_EQ(untouched, (StoredValue{kRegDword, "keep"}));
    EXPECT_NE(registry->WriteStored(backend->Root(), P("nokey"), "Sz", values[0].second), kErrorSuccess);
    EXPECT_FALSE(backend->KeyPresent("nokey")) << "a write never creates a key";
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, ValuesAreRemovedAndKeysCreatedWithTheirParents) {
    backend->CreateKey("d");
    backend->SetRaw("d", "Gone", kRegDword, std::string("\x01\0\0\0", 4));
    backend->SetRaw("d", "Stays", kRegDword, std::string("\x02\0\0\0", 4));
    EXPECT_EQ(registry->DeleteStoredValue(backend->Root(), P("d"), "Gone"), kErrorSuccess);
    EXPECT_FALSE(backend->GetRaw("d", "Gone"));
    EXPECT_TRUE(backend->GetRaw("d", "Stays"));
    EXPECT_EQ(registry->DeleteStoredValue(backend->Root(), P("d"), "Gone"), kErrorSuccess) << "already gone";
    EXPECT_EQ(registry->DeleteStoredValue(backend->Root(), P("d\\nokey"), "Gone"), kErrorSuccess);

    EXPECT_FALSE(registry->KeyExists(backend->Root(), P("d\\a\\b")));
    EXPECT_EQ(registry->CreateKey(backend->Root(), P("d\\a\\b")), kErrorSuccess);
    EXPECT_TRUE(registry->KeyExists(backend->Root(), P("d\\a\\b")));
    EXPECT_EQ(registry->CreateKey(backend->Root(), P("d")), kErrorSuccess) << "an existing key is kept";
    EXPECT_TRUE(backend->GetRaw("d", "Stays"));
    ExpectNoOpenHandles();
}

TEST_F(RegistryConformance, RawWritesToAKeyThatAllowsOnlyReadingAreRefusedWithAccessDenied) {
    backend->CreateKey("ro");
    backend->SetRaw("ro", "Start", kRegDword, std::string("\x03\0\0\0", 4));
    if (!backend->DenyFull("ro")) GTEST_SKIP() << "this backend cannot deny access";
    StoredValue read;
    EXPECT_EQ(registry->ReadStored(backend->Root(), P("ro"), "Start", read), kErrorSuccess);
    EXPECT_EQ(registry->WriteStored(backend->Root(), P("ro"), "Start", {kRegDword, std::string("\x04\0\0\0", 4)}),
              kErrorAccessDenied);
    EXPECT_EQ(registry->DeleteStoredValue(backend->Root(), P("ro"), "Start"), kErrorAccessDenied);
    EXPECT_EQ(backend->GetRaw("ro", "Start")->data, std::string("\x03\0\0\0", 4));
    ExpectNoOpenHandles();
    SKIP_IF_DIFFERENT("createBelowReadOnly");
    EXPECT_EQ(registry->CreateKey(backend->Root(), P("ro\\sub")), kErrorAccessDenied);
    EXPECT_FALSE(backend->KeyPresent("ro\\sub"));
    ExpectNoOpenHandles();
}

}  // namespace sw::test
