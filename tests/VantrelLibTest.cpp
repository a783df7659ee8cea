// The stand-in host library: how VexLoadString finds and reads its file, and
// the string classes the adaptor builds on.
#include <gtest/gtest.h>

#include "AdaptorKit.h"

using namespace adaptortest;

namespace {

class VantrelLibTest : public ::testing::Test {
protected:
    void SetUp() override { ScriptHost(host, folder); }
    PluginFolder folder;
    StandInHost host;
};

std::string Utf16File(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

TEST_F(VantrelLibTest, LoadStringReadsEveryEncodingFromThePluginFolder)
{
    struct Case {
        const char* file;
        std::string bytes;
        std::wstring expected;
    } cases[] = {
        {"utf8.ini", u8"\xEF\xBB\xBF[Strings]\r\nKey=一行目\\n二行目\r\n", L"一行目\r\n二行目"},
        {"utf16.ini", Utf16File(L"[Strings]\r\nKey=表示\\\\n\r\n"), L"表示\\n"},
        {"ansi.ini", "[Strings]\r\nKey=表示 \\x\r\n", L"表示 \\x"},  // code page 932, 0x5C trail byte
        {"other.ini", "[Strings]\r\nOther=1\r\n", L""},
        {"missing.ini", "", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (!c.bytes.empty()) {
            ASSERT_TRUE(wintest::WriteFileBytes(folder.temp().File(c.file), c.bytes));
        }
        VString relative = VexLoadString(Wide(c.file).c_str(), L"Key");
        EXPECT_STREQ(relative.GetText(), c.expected.c_str());
        EXPECT_EQ(relative.GetLength(), c.expected.size());
        VString absolute = VexLoadString(Wide(folder.temp().File(c.file)).c_str(), L"Key");
        EXPECT_STREQ(absolute.GetText(), c.expected.c_str());
    }
}

TEST_F(VantrelLibTest, LongValuesAreReadWhole)
{
    std::string value(5000, 'v');
    ASSERT_TRUE(wintest::WriteFileBytes(folder.temp().File("long.ini"), "[Strings]\r\nKey=" + value + "\r\n"));
    EXPECT_EQ(VexLoadString(L"long.ini", L"Key").GetLength(), 5000u);
}

TEST(VantrelLibStrings, StringsGrowAndAppendThemselves)
{
    VString text;
    EXPECT_STREQ(text.GetText(), L"");
    text = L"ab";
    for (int i = 0; i < 6; ++i)
        text += text.GetText();  // the source lies inside the growing string
    EXPECT_EQ(text.GetLength(), 128u);
    std::wstring expected;
    for (int i = 0; i < 64; ++i)
        expected += L"ab";
    EXPECT_EQ(std::wstring(text.GetText()), expected);
    VString copy(text);
    copy = copy.GetText() + 126;
    EXPECT_STREQ(copy.GetText(), L"ab");
    text += nullptr;
    EXPECT_EQ(text.GetLength(), 128u);
}

TEST(VantrelLibStrings, ConversionsKeepTrailBytesAndLiveWithTheConverter)
{
    VCharConv conv;
    const wchar_t* wide = conv.a2t("表示\\ソ");
    const char* narrow = conv.t2a(L"表示\\ソ");
    EXPECT_STREQ(wide, L"表示\\ソ");
    EXPECT_STREQ(narrow, "表示\\ソ");
    EXPECT_STREQ(conv.a2t(nullptr), L"");
    EXPECT_STREQ(conv.t2a(nullptr), "");
    EXPECT_STREQ(wide, L"表示\\ソ");  // still valid after later conversions
}

TEST(VantrelLibStrings, IsFileExistAnswersOnlyForFiles)
{
    wintest::TempFolder temp;
    ASSERT_TRUE(wintest::WriteFileBytes(temp.File("f.kdx"), "x"));
    EXPECT_TRUE(VMisc::IsFileExist(Wide(temp.File("f.kdx")).c_str()));
    EXPECT_FALSE(VMisc::IsFileExist(Wide(temp.path()).c_str()));
    EXPECT_FALSE(VMisc::IsFileExist(Wide(temp.File("g.kdx")).c_str()));
    EXPECT_FALSE(VMisc::IsFileExist(L""));
}

}  // namespace
