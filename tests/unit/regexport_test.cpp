// The export reader: every value form the registry editor writes, key names
// that look like the format's own signs, and files that are cut, empty, in
// another encoding or not exports at all.
#include <gtest/gtest.h>

#include <random>

#include "regexport/RegExport.h"
#include "unit/ExportText.h"
#include "shared/CallerLine.h"

namespace sw {
namespace {

using test::CalledFrom;
using test::Caller;
using test::Utf16File;

std::string Wide(const std::string& ascii, bool withNul = true) {
    std::string out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    if (withNul) out.append(2, '\0');
    return out;
}

const ExportValue* Find(const ExportKey& key, const std::string& name) {
    for (const auto& value : key.values)
        if (value.name == name) return &value;
    return nullptr;
}

void ExpectValue(const ExportKey& key, const std::string& name, std::uint32_t type, const std::string& data,
                 Caller caller = Caller::current()) {
    CalledFrom at(caller);
    const ExportValue* value = Find(key, name);
    ASSERT_NE(value, nullptr) << name;
    EXPECT_EQ(value->stored.type, type) << name;
    EXPECT_EQ(value->stored.data, data) << name;
}

TEST(RegExportTest, ReadsEveryValueForm) {
    const RegExport file = ReadRegExport(Utf16File(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Probe]\r\n"
        "@=\"Vorgabe\"\r\n"
        "\"Text\"=\"C:\\\\Pfad\\\\mit \\\"Anführung\\\" und ü\"\r\n"
        "\"Leer\"=\"\"\r\n"
        "\"Zahl\"=dword:0000002a\r\n"
        "\"Gross\"=dword:FFFFFFFF\r\n"
        "\"Binaer\"=hex:00,01,fe,FF\r\n"
        "\"KeinByte\"=hex:\r\n"
        "\"Erweitert\"=hex(2):25,00,53,00,79,00,\\\r\n"
        "  73,00,00,00\r\n"
        "\"Mehrfach\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Qword\"=hex(b):01,00,00,00,00,00,00,80\r\n"
        "\"Keiner\"=hex(0):\r\n"
        "\"Eigen\"=hex(10000):7f\r\n"
        "\"Ohne NUL\"=hex(1):41,00\r\n"
        "\"mit \\\\ und \\\"\"=dword:00000001\r\n"
        "\r\n"));
    ASSERT_TRUE(file.Ok()) << file.error;
    ASSERT_EQ(file.keys.size(), 1u);
    const ExportKey& key = file.keys[0];
    EXPECT_EQ(key.path, "HKEY_LOCAL_MACHINE\\Probe");
    ASSERT_EQ(key.values.size(), 14u);
    EXPECT_EQ(key.values[0].name, "");
    ExpectValue(key, "", 1, Wide("Vorgabe"));
    EXPECT_EQ(StoredText(Find(key, "Text")->stored), "C:\\Pfad\\mit \"Anführung\" und ü");
    ExpectValue(key, "Leer", 1, std::string(2, '\0'));
    ExpectValue(key, "Zahl", 4, std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(StoredNumber(Find(key, "Gross")->stored), 0xFFFFFFFFu);
    ExpectValue(key, "Binaer", 3, std::string("\x00\x01\xfe\xff", 4));
    EXPECT_EQ(StoredNumber(Find(key, "Binaer")->stored), 0xFFFE0100u);
    ExpectValue(key, "KeinByte", 3, "");
    ExpectValue(key, "Erweitert", 2, Wide("%Sys"));
    EXPECT_EQ(StoredText(Find(key, "Erweitert")->stored), "%Sys");
    ExpectValue(key, "Mehrfach", 7, Wide("a") + Wide("b") + std::string(2, '\0'));
    EXPECT_EQ(StoredText(Find(key, "Mehrfach")->stored), std::nullopt);
    ExpectValue(key, "Qword", 11, std::string("\x01\0\0\0\0\0\0\x80", 8));
    EXPECT_EQ(StoredNumber(Find(key, "Qword")->stored), std::nullopt);
    ExpectValue(key, "Keiner", 0, "");
    ExpectValue(key, "Eigen", 0x10000, "\x7f");
    EXPECT_EQ(StoredText(Find(key, "Ohne NUL")->stored), "A");
    ExpectValue(key, "mit \\ und \"", 4, std::string("\x01\0\0\0", 4));
}

TEST(RegExportTest, KeyNamesWithBracketsBackslashLookAlikesAndBeyondTheBasicPlane) {
    // "]" ends a key line only as its last character; U+FF3C is a character
    // of a name, not a separator; U+1F600 needs a surrogate pair.
    const RegExport file = ReadRegExport(test::ServicesExport(
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\a]b]\r\n\"Start\"=dword:00000002\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\x＼y]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\[fake]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\😀 ]\r\n\r\n"));
    ASSERT_TRUE(file.Ok()) << file.error;
    ASSERT_EQ(file.keys.size(), 5u);
    EXPECT_EQ(file.keys[1].path, "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\a]b");
    EXPECT_EQ(file.keys[1].values.size(), 1u);
    EXPECT_EQ(file.keys[2].path, "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\x＼y");
    EXPECT_EQ(file.keys[3].path, "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\[fake");
    EXPECT_EQ(file.keys[4].path, "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\😀 ");
}

