// The icon routines on the panel's two real image lists, with files of
// the Wine prefix: notepad.exe, shell32.dll's numbered icons, comdlg32.dll's and
// winecfg.exe's odd ones, a folder and a file that does not exist.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <vector>

#include "PanelResults.h"
#include "ImagePixels.h"
#include "WinTest.h"
#include "platform/ItemIcons.h"
#include "data/LauncherData.h"
#include "panel/ItemImages.h"
#include "panel/Panel.h"
#include "panel/PanelRecord.h"

namespace {

const wchar_t kNotepad[] = L"C:\\windows\\notepad.exe";
const wchar_t kShell32[] = L"C:\\windows\\system32\\shell32.dll";
const wchar_t kFolder[] = L"C:\\windows";
const wchar_t kMissing[] = L"C:\\no such folder\\missing.exe";
const wchar_t kComdlg32[] = L"C:\\windows\\system32\\comdlg32.dll";
const wchar_t kWinecfg[] = L"C:\\windows\\system32\\winecfg.exe";

class ItemIconsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        ResetLauncherData();
        livePanel = &record_;
        results_ = wintest::TakeResults(record_);
        livePanel->largeImageList = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 0);
        livePanel->smallImageList = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 0);
        ASSERT_TRUE(livePanel->largeImageList && livePanel->smallImageList);
    }
    void TearDown() override
    {
        wintest::PumpUntilWorkersDone();
        DestroyWindow(results_);
        ImageList_Destroy(livePanel->largeImageList);
        ImageList_Destroy(livePanel->smallImageList);
        livePanel = nullptr;
        ResetLauncherData();
    }

    PanelRecord record_;
    HWND results_ = nullptr;  // the panel whose image lists the icons go to

    static ItemImageLists Lists() { return livePanel->ImageLists(); }
    static int LargeCount() { return ImageList_GetImageCount(livePanel->largeImageList); }
    static int SmallCount() { return ImageList_GetImageCount(livePanel->smallImageList); }

    static std::vector<uint32_t> Pixels(HIMAGELIST list, int index) { return wintest::ImagePixels(list, index); }

    // Five images: notepad, then shell32 icons 1 to 4.
    static void FillFive()
    {
        ASSERT_EQ(0, StoreItemIcon(Lists(), -1, -1, kNotepad));
        for (int i = 1; i <= 4; ++i)
            ASSERT_EQ(i, StoreItemIcon(Lists(), -1, i, kShell32));
        ASSERT_EQ(5, LargeCount());
        ASSERT_EQ(5, SmallCount());
    }
};

TEST_F(ItemIconsTest, ExtractGivesBothSizesOfARealFileAndNoneOfAMissingOne)
{
    const struct {
        const wchar_t* path;
        int index;
        bool found;
    } cases[] = {
        {kNotepad, -1, true}, {kNotepad, 0, true},  {kFolder, -1, true},
        {kShell32, 3, true},  {kMissing, -1, false}, {kMissing, 0, false}, {kNotepad, 999, false},
    };
    for (const auto& c : cases) {
        HICON large = reinterpret_cast<HICON>(1);
        HICON small = reinterpret_cast<HICON>(1);
        ExtractItemIcons(c.path, c.index, &large, &small);
        EXPECT_EQ(c.found, large != nullptr) << wintest::Narrow(c.path) << " " << c.index;
        EXPECT_EQ(c.found, small != nullptr) << wintest::Narrow(c.path) << " " << c.index;
        if (large)
            DestroyIcon(large);
        if (small)
            DestroyIcon(small);
    }
    HICON large = nullptr;
    ExtractItemIcons(kNotepad, -1, &large, nullptr);
    EXPECT_NE(nullptr, large);
    DestroyIcon(large);
}

TEST_F(ItemIconsTest, StoreAppendsToBothListsAtTheSameIndex)
{
    EXPECT_EQ(0, StoreItemIcon(Lists(), -1, -1, kNotepad));
    EXPECT_EQ(1, LargeCount());
    EXPECT_EQ(1, SmallCount());
    EXPECT_EQ(1, StoreItemIcon(Lists(), -1, 2, kShell32));
    EXPECT_EQ(2, LargeCount());
    EXPECT_EQ(2, SmallCount());
}

