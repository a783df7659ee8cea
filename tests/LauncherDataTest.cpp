// Pages and items: the operations' edge cases that can really break.
// No image lists here: the icon of an item added from a file is ItemIconsTest's concern.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <tuple>

#include "data/LauncherData.h"
#include "WinTest.h"

namespace {

class LauncherDataTest : public ::testing::Test {
protected:
    void SetUp() override { ResetLauncherData(); }
    void TearDown() override { ResetLauncherData(); }

    // A record whose every field tells which item it is.
    static LauncherItem Record(const wchar_t* tag, int imageIndex, int posX, int posY)
    {
        LauncherItem item = {};
        item.imageIndex = imageIndex;
        item.name = tag;
        item.path = std::wstring(L"C:\\") + tag + L".exe";
        item.parameter = std::wstring(L"-") + tag;
        item.workDir = std::wstring(L"C:\\") + tag + L"\\";
        item.iconPath = std::wstring(L"C:\\") + tag + L".ico";
        item.shortPath = "SHORT~" + std::to_string(imageIndex);
        item.iconIndex = imageIndex + 100;
        item.posX = posX;
        item.posY = posY;
        return item;
    }

    static void ExpectSameRecord(const LauncherItem& expected, const LauncherItem& actual)
    {
        auto fields = [](const LauncherItem& i) {
            return std::make_tuple(i.imageIndex, i.name, i.path, i.parameter, i.workDir, i.iconPath, i.iconIndex,
                                   i.posX, i.posY, i.shortPath, i.shortWorkDir, i.shortIconPath);
        };
        EXPECT_TRUE(fields(expected) == fields(actual)) << "expected " << wintest::Narrow(expected.name) << ", got "
                                                        << wintest::Narrow(actual.name);
    }