TEST(RegExportTest, KeyPathsAreReadAsTheRegistryEditorOpensThem) {
    // The registry editor takes a run of backslashes as one separator and
    // opens nothing more for backslashes at the end of a path.
    const std::string services = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services";
    const RegExport file = ReadRegExport(test::ServicesExport(
        "[" + services + "\\Eins\\]\r\n\r\n[" + services + "\\Zwei\\\\\\]\r\n\r\n[" + services +
        "\\\\Drei]\r\n\r\n[" + services + "\\Vier\\\\Parameters\\]\r\n\r\n[" + services + "\\a]\\]\r\n\r\n"));
    ASSERT_TRUE(file.Ok()) << file.error;
    std::vector<std::string> paths;
    for (const auto& key : file.keys) paths.push_back(key.path);
    const std::vector<std::string> expected{services,
                                            services + "\\Eins",
                                            services + "\\Zwei",
                                            services + "\\Drei",
                                            services + "\\Vier\\Parameters",
                                            services + "\\a]"};
    EXPECT_EQ(paths, expected);
}

TEST(RegExportTest, SkipsDeletionsAndComments) {
    const RegExport file = ReadRegExport(Utf16File(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; ein Kommentar\r\n"
        "[-HKEY_LOCAL_MACHINE\\Weg]\r\n"
        "\"Auch weg\"=hex:01,\\\r\n"
        "  02\r\n"
        "[HKEY_LOCAL_MACHINE\\Da]\r\n"
        "\"Geloescht\"=-\r\n"
        "\"Bleibt\"=\"ja\"\r\n"));
    ASSERT_TRUE(file.Ok()) << file.error;
    ASSERT_EQ(file.keys.size(), 1u);
    EXPECT_EQ(file.keys[0].path, "HKEY_LOCAL_MACHINE\\Da");
    ASSERT_EQ(file.keys[0].values.size(), 1u);
    EXPECT_EQ(file.keys[0].values[0].name, "Bleibt");
}

TEST(RegExportTest, HugeValuesAreReadWhole) {
    // 2 MB of bytes over 80-character continuation lines, and a text of a
    // million characters on one line.
    constexpr std::size_t kBytes = 2 * 1024 * 1024;
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Gross]\r\n\"Bin\"=hex:";
    std::string expected;
    const char* digits = "0123456789abcdef";
    for (std::size_t i = 0; i < kBytes; ++i) {
        const auto byte = static_cast<unsigned char>(i * 131 % 251);
        expected.push_back(static_cast<char>(byte));
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 15]);
        if (i + 1 < kBytes) text += (i % 25 == 24) ? ",\\\r\n  " : ",";
    }
    text += "\r\n\"Text\"=\"" + std::string(1000000, 'x') + "\"\r\n\r\n";
    const RegExport file = ReadRegExport(Utf16File(text));
    ASSERT_TRUE(file.Ok()) << file.error;
    ASSERT_EQ(file.keys.size(), 1u);
    ASSERT_EQ(file.keys[0].values.size(), 2u);
    EXPECT_TRUE(file.keys[0].values[0].stored.data == expected);
    EXPECT_EQ(StoredText(file.keys[0].values[1].stored)->size(), 1000000u);
}

// A failure is one line and leaves no keys behind.
void ExpectRefused(const std::string& bytes, const std::string& containing, const std::string& what,
                   Caller caller = Caller::current()) {
    CalledFrom at(caller);
    const RegExport file = ReadRegExport(bytes);
    EXPECT_FALSE(file.Ok()) << what;
    EXPECT_EQ(file.error.find('\n'), std::string::npos) << what;
    EXPECT_NE(file.error.find(containing), std::string::npos) << what << ": " << file.error;
    EXPECT_TRUE(file.keys.empty()) << what;
}