TEST_F(ItemIconsTest, StoreOfAMissingFileStoresNothing)
{
    FillFive();
    EXPECT_EQ(-1, StoreItemIcon(Lists(), -1, -1, kMissing));
    EXPECT_EQ(-1, StoreItemIcon(Lists(), 2, -1, kMissing));
    EXPECT_EQ(5, LargeCount());
    EXPECT_EQ(5, SmallCount());
}

TEST_F(ItemIconsTest, StoreAtAnIndexReplacesThatImageOnly)
{
    FillFive();
    std::vector<uint32_t> before2 = Pixels(livePanel->largeImageList, 2);
    std::vector<uint32_t> before4 = Pixels(livePanel->smallImageList, 4);
    EXPECT_EQ(3, StoreItemIcon(Lists(), 3, -1, kNotepad));
    EXPECT_EQ(5, LargeCount());
    EXPECT_EQ(5, SmallCount());
    EXPECT_EQ(Pixels(livePanel->largeImageList, 0), Pixels(livePanel->largeImageList, 3));
    EXPECT_EQ(Pixels(livePanel->smallImageList, 0), Pixels(livePanel->smallImageList, 3));
    EXPECT_EQ(before2, Pixels(livePanel->largeImageList, 2));
    EXPECT_EQ(before4, Pixels(livePanel->smallImageList, 4));
}

TEST_F(ItemIconsTest, StoreAtAnIndexOutsideTheListsStoresNothing)
{
    FillFive();
    EXPECT_EQ(-1, StoreItemIcon(Lists(), 5, -1, kNotepad));
    EXPECT_EQ(-1, StoreItemIcon(Lists(), 100, -1, kNotepad));
    EXPECT_EQ(-1, StoreItemIcon(Lists(), -2, -1, kNotepad));
    EXPECT_EQ(5, LargeCount());
    EXPECT_EQ(5, SmallCount());
}

TEST_F(ItemIconsTest, ReplaceItemIconReplacesInPlaceOrLeavesMinusOne)
{
    FillFive();
    AddPage();
    LauncherItem item = {};
    item.imageIndex = 4;
    item.iconIndex = 4;
    item.iconPath = kShell32;
    AddItem(0, item);
    std::vector<uint32_t> notepad = Pixels(livePanel->largeImageList, 0);

    ReplaceItemIcon(0, 0, kNotepad, -1);
    ASSERT_TRUE(wintest::PumpUntilWorkersDone());
    EXPECT_EQ(4, GetItemImageIndex(0, 0));
    EXPECT_EQ(5, LargeCount());
    EXPECT_EQ(notepad, Pixels(livePanel->largeImageList, 4));
    EXPECT_STREQ(kNotepad, GetItemIconPath(0, 0));
    EXPECT_EQ(-1, GetItemIconIndex(0, 0));

    // The item's own iconPath as the new source.
    ReplaceItemIcon(0, 0, GetItemIconPath(0, 0), 0);
    ASSERT_TRUE(wintest::PumpUntilWorkersDone());
    EXPECT_EQ(4, GetItemImageIndex(0, 0));
    EXPECT_STREQ(kNotepad, GetItemIconPath(0, 0));
    EXPECT_EQ(0, GetItemIconIndex(0, 0));

    std::vector<uint32_t> kept = Pixels(livePanel->largeImageList, 4);
    ReplaceItemIcon(0, 0, kMissing, -1);
    ASSERT_TRUE(wintest::PumpUntilWorkersDone());
    EXPECT_EQ(-1, GetItemImageIndex(0, 0));
    EXPECT_EQ(kept, Pixels(livePanel->largeImageList, 4));
    EXPECT_EQ(5, LargeCount());
    EXPECT_STREQ(kMissing, GetItemIconPath(0, 0));

    // From -1, a new slot is appended, its placeholder at once, then the icon.
    ReplaceItemIcon(0, 0, kNotepad, -1);
    EXPECT_EQ(5, GetItemImageIndex(0, 0));
    ASSERT_TRUE(wintest::PumpUntilWorkersDone());
    EXPECT_EQ(5, GetItemImageIndex(0, 0));
    EXPECT_EQ(notepad, Pixels(livePanel->largeImageList, 5));
    EXPECT_EQ(6, LargeCount());
    EXPECT_EQ(6, SmallCount());
}

