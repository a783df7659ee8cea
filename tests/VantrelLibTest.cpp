// The stand-in host library: how VexLoadString finds and reads its file, and
// which paths count as existing files.
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
        // Backslashes are text: the value comes back as the profile functions read it.
        {"utf16.ini", Utf16File(L"[Strings]\r\nKey=kdx\\new 表示\\\\n\r\n"), L"kdx\\new 表示\\\\n"},
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