TEST(RegExportTest, RefusesEmptyNarrowAndForeignFiles) {
    ExpectRefused("", "leer", "empty");
    ExpectRefused("\xFF\xFE", "Kopfzeile", "only the mark");
    ExpectRefused("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n", "UTF-8", "UTF-8 with mark");
    ExpectRefused("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n", "UTF-8", "no mark");
    ExpectRefused("REGEDIT4\r\n\r\n", "ANSI", "old format");
    ExpectRefused(Utf16File("Windows Registry Editor Version 5.00\r\n", false), "UTF-16-Kennung", "no mark");
    ExpectRefused(Utf16File("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n"), "Kopfzeile", "old header in UTF-16");
    ExpectRefused(Utf16File("Windows Registry Editor Version 5.00\r\n\r\nirgendwas\r\n"), "Zeile 3", "stray line");
    ExpectRefused(Utf16File("Windows Registry Editor Version 5.00\r\n\"Wert\"=\"x\"\r\n"), "Zeile 2", "no key");
    ExpectRefused(Utf16File("Windows Registry Editor Version 5.00\r\n[K]\r\n\"a\"=dword:xyz\r\n"), "DWORD", "dword");
    ExpectRefused(Utf16File("Windows Registry Editor Version 5.00\r\n[K]\r\n\"a\"=dword:123456789\r\n"), "DWORD",
                  "dword too long");
    ExpectRefused(Utf16File("Windows Registry Editor Version 5.00\r\n[K]\r\n\"a\"=hex:1,,2\r\n"), "Byte", "hex gap");
    ExpectRefused(Utf16File("Windows Registry Editor Version 5.00\r\n[K]\r\n\"a\"=hex:123\r\n"), "Hex", "hex run");
    ExpectRefused(Utf16File("Windows Registry Editor Version 5.00\r\n[K]\r\n\"a\"=hex(q):00\r\n"), "hex(",
                  "hex type");
    ExpectRefused(Utf16File("Windows Registry Editor Version 5.00\r\n[K]\r\n\"a\"=wort\r\n"), "Wertdaten",
                  "unknown data");
}

TEST(RegExportTest, RefusesGarbageInBoundedTime) {
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<std::size_t>(random() % 4096), '\0');
        for (auto& b : bytes) b = static_cast<char>(random());
        if (round % 2 == 0) bytes = "\xFF\xFE" + bytes;  // garbage behind the mark too
        const RegExport file = ReadRegExport(bytes);
        EXPECT_FALSE(file.Ok()) << round;
        EXPECT_EQ(file.error.find('\n'), std::string::npos) << round;
    }
}

TEST(RegExportTest, AFileCutAnywhereIsRefusedOrReadUpToALineEnd) {
    const std::string whole = test::ServicesExport(
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Dienst]\r\n"
        "\"ImagePath\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,\\\r\n"
        "  00,74,00,25,00,00,00\r\n"
        "\"Start\"=dword:00000002\r\n"
        "\"DisplayName\"=\"Ein \\\"Dienst\\\"\"\r\n\r\n");
    ASSERT_TRUE(ReadRegExport(whole).Ok());
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const std::string cut = whole.substr(0, length);
        const RegExport file = ReadRegExport(cut);
        // Cut right after a line end the file reads as an export with fewer
        // lines; anywhere else it says it is incomplete (or not an export).
        const bool atLineEnd = length >= 4 && cut.compare(length - 2, 2, std::string("\n\0", 2)) == 0 &&
                               cut.compare(length - 4, 2, std::string("\\\0", 2)) != 0 &&
                               cut.compare(length - 6, 4, std::string("\\\0\r\0", 4)) != 0;
        if (atLineEnd) {
            EXPECT_TRUE(file.Ok()) << length << ": " << file.error;
        } else {
            EXPECT_FALSE(file.Ok()) << length;
            EXPECT_EQ(file.error.find('\n'), std::string::npos);
        }
    }
    ExpectRefused(whole.substr(0, whole.size() - 1), "mitten in einem Zeichen", "odd length");
}