// A page's icons go in as one strip per list: each image must be what one
// ImageList_ReplaceIcon per icon of separately extracted sizes gave before.
TEST_F(ItemIconsTest, AppendGivesBothListsTheImagesOfOneByOne)
{
    // Named and numbered groups, resource ids (-n), an 8-bit small image, images of
    // another size and a PNG image, which go through icon handles; no such icon; a
    // shell image shown twice.
    const IconSource sources[] = {{kNotepad, -1}, {kFolder, -1},   {kShell32, 3},      {kMissing, -1},
                                  {kShell32, 0},  {kNotepad, 0},   {kNotepad, 999},    {kShell32, 41},
                                  {kShell32, 1},  {kShell32, -4},  {kShell32, -30000}, {kMissing, 0},
                                  {kComdlg32, 6}, {kWinecfg, 1},   {kNotepad, -1}};
    const int count = sizeof sources / sizeof sources[0];
    const int expected[count] = {1, 2, 3, -1, 4, 5, -1, 6, 7, 8, -1, -1, 9, 10, 11};
    ASSERT_EQ(0, StoreItemIcon(Lists(), -1, 2, kShell32));  // a list that holds an image already
    for (const IconSource& source : sources) {
        HICON icons[2] = {};
        for (int small = 0; small < 2; ++small) {
            SHFILEINFOW info = {};
            if (source.iconIndex != -1)
                ExtractIconExW(source.iconPath, source.iconIndex, small ? nullptr : &icons[0],
                               small ? &icons[1] : nullptr, 1);
            else if (SHGetFileInfoW(source.iconPath, 0x20, &info, sizeof info, SHGFI_ICON | small))
                icons[small] = info.hIcon;
        }
        if (icons[0] && icons[1]) {
            ImageList_ReplaceIcon(livePanel->largeImageList, -1, icons[0]);
            ImageList_ReplaceIcon(livePanel->smallImageList, -1, icons[1]);
        }
        DestroyIcon(icons[0]);
        DestroyIcon(icons[1]);
    }
    ASSERT_EQ(12, LargeCount());
    std::vector<std::vector<uint32_t>> oneByOne;
    for (int i = 0; i < 12; ++i) {
        oneByOne.push_back(Pixels(livePanel->largeImageList, i));
        oneByOne.push_back(Pixels(livePanel->smallImageList, i));
    }
    ImageList_SetImageCount(livePanel->largeImageList, 1);
    ImageList_SetImageCount(livePanel->smallImageList, 1);

    int indexes[count];
    AppendItemIcons(Lists(), sources, count, indexes);
    EXPECT_EQ(12, LargeCount());
    EXPECT_EQ(12, SmallCount());
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(expected[i], indexes[i]) << i;
        if (indexes[i] >= 0) {
            EXPECT_EQ(oneByOne[2 * indexes[i]], Pixels(livePanel->largeImageList, indexes[i])) << i;
            EXPECT_EQ(oneByOne[2 * indexes[i] + 1], Pixels(livePanel->smallImageList, indexes[i])) << i;
        }
    }
}

TEST_F(ItemIconsTest, AddFileItemAppendsTheShellIcon)
{
    FillFive();
    AddPage();
    std::vector<uint32_t> notepad = Pixels(livePanel->largeImageList, 0);
    EXPECT_TRUE(AddFileItem(0, kNotepad));
    EXPECT_EQ(5, GetItemImageIndex(0, 0));
    EXPECT_EQ(6, LargeCount());
    EXPECT_EQ(6, SmallCount());
    EXPECT_STREQ(L"notepad", GetItemName(0, 0));
    // A missing file's item shows its placeholder until the worker finds no icon.
    EXPECT_TRUE(AddFileItem(0, kMissing));
    EXPECT_EQ(6, GetItemImageIndex(0, 1));
    ASSERT_TRUE(wintest::PumpUntilWorkersDone());
    EXPECT_EQ(notepad, Pixels(livePanel->largeImageList, 5));
    EXPECT_EQ(-1, GetItemImageIndex(0, 1));
    EXPECT_EQ(7, LargeCount()) << "the unused slot stays";
}

}  // namespace
