// Pages and items: the operations' edge cases that can really break.
// No image lists here: the icon of an item added from a file is ItemIconsTest's concern.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "data/LauncherData.h"

namespace {

class LauncherDataTest : public ::testing::Test {
protected:
    void SetUp() override { ResetLauncherData(); }
    void TearDown() override { ResetLauncherData(); }

    // A record whose every field tells which item it is.
    static LauncherItem Record(const char* tag, int imageIndex, int posX, int posY)
    {
        LauncherItem item = {};
        item.imageIndex = imageIndex;
        snprintf(item.name, kTextSize, "%s", tag);
        snprintf(item.path, kTextSize, "C:\\%s.exe", tag);
        snprintf(item.parameter, kTextSize, "-%s", tag);
        snprintf(item.workDir, kTextSize, "C:\\%s\\", tag);
        snprintf(item.iconPath, kTextSize, "C:\\%s.ico", tag);
        item.iconIndex = imageIndex + 100;
        item.posX = posX;
        item.posY = posY;
        return item;
    }

    static void ExpectSameRecord(const LauncherItem& expected, const LauncherItem& actual)
    {
        EXPECT_EQ(0, std::memcmp(&expected, &actual, sizeof expected)) << "expected " << expected.name << ", got "
                                                                       << actual.name;
    }