    // Page `page` holds X, Y, Z with image indexes 7, 8, 9.
    void FillXyz(int page)
    {
        AddItem(page, Record(L"X", 7, 10, 11));
        AddItem(page, Record(L"Y", 8, 20, 21));
        AddItem(page, Record(L"Z", 9, -1, -1));
    }
};

TEST_F(LauncherDataTest, AddPageNamesByTheNewCountEvenWhenTheNameExists)
{
    AddPage();
    AddPage();
    AddPage();
    AddPage();
    EXPECT_EQ(4, GetPageCount());
    EXPECT_STREQ(L"ページ &4", GetPageName(3));
    EXPECT_EQ(0, GetItemCount(3));

    ResetLauncherData();
    AddPage();
    AddPage();
    AddPage();
    RemovePage(0);
    AddPage();
    EXPECT_STREQ(L"ページ &2", GetPageName(0));
    EXPECT_STREQ(L"ページ &3", GetPageName(1));
    EXPECT_STREQ(L"ページ &3", GetPageName(2));
}

TEST_F(LauncherDataTest, RemovePageMovesLaterPagesDownWithTheirItems)
{
    for (const wchar_t* name : {L"X", L"Y", L"Z"}) {
        AddPage();
        SetPageName(GetPageCount() - 1, name);
    }
    FillXyz(1);
    AddItem(2, Record(L"W", 3, 1, 2));
    SetCurrentPage(2);

    RemovePage(0);

    ASSERT_EQ(2, GetPageCount());
    EXPECT_STREQ(L"Y", GetPageName(0));
    EXPECT_STREQ(L"Z", GetPageName(1));
    ASSERT_EQ(3, GetItemCount(0));
    ExpectSameRecord(Record(L"Y", 8, 20, 21), GetItem(0, 1));
    ASSERT_EQ(1, GetItemCount(1));
    ExpectSameRecord(Record(L"W", 3, 1, 2), GetItem(1, 0));
    EXPECT_EQ(2, GetCurrentPage()) << "RemovePage leaves currentPage to the caller";
}

TEST_F(LauncherDataTest, GettersWithoutBufferReturnTheStoredText)
{
    AddPage();
    AddItem(0, Record(L"X", 0, 0, 0));
    EXPECT_EQ(launcherData.pages[0].name, GetPageName(0));
    EXPECT_EQ(launcherData.pages[0].items[0].name, GetItemName(0, 0));
    EXPECT_EQ(launcherData.pages[0].items[0].iconPath, GetItemIconPath(0, 0));

    EXPECT_EQ(launcherData.pages[0].items[0].name.c_str(), GetItemName(0, 0)) << "the stored text itself";
    EXPECT_STREQ(L"X", GetItemName(0, 0));
    EXPECT_EQ(launcherData.pages[0].name.c_str(), GetPageName(0));
    EXPECT_STREQ(L"ページ &1", GetPageName(0));
}

TEST_F(LauncherDataTest, RemoveItemMovesLaterRecordsDownWhole)
{
    AddPage();
    FillXyz(0);
    RemoveItem(0, 1);
    ASSERT_EQ(2, GetItemCount(0));
    ExpectSameRecord(Record(L"X", 7, 10, 11), GetItem(0, 0));
    ExpectSameRecord(Record(L"Z", 9, -1, -1), GetItem(0, 1));
    RemoveItem(0, 1);
    RemoveItem(0, 0);
    EXPECT_EQ(0, GetItemCount(0));
}

TEST_F(LauncherDataTest, MinusOneChangesNothingWhereThePartAllowsIt)
{
    AddPage();
    FillXyz(0);
    RemoveItem(0, -1);
    SetItemName(0, -1, L"changed");
    ASSERT_EQ(3, GetItemCount(0));
    ExpectSameRecord(Record(L"X", 7, 10, 11), GetItem(0, 0));
    ExpectSameRecord(Record(L"Y", 8, 20, 21), GetItem(0, 1));
    ExpectSameRecord(Record(L"Z", 9, -1, -1), GetItem(0, 2));
}

TEST_F(LauncherDataTest, SwapItemsExchangesWholeRecords)
{
    AddPage();
    FillXyz(0);
    SwapItems(0, 0, 2);
    ExpectSameRecord(Record(L"Z", 9, -1, -1), GetItem(0, 0));
    ExpectSameRecord(Record(L"Y", 8, 20, 21), GetItem(0, 1));
    ExpectSameRecord(Record(L"X", 7, 10, 11), GetItem(0, 2));
    SwapItems(0, 1, 1);
    ExpectSameRecord(Record(L"Y", 8, 20, 21), GetItem(0, 1));
}

// Moving an item to another page: position cleared, copied out, appended, erased.
TEST_F(LauncherDataTest, ItemMovedToAnotherPageKeepsItsImageIndex)
{
    AddPage();
    AddPage();
    FillXyz(0);
    AddItem(1, Record(L"W", 3, 1, 2));

    SetItemPosition(0, 0, POINT{-1, -1});
    LauncherItem moved;
    EXPECT_EQ(&moved, CopyItem(&moved, 0, 0));
    AddItem(1, moved);
    RemoveItem(0, 0);

    ASSERT_EQ(2, GetItemCount(1));
    LauncherItem expected = Record(L"X", 7, -1, -1);
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
    SetItemName(0, 1, L"name");
    SetItemPath(0, 1, L"path");
    SetItemParameter(0, 1, L"parameter");
    SetItemWorkDir(0, 1, L"");
    SetItemPosition(0, 1, POINT{5, 6});
    const LauncherItem& item = GetItem(0, 1);
    EXPECT_EQ(L"name", item.name);
    EXPECT_EQ(L"path", item.path);
    EXPECT_EQ(L"parameter", item.parameter);
    EXPECT_EQ(L"", item.workDir);
    EXPECT_EQ(L"C:\\Y.ico", item.iconPath);
    EXPECT_EQ(108, GetItemIconIndex(0, 1));
    EXPECT_EQ(5, item.posX);
    EXPECT_EQ(6, item.posY);
}

TEST_F(LauncherDataTest, AddItemFromFileDerivesNameAndWorkingFolder)
{
    const struct {
        const wchar_t* path;
        const wchar_t* givenName;
        const wchar_t* name;
        const wchar_t* workDir;
    } cases[] = {
        {L"C:\\Tools\\App.exe", nullptr, L"App", L"C:\\Tools\\"},
        {L"C:\\a\\b.tar.gz", nullptr, L"b.tar", L"C:\\a\\"},
        {L"C:\\My.Folder", nullptr, L"My", L"C:\\"},
        {L"App.exe", nullptr, L"App", L""},
        {L"C:\\表\\能.exe", nullptr, L"能", L"C:\\表\\"},  // both end in the byte 5C in CP932
        {L"C:\\資料〜2024\\Café〜한글 🚀.exe", nullptr, L"Café〜한글 🚀", L"C:\\資料〜2024\\"},
        {L"C:\\Tools\\App.exe", L"Given .name", L"Given .name", L"C:\\Tools\\"},
        {L"C:\\Tools\\App.exe", L"", L"", L"C:\\Tools\\"},
    };
    AddPage();
    for (const auto& c : cases) {
        EXPECT_TRUE(AddItemFromFile(0, c.path, c.givenName));
        const LauncherItem& item = GetItem(0, GetItemCount(0) - 1);
        EXPECT_EQ(c.name, item.name) << wintest::Narrow(c.path);
        EXPECT_EQ(c.workDir, item.workDir) << wintest::Narrow(c.path);
        EXPECT_EQ(c.path, item.path);
        EXPECT_EQ(c.path, item.iconPath);
        EXPECT_EQ(L"", item.parameter);
        EXPECT_EQ(-1, item.iconIndex);
        EXPECT_EQ(-1, item.posX);
        EXPECT_EQ(-1, item.posY);
        EXPECT_EQ(-1, item.imageIndex) << "no image lists, no image";
    }

    // Paths of the longest kind CP932 cannot hold fill the settings text long before
    // the item count does: refused then, nothing half added, a short one still fits.
    std::wstring huge = L"C:\\" + std::wstring(kMaxTextUnits - 8, L'\u00E9') + L".exe";
    int added = 0;
    while (added < 1000 && AddItemFromFile(0, huge.c_str()))
        ++added;
    EXPECT_GT(added, 10);
    EXPECT_LT(added, 1000) << "the settings text has no bound";
    int count = GetItemCount(0);
    EXPECT_FALSE(AddItemFromFile(0, huge.c_str()));
    EXPECT_EQ(count, GetItemCount(0));
    EXPECT_TRUE(AddItemFromFile(0, L"C:\\Tools\\App.exe"));
}

TEST_F(LauncherDataTest, TooLongTextIsCutWithoutSplittingACharacter)
{
    AddPage();
    AddItem(0, Record(L"X", 0, 0, 0));
    // Past the 519 bytes of a profile text, an item keeps the whole name.
    std::wstring kanji(300, L'表');
    SetItemName(0, 0, kanji.c_str());
    EXPECT_EQ(kanji, GetItemName(0, 0));
    // At the bound of 32,767 units, a surrogate pair across it goes whole.
    std::wstring rocket;
    for (int i = 0; i < 16384; ++i)
        rocket += L"🚀";
    SetItemName(0, 0, rocket.c_str());
    EXPECT_EQ(rocket.substr(0, 32766), GetItemName(0, 0));
    SetItemName(0, 0, (L"a" + rocket).c_str());
    EXPECT_EQ((L"a" + rocket).substr(0, 32767), GetItemName(0, 0));
    std::wstring ascii(40000, L'b');
    SetPageName(0, ascii.c_str());
    EXPECT_EQ(ascii.substr(0, 32767), GetPageName(0));
    SetItemPath(0, 0, GetItem(0, 0).path.c_str());  // onto itself
    EXPECT_EQ(L"C:\\X.exe", GetItem(0, 0).path);
    EXPECT_EQ("SHORT~0", GetItem(0, 0).shortPath) << "an unchanged path keeps its short form";
    SetItemPath(0, 0, L"C:\\Y.exe");
    EXPECT_EQ("", GetItem(0, 0).shortPath) << "a changed one has none until it is found again";
}

}  // namespace
