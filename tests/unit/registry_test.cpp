// The registry conformance tests against the in-memory tree, and what only
// the in-memory tree can show.
#include "platform/CaseFold.h"
#include "platform/Utf16.h"
#include "registry/MemoryRegistry.h"
#include "shared/RegistryConformance.h"

namespace sw::test {
namespace {

class MemoryBackend final : public RegistryBackend {
public:
    RegistryApi& Api() override { return memory; }
    RegKey Root() const override { return kHkeyCurrentUser; }
    std::string Base() const override { return "Software\\StartwartTest"; }
    void CreateKey(const std::string& path, const std::string& className) override {
        memory.CreateKey(Root(), Full(path)).className = ToUtf16(className);
    }
    // Value names and texts go through the code page, as the ANSI calls
    // convert them.
    void SetRaw(const std::string& path, const std::string& name, std::uint32_t type, const std::string& data) override {
        memory.SetRaw(Root(), Full(path), codec.FromAnsi(name), type, IsText(type) ? codec.FromAnsi(data) : data);
    }
    std::optional<RawValue> GetRaw(const std::string& path, const std::string& name) override {
        const auto* v = memory.GetRaw(Root(), Full(path), codec.FromAnsi(name));
        if (!v) return std::nullopt;
        return RawValue{v->type, IsText(v->type) ? codec.ToAnsi(v->Utf8Data()) : v->data};
    }
    bool KeyPresent(const std::string& path) override { return memory.FindKey(Root(), Full(path)) != nullptr; }
    bool DenyRead(const std::string& path) override {
        memory.CreateKey(Root(), Full(path)).denyRead = true;
        return true;
    }
    bool DenyFull(const std::string& path) override {
        memory.CreateKey(Root(), Full(path)).denyFull = true;
        return true;
    }