// Every value type, the default value, names and texts with the escaped
// signs, texts the quoted form cannot carry, and deletions: written and read
// back unchanged, the registry editor's line wrapping included.
TEST(RegExportTest, WriterAndReaderRoundTripEveryValueType) {
    std::string longBinary;
    for (int i = 0; i < 200; ++i) longBinary.push_back(static_cast<char>(i * 7));
    const std::vector<ExportKey> keys = {
        {"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Probe \\ ]x",
         {{"", 1, Wide("Vorgabe")},
          {"Text \"mit\" \\", 1, Wide("C:\\Pfad \"q\" \\\\srv")},
          {"Leer", 1, std::string(2, '\0')},
          {"Umlaut", 1, std::string("\xfc\0\x3d\xd8\x00\xde\0\0", 8)},  // "ü" and U+1F600
          {"Ohne NUL", 1, Wide("A", false)},
          {"Mit NUL innen", 1, Wide("a") + Wide("b")},
          {"Zeilen", 1, Wide("a\r\nb")},
          {"Erweitert", 2, Wide("%SystemRoot%\\system32\\svchost.exe -k netsvcs")},
          {"Zahl", 4, std::string("\x2a\0\0\x80", 4)},
          {"Kurz", 4, std::string("\x01\x02", 2)},
          {"Binaer", 3, longBinary},
          {"KeinByte", 3, ""},
          {"Mehrfach", 7, Wide("a") + Wide("b") + std::string(2, '\0')},
          {"Qword", 11, std::string("\x01\0\0\0\0\0\0\x80", 8)},
          {"Keiner", 0, ""},
          {"Eigen", 0x10000, "\x7f"},
          {"Weg", 0, "", true}}},
        {"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Probe \\ ]x\\Parameters", {}},
        {"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Alt", {}, true},
    };
    const std::string bytes = WriteRegFile(keys);
    const RegExport file = ReadRegFile(bytes);
    ASSERT_TRUE(file.Ok()) << file.error;
    ASSERT_EQ(file.keys.size(), keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        EXPECT_EQ(file.keys[k].path, keys[k].path);
        EXPECT_EQ(file.keys[k].removed, keys[k].removed);
        ASSERT_EQ(file.keys[k].values.size(), keys[k].values.size()) << keys[k].path;
        for (std::size_t v = 0; v < keys[k].values.size(); ++v) {
            const ExportValue& read = file.keys[k].values[v];
            const ExportValue& written = keys[k].values[v];
            EXPECT_EQ(read.name, written.name);
            EXPECT_EQ(read.removed, written.removed) << written.name;
            if (written.removed) continue;
            EXPECT_EQ(read.stored.type, written.stored.type) << written.name;
            EXPECT_EQ(read.stored.data, written.stored.data) << written.name;
        }
    }
    // The plain reader skips the deletions, as it does in any file.
    const RegExport plain = ReadRegExport(bytes);
    ASSERT_TRUE(plain.Ok());
    EXPECT_EQ(plain.keys.size(), 2u);
    EXPECT_EQ(plain.keys[0].values.size(), keys[0].values.size() - 1);

    // The file's text: the header, the forms as the registry editor writes
    // them, and no line longer than 80 characters.
    std::string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text.push_back(bytes[i + 1] == 0 ? bytes[i] : '?');
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\", 0), 0u);
    for (const char* form : {"\r\n@=\"Vorgabe\"\r\n", "\r\n\"Text \\\"mit\\\" \\\\\"=\"C:\\\\Pfad \\\"q\\\" \\\\\\\\srv\"\r\n",
                             "\r\n\"Leer\"=\"\"\r\n", "\r\n\"Ohne NUL\"=hex(1):41,00\r\n", "\r\n\"Zahl\"=dword:8000002a\r\n",
                             "\r\n\"Kurz\"=hex(4):01,02\r\n", "\r\n\"KeinByte\"=hex:\r\n", "\r\n\"Qword\"=hex(b):01,",
                             "\r\n\"Eigen\"=hex(10000):7f\r\n", "\r\n\"Weg\"=-\r\n",
                             "\r\n[-HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Alt]\r\n\r\n",
                             "\r\n\"Erweitert\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,\\\r\n  74,"})
        EXPECT_NE(text.find(form), std::string::npos) << form;
    std::size_t lineStart = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", lineStart)) {
        EXPECT_LE(end - lineStart, 80u) << text.substr(lineStart, end - lineStart);
        lineStart = end + 2;
    }
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n") << "ends with the blank line after the last section";
}

}  // namespace
}  // namespace sw