    // Page `page` holds X, Y, Z with image indexes 7, 8, 9.
    void FillXyz(int page)
    {
        AddItem(page, Record("X", 7, 10, 11));
        AddItem(page, Record("Y", 8, 20, 21));
        AddItem(page, Record("Z", 9, -1, -1));
    }
};

TEST_F(LauncherDataTest, AddPageNamesByTheNewCountEvenWhenTheNameExists)
{
    AddPage();
    AddPage();
    AddPage();
    AddPage();
    EXPECT_EQ(4, GetPageCount());
    EXPECT_STREQ("ページ &4", GetPageName(3));
    EXPECT_EQ(0, GetItemCount(3));

    ResetLauncherData();
    AddPage();
    AddPage();
    AddPage();
    RemovePage(0);
    AddPage();
    EXPECT_STREQ("ページ &2", GetPageName(0));
    EXPECT_STREQ("ページ &3", GetPageName(1));
    EXPECT_STREQ("ページ &3", GetPageName(2));
}

TEST_F(LauncherDataTest, RemovePageMovesLaterPagesDownWithTheirItems)
{
    for (const char* name : {"X", "Y", "Z"}) {
        AddPage();
        SetPageName(GetPageCount() - 1, name);
    }
    FillXyz(1);
    AddItem(2, Record("W", 3, 1, 2));
    SetCurrentPage(2);

    RemovePage(0);

    ASSERT_EQ(2, GetPageCount());
    EXPECT_STREQ("Y", GetPageName(0));
    EXPECT_STREQ("Z", GetPageName(1));
    ASSERT_EQ(3, GetItemCount(0));
    ExpectSameRecord(Record("Y", 8, 20, 21), GetItem(0, 1));
    ASSERT_EQ(1, GetItemCount(1));
    ExpectSameRecord(Record("W", 3, 1, 2), GetItem(1, 0));
    EXPECT_EQ(2, GetCurrentPage()) << "RemovePage leaves currentPage to the caller";
}

TEST_F(LauncherDataTest, GettersWithoutBufferReturnTheStoredText)
{
    AddPage();
    AddItem(0, Record("X", 0, 0, 0));
    EXPECT_EQ(launcherData.pages[0].name, GetPageName(0));
    EXPECT_EQ(launcherData.pages[0].items[0].name, GetItemName(0, 0));
    EXPECT_EQ(launcherData.pages[0].items[0].iconPath, GetItemIconPath(0, 0));

    char buffer[kTextSize];
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_EQ(launcherData.pages[0].items[0].name, GetItemName(0, 0, buffer));
    EXPECT_STREQ("X", buffer);
    EXPECT_EQ(launcherData.pages[0].name, GetPageName(0, buffer));
    EXPECT_STREQ("ページ &1", buffer);
}

TEST_F(LauncherDataTest, RemoveItemMovesLaterRecordsDownWhole)
{
    AddPage();
    FillXyz(0);
    RemoveItem(0, 1);
    ASSERT_EQ(2, GetItemCount(0));
    ExpectSameRecord(Record("X", 7, 10, 11), GetItem(0, 0));
    ExpectSameRecord(Record("Z", 9, -1, -1), GetItem(0, 1));
    RemoveItem(0, 1);
    RemoveItem(0, 0);
    EXPECT_EQ(0, GetItemCount(0));
}

TEST_F(LauncherDataTest, MinusOneChangesNothingWhereThePartAllowsIt)
{
    AddPage();
    FillXyz(0);
    RemoveItem(0, -1);
    SetItemName(0, -1, "changed");
    ASSERT_EQ(3, GetItemCount(0));
    ExpectSameRecord(Record("X", 7, 10, 11), GetItem(0, 0));
    ExpectSameRecord(Record("Y", 8, 20, 21), GetItem(0, 1));
    ExpectSameRecord(Record("Z", 9, -1, -1), GetItem(0, 2));
}

TEST_F(LauncherDataTest, SwapItemsExchangesWholeRecords)
{
    AddPage();
    FillXyz(0);
    SwapItems(0, 0, 2);
    ExpectSameRecord(Record("Z", 9, -1, -1), GetItem(0, 0));
    ExpectSameRecord(Record("Y", 8, 20, 21), GetItem(0, 1));
    ExpectSameRecord(Record("X", 7, 10, 11), GetItem(0, 2));
    SwapItems(0, 1, 1);
    ExpectSameRecord(Record("Y", 8, 20, 21), GetItem(0, 1));
}

// Moving an item to another page: position cleared, copied out, appended, erased.
TEST_F(LauncherDataTest, ItemMovedToAnotherPageKeepsItsImageIndex)
{
    AddPage();
    AddPage();
    FillXyz(0);
    AddItem(1, Record("W", 3, 1, 2));

    SetItemPosition(0, 0, POINT{-1, -1});
    LauncherItem moved;
    EXPECT_EQ(&moved, CopyItem(&moved, 0, 0));
    AddItem(1, moved);
    RemoveItem(0, 0);

    ASSERT_EQ(2, GetItemCount(1));
    LauncherItem expected = Record("X", 7, -1, -1);
    ExpectSameRecord(expected, GetItem(1, 1));
    EXPECT_EQ(7, GetItemImageIndex(1, 1));
    ASSERT_EQ(2, GetItemCount(0));
    EXPECT_EQ(8, GetItemImageIndex(0, 0));
    EXPECT_EQ(9, GetItemImageIndex(0, 1));
    POINT position = GetItemPosition(1, 1);
    EXPECT_EQ(-1, position.x);
    EXPECT_EQ(-1, position.y);
}

TEST_F(LauncherDataTest, SettersCopyIntoTheirOwnField)
{
    AddPage();
    FillXyz(0);
    SetItemName(0, 1, "name");
    SetItemPath(0, 1, "path");
    SetItemParameter(0, 1, "parameter");
    SetItemWorkDir(0, 1, "");
    SetItemPosition(0, 1, POINT{5, 6});
    const LauncherItem& item = GetItem(0, 1);
    EXPECT_STREQ("name", item.name);
    EXPECT_STREQ("path", item.path);
    EXPECT_STREQ("parameter", item.parameter);
    EXPECT_STREQ("", item.workDir);
    EXPECT_STREQ("C:\\Y.ico", item.iconPath);
    EXPECT_EQ(108, GetItemIconIndex(0, 1));
    EXPECT_EQ(5, item.posX);
    EXPECT_EQ(6, item.posY);
}

TEST_F(LauncherDataTest, AddItemFromFileDerivesNameAndWorkingFolder)
{
    const struct {
        const char* path;
        const char* givenName;
        const char* name;
        const char* workDir;
    } cases[] = {
        {"C:\\Tools\\App.exe", nullptr, "App", "C:\\Tools\\"},
        {"C:\\a\\b.tar.gz", nullptr, "b.tar", "C:\\a\\"},
        {"C:\\My.Folder", nullptr, "My", "C:\\"},
        {"App.exe", nullptr, "App", ""},
        {"C:\\表\\能.exe", nullptr, "能", "C:\\表\\"},  // both end in the byte 5C
        {"C:\\Tools\\App.exe", "Given .name", "Given .name", "C:\\Tools\\"},
        {"C:\\Tools\\App.exe", "", "", "C:\\Tools\\"},
    };
    AddPage();
    for (const auto& c : cases) {
        EXPECT_TRUE(AddItemFromFile(0, c.path, c.givenName));
        const LauncherItem& item = GetItem(0, GetItemCount(0) - 1);
        EXPECT_STREQ(c.name, item.name) << c.path;
        EXPECT_STREQ(c.workDir, item.workDir) << c.path;
        EXPECT_STREQ(c.path, item.path);
        EXPECT_STREQ(c.path, item.iconPath);
        EXPECT_STREQ("", item.parameter);
        EXPECT_EQ(-1, item.iconIndex);
        EXPECT_EQ(-1, item.posX);
        EXPECT_EQ(-1, item.posY);
        EXPECT_EQ(-1, item.imageIndex) << "no image lists, no image";
    }
}

TEST_F(LauncherDataTest, TooLongTextIsCutWithoutSplittingACharacter)
{
    AddPage();
    AddItem(0, Record("X", 0, 0, 0));
    std::string kanji;
    for (int i = 0; i < 300; ++i)
        kanji += "表";
    SetItemName(0, 0, kanji.c_str());
    EXPECT_EQ(kanji.substr(0, 518), GetItemName(0, 0));
    SetItemName(0, 0, ("a" + kanji).c_str());
    EXPECT_EQ(("a" + kanji).substr(0, 519), GetItemName(0, 0));
    std::string ascii(600, 'b');
    SetPageName(0, ascii.c_str());
    EXPECT_EQ(ascii.substr(0, 519), GetPageName(0));
    SetItemPath(0, 0, GetItem(0, 0).path);  // onto itself
    EXPECT_STREQ("C:\\X.exe", GetItem(0, 0).path);
}

}  // namespace