    MemoryRegistry memory;

private:
    static bool IsText(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }
    Cp1252Codec codec;
    std::string Full(const std::string& path) const { return Base() + "\\" + path; }
};

}  // namespace

std::unique_ptr<RegistryBackend> MakeBackend() { return std::make_unique<MemoryBackend>(); }
const AnsiCodec& BackendCodec() {
    static Cp1252Codec codec;
    return codec;
}

TEST(MemoryRegistryOnly, NamesLongerThanTheBufferFailTheListing) {
    // The registry itself refuses such names; the in-memory tree takes them,
    // which shows that an entry too long for the buffer fails the listing.
    MemoryRegistry memory;
    Cp1252Codec codec;
    Registry registry(memory, codec);
    memory.CreateKey(kHkeyLocalMachine, "k\\short");
    std::vector<std::string> names;
    EXPECT_EQ(registry.EnumSubKeys(kHkeyLocalMachine, "k", kKeyAllAccess, names), 1);
    memory.CreateKey(kHkeyLocalMachine, "k\\" + std::string(256, 'x'));
    EXPECT_EQ(registry.EnumSubKeys(kHkeyLocalMachine, "k", kKeyAllAccess, names), 0);
    EXPECT_EQ(memory.OpenHandleCount(), 0u);
}

TEST(CodecTest, Cp1252RoundTripsTheProgramsCharacters) {
    Cp1252Codec codec;
    const std::string text = "Tavrine™ Startwart – Größe €";
    const std::string ansi = codec.ToAnsi(text);
    EXPECT_EQ(ansi, "Tavrine\x99 Startwart \x96 Gr\xf6\xdf" "e \x80");
    EXPECT_EQ(codec.FromAnsi(ansi), text);
    EXPECT_EQ(codec.ToAnsi("中"), "?");
    EXPECT_EQ(codec.FromAnsi(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CodecTest, ExactConversionRefusesLookAlikesAndKeepsAGenuineQuestionMark) {
    Cp1252Codec codec;
    EXPECT_EQ(codec.ToAnsiExactly("Größe € ?"), std::optional<std::string>("Gr\xf6\xdf" "e \x80 ?"));
    EXPECT_EQ(codec.ToAnsiExactly("AccSvcManual\uFF3C"), std::nullopt);
    EXPECT_EQ(codec.ToAnsiExactly("AccKyr\u0416"), std::nullopt);
    EXPECT_EQ(codec.ToAnsiExactly("\xff"), std::nullopt) << "malformed UTF-8";
    EXPECT_EQ(codec.ToAnsiExactly(""), std::optional<std::string>(""));
}

TEST(Utf16Test, EveryRegistryNameComesBackAsTheUnitsItWas) {
    const std::u16string names[] = {u"AccSvcManual\uFF3C", u"AccKyr\u0416", u"Gr\u00F6\u00DFe?",
                                    u"\U0001F600 pair", std::u16string(u"lone \xD800 high"),
                                    std::u16string(u"lone \xDC00 low"), std::u16string(u"a\0b", 3)};
    for (const auto& name : names) EXPECT_EQ(ToUtf16(FromUtf16(name)), name);
    EXPECT_EQ(FromUtf16(u"AccKyr\u0416"), "AccKyr\xD0\x96");
    EXPECT_EQ(FromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(ToUtf16("\xff"), u"\uFFFD") << "a malformed byte";
}

TEST(CaseFoldTest, FoldsTheCapitalsOfWesternGreekAndCyrillicNames) {
    EXPECT_EQ(FoldCase("ÄÖÜ ÀÞ Ā Ĺ Ŋ Ÿ Ź Σ Ж Ё"), FoldCase("äöü àþ ā ĺ ŋ ÿ ź σ ж ё"));
    EXPECT_EQ(FoldCase("äöü àþ ā ĺ ŋ ÿ ź σ ж ё"), "äöü àþ ā ĺ ŋ ÿ ź σ ж ё");
    EXPECT_EQ(FoldCase("DIENST_Größe Ά Ѣ Ա Ḁ Ⅻ Ⓐ Ｚ"), "dienst_größe ά ѣ ա ḁ ⅻ ⓐ ｚ");
    EXPECT_EQ(FoldCase("ς"), FoldCase("Σ")) << "the final sigma's capital is Σ";
    EXPECT_NE(FoldCase("ß"), FoldCase("ss"));
    EXPECT_NE(FoldCase("İ"), FoldCase("I"));
    EXPECT_NE(FoldCase("ı"), FoldCase("İ"));
    EXPECT_EQ(FoldCase("\U0001F600 \U00010400"), "\U0001F600 \U00010400") << "beyond the BMP nothing folds";
    EXPECT_EQ(FoldCase(std::string("\xff\xc3", 2)), std::string("\xff\xc3", 2)) << "broken bytes stay";
    EXPECT_EQ(FoldCase("\xc1\x81"), "\xc1\x81") << "an overlong 'A' is no letter";
}

// Positions in a folded text are positions in its original (the changes
// window splits folded paths where it splits the paths), and UTF-16 names
// fold unit by unit to what their UTF-8 folds to.
TEST(CaseFoldTest, KeepsEveryCharactersLengthAndFoldsOnce) {
    for (char32_t c = 1; c < 0x10000; ++c) {
        const char32_t folded = FoldCodePoint(c);
        std::string utf8;
        AppendUtf8(utf8, c);
        std::string foldedUtf8;
        AppendUtf8(foldedUtf8, folded);
        ASSERT_EQ(FoldCase(utf8), foldedUtf8) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(foldedUtf8.size(), utf8.size()) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(FoldCodePoint(folded), folded) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(FoldUnit(static_cast<char16_t>(c)), folded) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ((c >= 0xD800 && c < 0xE000), (folded >= 0xD800 && folded < 0xE000));
    }
}

TEST(Utf16Test, LittleEndianBytesConvertAsTheirUnits) {
    const std::u16string units = u"Gr\u00F6\u00DFe \U0001F600 \u0416";
    std::string bytes;
    for (char16_t unit : units) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    EXPECT_EQ(FromUtf16Le(bytes), FromUtf16(units));
    EXPECT_EQ(FromUtf16Le(std::string("a\0\x00\xD8", 4)), FromUtf16(std::u16string(u"a\xD800", 2))) << "a lone surrogate";
    EXPECT_EQ(FromUtf16Le(std::string("a\0b", 3)), "ab") << "an odd last byte is a unit of its own";
}

}  // namespace sw::test
