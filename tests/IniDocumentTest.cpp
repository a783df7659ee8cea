// IniDocument against the platform's profile functions, which are the oracle: the
// same bytes must give the same answers, and the same writes the same file.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "data/IniDocument.h"
#include "IniOracle.h"
#include "WinTest.h"

namespace {

using inioracle::Escape;
using inioracle::Lookup;
using inioracle::ProfileFile;

// Compares every look-up; IconPath is asked after Path with the Path answer as
// its default, as LoadSettings does. Returns the differences, one per line.
std::string CompareLookups(const IniDocument& doc, const ProfileFile& file, const std::vector<Lookup>& lookups,
                           UINT size = 520)
{
    std::string differences;
    auto compareText = [&](const std::string& section, const std::string& key, const std::string& def) {
        std::string expected = file.GetString(section, key, def, size);
        std::string actual = doc.GetString(section, key, def, size);
        if (expected != actual)
            differences += "[" + Escape(section) + "] " + Escape(key) + " (size " + std::to_string(size)
                           + "): platform \"" + Escape(expected) + "\", ours \"" + Escape(actual) + "\"\n";
        return expected;
    };
    for (const Lookup& lookup : lookups) {
        if (lookup.number) {
            int expected = file.GetInt(lookup.section, lookup.key, lookup.numberDefault);
            int actual = doc.GetInt(lookup.section, lookup.key, lookup.numberDefault);
            if (expected != actual)
                differences += "[" + Escape(lookup.section) + "] " + Escape(lookup.key) + " as number: platform "
                               + std::to_string(expected) + ", ours " + std::to_string(actual) + "\n";
            continue;
        }
        std::string answer = compareText(lookup.section, lookup.key, lookup.textDefault);
        if (lookup.key == "Path")
            compareText(lookup.section, "IconPath", answer);
    }
    return differences;
}

std::string CompareFile(const std::string& path, const std::string& bytes, UINT size = 520)
{
    ProfileFile file(path, bytes);
    IniDocument doc = IniDocument::Parse(bytes);
    std::vector<Lookup> lookups = inioracle::SettingsLookups(3, 3);
    std::vector<Lookup> tokens = inioracle::TokenLookups(bytes);
    lookups.insert(lookups.end(), tokens.begin(), tokens.end());
    return CompareLookups(doc, file, lookups, size);
}

TEST(IniDocumentOracle, CorpusAnswersAsTheProfileFunctions)
{
    wintest::TempFolder folder;
    std::vector<inioracle::CorpusFile> corpus = inioracle::Corpus();
    ASSERT_GE(corpus.size(), 15u) << "tests/ini-corpus was not copied next to the test program";
    for (const inioracle::CorpusFile& file : corpus) {
        std::string differences = CompareFile(folder.File(file.name), file.bytes);
        EXPECT_EQ("", differences) << file.name << ":\n" << Escape(file.bytes);
    }
}

TEST(IniDocumentOracle, RandomTextsAnswerAsTheProfileFunctions)
{
    wintest::TempFolder folder;
    std::mt19937 random(20240601);
    int failures = 0;
    for (int i = 0; i < 120 && failures < 5; ++i) {
        std::string bytes = inioracle::RandomIni(random);
        std::string differences = CompareFile(folder.File("random" + std::to_string(i) + ".ini"), bytes);
        EXPECT_EQ("", differences) << "random text " << i << ":\n" << Escape(bytes);
        failures += !differences.empty();
    }
}

TEST(IniDocumentOracle, SmallBuffersCutAsTheProfileFunctions)
{
    wintest::TempFolder folder;
    std::mt19937 random(77);
    for (int i = 0; i < 10; ++i) {
        std::string bytes = inioracle::RandomIni(random);
        for (UINT size : {2u, 3u, 8u, 30u}) {
            std::string differences = CompareFile(folder.File("small" + std::to_string(i) + ".ini"), bytes, size);
            ASSERT_EQ("", differences) << "random text " << i << ":\n" << Escape(bytes);
        }
    }
}

// After every single write, the file must hold what Serialize gives: Wine re-reads
// the file before each write, so the order of writes matters.
TEST(IniDocumentOracle, WritesGiveTheBytesOfWritePrivateProfileString)
{
    wintest::TempFolder folder;
    std::mt19937 random(4242);
    for (int sequence = 0; sequence < 120; ++sequence) {
        std::string path = folder.File("write" + std::to_string(sequence) + ".ini");
        IniDocument doc;
        std::string log;
        for (const inioracle::WriteCall& call : inioracle::RandomWrites(random)) {
            WritePrivateProfileStringA(call.section.c_str(), call.key.c_str(), call.value.c_str(), path.c_str());
            doc.Write(call.section, call.key, call.value);
            log += "Write(" + Escape(call.section) + ", " + Escape(call.key) + ", " + Escape(call.value) + ")\n";
            std::string expected;
            wintest::ReadFileBytes(path, &expected);
            ASSERT_EQ(Escape(expected), Escape(doc.Serialize())) << "sequence " << sequence << ":\n" << log;
        }
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    }
}

// The semantics one by one, each answered by the platform and by us.
struct TextCase {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    const char* defaultValue;
    std::string expected;
};

TEST(IniDocumentOracle, TextSemantics)
{
    const std::string a518(518, 'a');
    const std::string a519(519, 'a');
    std::string kanji300;
    for (int i = 0; i < 300; ++i)
        kanji300 += "表";
    const TextCase cases[] = {
        {"blanks around names and values", "  [  S  ]  junk\r\n  K   =   v  \r\n", "S", "K", "d", "v"},
        {"case-insensitive names", "[s]\r\nk=lower\r\n", "S", "K", "d", "lower"},
        {"first section of a name only", "[S]\r\nA=1\r\n[S]\r\nK=2\r\n", "S", "K", "d", "d"},
        {"first key of a name wins", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "d", "1"},
        {"a line without '=' wins and answers the default", "[S]\r\nK\r\nK=2\r\n", "S", "K", "d", "d"},
        {"comment lines are keys", "[S]\r\n;K=c\r\n", "S", ";K", "d", "c"},
        {"CR only", "[S]\rK=cr\r", "S", "K", "d", "cr"},
        {"LF only, no final line end", "[S]\nK=lf", "S", "K", "d", "lf"},
        {"lines before any section", "K=v\r\n[S]\r\n", "S", "K", "d", "d"},
        {"section without ']' is a key line", "[S]\r\n[T\r\nK=v\r\n", "S", "K", "d", "v"},
        {"last ']' closes the section", "[a]b]\r\nK=v\r\n", "a]b", "K", "d", "v"},
        {"']' as a trail byte does not close", "[ゾ]\r\nK=v\r\n", "ゾ", "K", "d", "v"},
        {"trail byte 5C", "[S]\r\nK=\"C:\\表\\\"\r\n", "S", "K", "d", "C:\\表\\"},
        {"double quotes removed", "[S]\r\nK=\" x \"\r\n", "S", "K", "d", " x "},
        {"single quotes removed", "[S]\r\nK=' x '\r\n", "S", "K", "d", " x "},
        {"mismatched quotes kept", "[S]\r\nK=\"x'\r\n", "S", "K", "d", "\"x'"},
        {"one quote kept", "[S]\r\nK=\"\r\n", "S", "K", "d", "\""},
        {"only the outer pair", "[S]\r\nK=\"a\"b\"\r\n", "S", "K", "d", "a\"b"},
        {"empty value is not missing", "[S]\r\nK=\r\n", "S", "K", "d", ""},
        {"text after NUL is invisible", std::string("[S]\r\nK=ab\0cd\r\n", 15), "S", "K", "d", "ab"},
        {"^Z is a blank", "[S]\r\nK=v\x1a\x1a\r\n", "S", "K", "d", "v"},
        {"UTF-8 signature skipped", "\xEF\xBB\xBF[S]\r\nK=v\r\n", "S", "K", "d", "v"},
        {"default loses trailing spaces", "", "S", "K", "abc   ", "abc"},
        {"all-space default keeps one", "", "S", "K", "   ", " "},
        {"default loses its quotes", "", "S", "K", "\"q\"", "q"},
        {"quoted 518 characters read whole", "[S]\r\nK=\"" + a518 + "\"\r\n", "S", "K", "", a518},
        {"plain 520 characters cut to 519", "[S]\r\nK=" + a519 + "a\r\n", "S", "K", "", a519},
        {"double-byte text cut before the character that does not fit", "[S]\r\nK=" + kanji300 + "\r\n", "S", "K",
         "", kanji300.substr(0, 518)},
        {"and after one single byte", "[S]\r\nK=a" + kanji300 + "\r\n", "S", "K", "", ("a" + kanji300).substr(0, 519)},
    };
    wintest::TempFolder folder;
    int n = 0;
    for (const TextCase& c : cases) {
        ProfileFile file(folder.File("case" + std::to_string(++n) + ".ini"), c.file);
        EXPECT_EQ(Escape(c.expected), Escape(file.GetString(c.section, c.key, c.defaultValue))) << c.name << " (platform)";
        EXPECT_EQ(Escape(c.expected), Escape(IniDocument::Parse(c.file).GetString(c.section, c.key, c.defaultValue)))
            << c.name;
    }
}

// The one deliberate difference: Wine reads a quoted value that exactly fills the
// buffer one character short; we keep it whole, so a 519-character name survives
// a save and a load (tests/README.md).
TEST(IniDocumentOracle, QuotedTextFillingTheBufferIsReadWhole)
{
    const std::string a519(519, 'a');
    const std::string text = "[S]\r\nK=\"" + a519 + "\"\r\nL='" + a519.substr(0, 9) + "'\r\n";
    wintest::TempFolder folder;
    ProfileFile file(folder.File("full.ini"), text);
    EXPECT_EQ(518u, file.GetWineString("S", "K", "").size()) << "Wine's off-by-one is gone: drop this difference";
    EXPECT_EQ(a519, file.GetString("S", "K", ""));
    IniDocument doc = IniDocument::Parse(text);
    EXPECT_EQ(a519, doc.GetString("S", "K", ""));
    // The same rule at a small buffer, and a value that fits with room to spare.
    EXPECT_EQ("aaaaaaaaa", doc.GetString("S", "L", "", 10));
    EXPECT_EQ("aaaaaaaaa", doc.GetString("S", "L", "", 11));
    EXPECT_EQ("aaaaaaaa", doc.GetString("S", "L", "", 9));
}

TEST(IniDocumentOracle, NumberSemantics)
{
    const struct {
        const char* value;
        int expected;
    } cases[] = {
        {"12abc", 12},  {"0x10", 16},        {"0X10", 0},         {" -5", -5},     {"\" -5\"", -5},
        {"+7", 7},      {"", -99},           {"\"\"", -99},       {"\" \"", 0},    {"99999999999", 1215752191},
        {"-2147483649", 2147483647},         {"4294967296", 0},   {"0b101", 5},    {"0o17", 15},
        {"'12'", 12},   {"- 5", 0},          {"0x", 0},           {"-", 0},        {"\t7", 7},
        {"1 2", 1},     {"0xFFFFFFFF", -1},  {"\"-0x10\"", -16},  {"'7\"", 0},     {"表12", 0},
    };
    wintest::TempFolder folder;
    int n = 0;
    for (const auto& c : cases) {
        std::string text = std::string("[S]\r\nK=") + c.value + "\r\n";
        ProfileFile file(folder.File("number" + std::to_string(++n) + ".ini"), text);
        EXPECT_EQ(c.expected, file.GetInt("S", "K", -99)) << c.value << " (platform)";
        EXPECT_EQ(c.expected, IniDocument::Parse(text).GetInt("S", "K", -99)) << c.value;
    }
    EXPECT_EQ(-99, IniDocument::Parse("[S]\r\nK\r\n").GetInt("S", "K", -99));
    EXPECT_EQ(-99, IniDocument::Parse("").GetInt("S", "K", -99));
}

// Bytes that are not CP932 as the platform decodes it are a documented difference
// (tests/README.md): the platform replaces them, we keep them. The structure is the
// same: a lead byte takes the line end with it.
TEST(IniDocumentOracle, LeadByteTakesTheLineEndWithIt)
{
    const std::string text = "[S]\nX=\x82\nK=after\n";
    wintest::TempFolder folder;
    ProfileFile file(folder.File("lead.ini"), text);
    IniDocument doc = IniDocument::Parse(text);
    EXPECT_EQ("d", file.GetString("S", "K", "d"));
    EXPECT_EQ("d", doc.GetString("S", "K", "d"));
    EXPECT_EQ("\x82\nK=after", doc.GetString("S", "X", "d"));
}

TEST(IniDocument, SerializeWritesSectionsAndKeysInOrderWithoutBlankLines)
{
    IniDocument doc;
    EXPECT_EQ("", doc.Serialize());
    doc.Write("Launcher", "PageCount", "1");
    doc.Write("Page1", "Name", "\"ページ &1\"");
    doc.Write("Launcher", "DoubleClick", "1");
    doc.Write("Page1", "ItemCount", "0");
    EXPECT_EQ("[Launcher]\r\nPageCount=1\r\nDoubleClick=1\r\n[Page1]\r\nName=\"ページ &1\"\r\nItemCount=0\r\n",
              doc.Serialize());
    EXPECT_EQ("ページ &1", doc.GetString("page1", "NAME", ""));
    EXPECT_EQ(0, doc.GetInt("Page1", "ItemCount", 5));
}

TEST(IniDocument, SectionNamesInDocumentOrder)
{
    IniDocument doc = IniDocument::Parse("k=1\r\n[B]\r\n[ a ]\r\n[B]\r\n[]\r\n");
    std::vector<std::string_view> names = doc.SectionNames();
    ASSERT_EQ(4u, names.size());
    EXPECT_EQ("B", names[0]);
    EXPECT_EQ("a", names[1]);
    EXPECT_EQ("B", names[2]);
    EXPECT_EQ("", names[3]);
}

}  // namespace
