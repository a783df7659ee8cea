// Files dragged in from the shell: the drop target's feedback (effect and
// highlight) and WM_DROPFILES with real HDROP blocks, real shortcuts and a real
// started program.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <memory>
#include <string>
#include <vector>

#include "panel/DropTarget.h"
#include "panel/FileDrop.h"
#include "platform/Shortcuts.h"
#include "platform/Launch.h"
#include "platform/WidePaths.h"
#include "data/LauncherData.h"
#include "ImportHook.h"
#include "LivePanel.h"
#include "PanelReader.h"
#include "ModalDriver.h"
#include "SlowFiles.h"
#include "PanelResults.h"
#include "data/SettingsFile.h"
#include "panel/Panel.h"
#include "panel/PanelRecord.h"
#include "Texts.h"
#include "WinTest.h"
#include "resource.h"

namespace {

using namespace wintest;

// Data of a drag that offers a chosen set of formats and nothing else; given a
// drop block, it hands out copies of it for CF_HDROP.
class FakeDataObject : public IDataObject {
public:
    FakeDataObject(bool hdrop, bool idList, HDROP drop = nullptr) : hdrop_(hdrop), idList_(idList), drop_(drop) {}
    ~FakeDataObject() { GlobalFree(drop_); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        ++queries;
        bool offered = (format->cfFormat == CF_HDROP && hdrop_)
                       || (format->cfFormat == RegisterClipboardFormatW(TEXT_IDLIST_FORMAT) && idList_);
        return offered && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!drop_ || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        SIZE_T size = GlobalSize(drop_);
        *medium = {};
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = GlobalAlloc(GMEM_MOVEABLE, size);
        memcpy(GlobalLock(medium->hGlobal), GlobalLock(drop_), size);
        GlobalUnlock(drop_);
        GlobalUnlock(medium->hGlobal);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

    int queries = 0;

private:
    bool hdrop_;
    bool idList_;
    HDROP drop_;
    ULONG refs_ = 1;
};

// A real drop block as the shell hands it over: DROPFILES, then the ANSI paths.
HDROP MakeDrop(const std::vector<std::string>& paths)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths)
        size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    char* text = reinterpret_cast<char*>(header + 1);
    for (const std::string& path : paths) {
        memcpy(text, path.c_str(), path.size() + 1);
        text += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// The same block with one UTF-16 path (fWide), as Wine's X11 driver builds it.
HDROP MakeWideDrop(const std::wstring& path)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + (path.size() + 2) * sizeof(WCHAR));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    memcpy(header + 1, path.c_str(), path.size() * sizeof(WCHAR));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

bool MakeShortcut(const std::string& linkPath, const std::string& target, const char* arguments = "",
                  const char* workDir = "", const char* iconPath = "", int iconIndex = 0)
{
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool saved = false;
    if (SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetArguments(arguments))
        && SUCCEEDED(link->SetWorkingDirectory(workDir))
        && (!*iconPath || SUCCEEDED(link->SetIconLocation(iconPath, iconIndex)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
            saved = SUCCEEDED(file->Save(wide, TRUE));
            file->Release();
        }
    }
    link->Release();
    return saved;
}

Settings ThreeItems()
{
    Settings setup;
    setup.pages.push_back(SettingsPage{"ページ &1", {PlacedItem("a", 10, 10), PlacedItem("b", 90, 10), PlacedItem("c", 170, 10)}});
    setup.pages.push_back(SettingsPage{"ページ &2", {}});
    return setup;
}

class FileDropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Linked into the test program, the module entry that registers the
        // format does not run.
        RegisterIdListFormat();
        CoInitialize(nullptr);
        panel_.reset(new LivePanel(ThreeItems()));
        list_ = panel_->list();
        ASSERT_EQ(3, ListCount(list_));
        target_ = reinterpret_cast<IDropTarget*>(livePanel->dropTarget);
        ASSERT_NE(nullptr, target_);
    }

    void TearDown() override
    {
        panel_.reset();
        CoUninitialize();
    }

    void CursorOnItem(int index)
    {
        POINT at = ListItemCenter(list_, index);
        SetCursorPos(at.x, at.y);
    }

    void CursorOnEmptySpace()
    {
        RECT client;
        GetClientRect(list_, &client);
        POINT at = ClientToScreenPoint(list_, POINT{client.right - 8, client.bottom - 8});
        SetCursorPos(at.x, at.y);
    }

    // Just below the last item, shown: a drop there adds its files after every item.
    void CursorBelowTheItems()
    {
        int count = ListCount(list_);
        RECT last = {LVIR_BOUNDS, 0, 0, 0};
        POINT at = {4, 4};
        if (count > 0) {
            SendMessageW(list_, LVM_ENSUREVISIBLE, count - 1, FALSE);
            if (SendMessageW(list_, LVM_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last)))
                at = POINT{last.left + 1, last.bottom + 1};
        }
        at = ClientToScreenPoint(list_, at);
        SetCursorPos(at.x, at.y);
    }

    std::vector<int> Highlighted()
    {
        std::vector<int> items;
        for (int i = 0; i < ListCount(list_); ++i)
            if (ListState(list_, i, LVIS_DROPHILITED))
                items.push_back(i);
        return items;
    }

    // The files as the platform's WM_DROPFILES, or dragged onto the panel through
    // its drop target, the message loop then run until the page has a new item.
    // `allowed`: what the drag source allows, which OLE passes in each time.
    void Drop(const std::vector<std::string>& paths, bool dragged = false,
              DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_LINK, DWORD chosen = DROPEFFECT_COPY)
    {
        if (!dragged) {
            SendMessageA(panel_->window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
            PumpUntilWorkersDone();
            return;
        }
        FakeDataObject data(true, false, MakeDrop(paths));
        DWORD effect = allowed;
        target_->DragEnter(&data, MK_LBUTTON, POINTL{0, 0}, &effect);
        effect = allowed;
        target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
        EXPECT_EQ(chosen, effect);
        int items = GetItemCount(0);
        effect = allowed;
        EXPECT_EQ(S_OK, target_->Drop(&data, 0, POINTL{0, 0}, &effect));
        EXPECT_EQ(chosen, effect);
        PumpUntil([&] { return GetItemCount(0) > items; }, 3000);
    }

    std::unique_ptr<LivePanel> panel_;
    HWND list_ = nullptr;
    IDropTarget* target_ = nullptr;
    TempFolder files_;
};

TEST_F(FileDropTest, EffectFollowsTheOfferedFormats)
{
    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    struct Case {
        const char* title;
        bool hdrop;
        bool idList;
        DWORD allowed;  // by the drag source
        DWORD effect;
    };
    const Case cases[] = {
        {"files", true, false, all, DROPEFFECT_COPY},
        {"shell item list", false, true, all, DROPEFFECT_LINK},
        {"both: copy wins", true, true, all, DROPEFFECT_COPY},
        {"neither", false, false, all, DROPEFFECT_NONE},
        {"files, source allows link only", true, false, DROPEFFECT_LINK, DROPEFFECT_LINK},
        {"files, source allows move and link", true, false, DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_LINK},
        {"files, source allows move only", true, false, DROPEFFECT_MOVE, DROPEFFECT_MOVE},
        {"files, source allows nothing", true, false, DROPEFFECT_NONE, DROPEFFECT_NONE},
    };
    CursorOnEmptySpace();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        FakeDataObject data(c.hdrop, c.idList);
        DWORD effect = c.allowed;
        EXPECT_EQ(S_OK, target_->DragEnter(&data, MK_LBUTTON, POINTL{0, 0}, &effect));
        EXPECT_EQ(c.effect, effect);
        EXPECT_EQ(2, data.queries);

        // DragOver answers from what DragEnter learnt, without asking the data again.
        effect = c.allowed;
        EXPECT_EQ(S_OK, target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect));
        EXPECT_EQ(c.effect, effect);
        EXPECT_EQ(2, data.queries);
        EXPECT_EQ(S_OK, target_->DragLeave());
    }
}

TEST_F(FileDropTest, HighlightFollowsTheCursorAndEndsWithTheDrag)
{
    FakeDataObject files(true, false);
    DWORD effect = DROPEFFECT_COPY;
    target_->DragEnter(&files, MK_LBUTTON, POINTL{0, 0}, &effect);

    CursorOnItem(1);
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_EQ(std::vector<int>{1}, Highlighted());

    CursorOnItem(2);
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_EQ(std::vector<int>{2}, Highlighted());

    CursorOnEmptySpace();
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_TRUE(Highlighted().empty());

    CursorOnItem(0);
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_EQ(std::vector<int>{0}, Highlighted());
    target_->DragLeave();
    EXPECT_TRUE(Highlighted().empty());

    // A drag that ends with a drop leaves no highlight behind either; data that
    // cannot give its files reports no effect and adds nothing.
    target_->DragEnter(&files, MK_LBUTTON, POINTL{0, 0}, &effect);
    CursorOnItem(1);
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    ASSERT_EQ(std::vector<int>{1}, Highlighted());
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, target_->Drop(&files, 0, POINTL{0, 0}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    EXPECT_TRUE(Highlighted().empty());
    EXPECT_EQ(3, ListCount(list_));

    // A shell item list alone is linked, but no item is offered as a target.
    FakeDataObject idList(false, true);
    target_->DragEnter(&idList, MK_LBUTTON, POINTL{0, 0}, &effect);
    CursorOnItem(1);
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_LINK), effect);
    EXPECT_TRUE(Highlighted().empty());
    target_->DragLeave();
}

// Files held over another page's tab show that page after a moment, so they can be
// dropped onto it; a cursor that moves on before then, or data without files, shows
// nothing.
TEST_F(FileDropTest, FilesHeldOverATabShowItsPageAndLandThere)
{
    const std::string file = files_.File("held.txt");
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    HWND tabs = panel_->tabs();
    auto over = [&](int tab) {
        POINT at = TabCenter(tabs, tab);
        SetCursorPos(at.x, at.y);
    };
    FakeDataObject names(false, true);
    DWORD effect = DROPEFFECT_LINK;
    target_->DragEnter(&names, MK_LBUTTON, POINTL{0, 0}, &effect);
    over(1);
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    Pump(DRAG_HOVER_DELAY + 300);
    EXPECT_EQ(0, GetCurrentPage()) << "no files, no page change";
    target_->DragLeave();

    FakeDataObject data(true, false, MakeDrop({file}));
    effect = DROPEFFECT_COPY;
    target_->DragEnter(&data, MK_LBUTTON, POINTL{0, 0}, &effect);
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    Pump(DRAG_HOVER_DELAY / 2);
    CursorOnEmptySpace();
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    Pump(DRAG_HOVER_DELAY + 300);
    EXPECT_EQ(0, GetCurrentPage()) << "the cursor left the tab before the delay";

    over(1);
    target_->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    PumpUntil([&] { return GetCurrentPage() == 1; }, DRAG_HOVER_DELAY * 4);
    ASSERT_EQ(1, GetCurrentPage());
    EXPECT_EQ(1, TabCtrl_GetCurSel(tabs));
    EXPECT_EQ(0, ListCount(list_));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, target_->Drop(&data, 0, POINTL{0, 0}, &effect));
    PumpUntil([&] { return GetItemCount(1) == 1; }, 3000);
    EXPECT_EQ(1, GetItemCount(1));
    EXPECT_EQ(3, GetItemCount(0));
}

TEST_F(FileDropTest, QueryInterfaceAnswersDropTargetAndUnknownOnly)
{
    void* out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(E_NOINTERFACE, target_->QueryInterface(IID_IDataObject, &out));
    EXPECT_EQ(nullptr, out);
    for (REFIID iid : {IID_IDropTarget, IID_IUnknown}) {
        out = nullptr;
        ASSERT_EQ(S_OK, target_->QueryInterface(iid, &out));
        EXPECT_EQ(static_cast<void*>(target_), out);
        static_cast<IUnknown*>(out)->Release();
    }
}

TEST_F(FileDropTest, DestroyingThePanelReleasesTheLastReference)
{
    // Ours is the only reference left once the panel has revoked the
    // registration and dropped its own.
    target_->AddRef();
    panel_->Destroy();
    EXPECT_EQ(nullptr, livePanel);  // the drop target went with the panel's record
    EXPECT_EQ(0u, target_->Release());
}

TEST_F(FileDropTest, DroppedFilesComeInTheDropsOrderFromWhereTheyAreDropped)
{
    std::string program = files_.File("Calc.exe");
    ASSERT_TRUE(CopyFileA("C:\\windows\\notepad.exe", program.c_str(), FALSE));
    std::string second = files_.File("second.txt");
    std::string third = files_.File("third.txt");
    ASSERT_TRUE(WriteFileBytes(second, "2"));
    ASSERT_TRUE(WriteFileBytes(third, "3"));

    struct Case {
        const char* title;
        std::vector<std::string> paths;
        bool dragged;  // through the drop target, as a drag from the shell ends on Windows
        DWORD allowed;
        DWORD chosen;
    };
    const DWORD copyLink = DROPEFFECT_COPY | DROPEFFECT_LINK;
    const Case cases[] = {{"one file", {program}, false, copyLink, DROPEFFECT_COPY},
                          {"three files", {program, second, third}, false, copyLink, DROPEFFECT_COPY},
                          {"three files dragged onto the panel", {program, third, second}, true, copyLink,
                           DROPEFFECT_COPY},
                          {"dragged from a source that allows only link", {program}, true, DROPEFFECT_LINK,
                           DROPEFFECT_LINK}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        int items = GetItemCount(0);
        int images = ImageList_GetImageCount(livePanel->largeImageList);
        CursorOnEmptySpace();
        ModalDriver driver(3000);

        Drop(c.paths, c.dragged, c.allowed, c.chosen);
        const int n = static_cast<int>(c.paths.size());
        PumpUntil([&] { return GetItemCount(0) >= items + n; }, 5000);

        EXPECT_EQ(0, driver.unexpected()) << "an ordinary file asks nothing";
        ASSERT_EQ(items + n, GetItemCount(0));
        const LauncherItem& item = GetItem(0, items);
        EXPECT_EQ(wintest::Wide("Calc"), std::wstring(item.name));
        EXPECT_EQ(Wide(program), item.path);
        EXPECT_EQ(Wide(program), item.iconPath);
        EXPECT_EQ(Wide(files_.path() + "\\"), item.workDir);
        EXPECT_EQ(wintest::Wide(""), std::wstring(item.parameter));
        EXPECT_EQ(-1, item.iconIndex);
        EXPECT_EQ(-1, item.posX);
        EXPECT_EQ(-1, item.posY);
        EXPECT_EQ(images, item.imageIndex) << "the file's shell icon is appended";
        EXPECT_EQ(images + n, ImageList_GetImageCount(livePanel->largeImageList));
        EXPECT_EQ(images + n, ImageList_GetImageCount(livePanel->smallImageList));
        for (int f = 0; f < n; ++f)
            EXPECT_EQ(Wide(c.paths[f]), GetItem(0, items + f).path) << "in the drop's order";

        ASSERT_EQ(items + n, ListCount(list_));
        EXPECT_EQ("Calc", ListText(list_, items));
        EXPECT_EQ(images, ListImage(list_, items));
    }

    // Two drops posted at once: their items come in the order the drops were made.
    int items = GetItemCount(0);
    for (const std::vector<std::string>& paths : {std::vector<std::string>{third, second}, {program}})
        PostMessageA(panel_->window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
    ASSERT_TRUE(PumpUntil([&] { return GetItemCount(0) == items + 3; }, 5000));
    EXPECT_EQ("third second Calc",
              ListText(list_, items) + " " + ListText(list_, items + 1) + " " + ListText(list_, items + 2));

    // Dropped beside the second item, off its icon and label: the files go there, in order.
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    ASSERT_TRUE(SendMessageW(list_, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&bounds)));
    POINT beside = ClientToScreenPoint(list_, POINT{bounds.left + 1, bounds.top + 1});
    SetCursorPos(beside.x, beside.y);
    items = GetItemCount(0);
    Drop({third, program});
    ASSERT_TRUE(PumpUntil([&] { return GetItemCount(0) == items + 2; }, 5000));
    EXPECT_EQ(Wide(third), GetItem(0, 1).path);
    EXPECT_EQ("third Calc", ListText(list_, 1) + " " + ListText(list_, 2));
}

TEST_F(FileDropTest, ShortcutQuestionDecidesWhatIsAdded)
{
    std::string target = files_.File("Target Tool.exe");
    ASSERT_TRUE(CopyFileA("C:\\windows\\notepad.exe", target.c_str(), FALSE));
    std::string shortcut = files_.File("メモ帳 (引数).lnk");
    ASSERT_TRUE(MakeShortcut(shortcut, target, "--profile-directory=Work \"two words\"", "C:\\windows",
                             "C:\\windows\\system32\\shell32.dll", 3));
    // A target that is gone is never stored in the shortcut's place.
    std::string goneTarget = files_.File("Gone Tool.exe");
    ASSERT_TRUE(CopyFileA("C:\\windows\\notepad.exe", goneTarget.c_str(), FALSE));
    std::string gone = files_.File("Gone.lnk");
    ASSERT_TRUE(MakeShortcut(gone, goneTarget, "-x"));
    ASSERT_TRUE(DeleteFileA(goneTarget.c_str()));

    struct Case {
        const char* title;
        std::string link;
        int answer;
        bool added;
        std::string name;
        std::string path;
        std::string parameter;
        std::string workDir;
        std::string iconPath;
        int iconIndex;
    };
    const std::string folder = files_.path() + "\\";
    const Case cases[] = {
        {"Yes adds the target as the shortcut starts it, by its name", shortcut, IDYES, true, "メモ帳 (引数)", target,
         "--profile-directory=Work \"two words\"", "C:\\windows", "C:\\windows\\system32\\shell32.dll", 3},
        {"Yes to a shortcut whose target is gone adds the shortcut", gone, IDYES, true, "Gone", gone, "", folder,
         gone, -1},
        {"No adds the shortcut itself", shortcut, IDNO, true, "メモ帳 (引数)", shortcut, "", folder, shortcut, -1},
        {"Cancel adds nothing", shortcut, IDCANCEL, false, "", "", "", "", "", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        int items = GetItemCount(0);
        std::string caption, text;
        UINT buttons = 0;
        ModalDriver driver;
        driver.Then([&](HWND box) {
            caption = WindowText(box);
            text = ItemText(box, 0xFFFF);
            buttons = (GetDlgItem(box, IDYES) ? 1 : 0) + (GetDlgItem(box, IDNO) ? 2 : 0)
                      + (GetDlgItem(box, IDCANCEL) ? 4 : 0);
            PostCommand(box, c.answer);
        });
        CursorOnEmptySpace();

        Drop({c.link});

        EXPECT_EQ(1, driver.answered());
        EXPECT_EQ(0, driver.unexpected());
        EXPECT_EQ(wintest::Narrow(TEXT_CAPTION), caption);
        EXPECT_EQ(wintest::Narrow(TEXT_ASK_SHORTCUT_TARGET), text);
        EXPECT_EQ(7u, buttons) << "Yes, No and Cancel";
        if (!c.added) {
            EXPECT_EQ(items, GetItemCount(0));
            EXPECT_EQ(items, ListCount(list_));
            continue;
        }
        ASSERT_EQ(items + 1, GetItemCount(0));
        const LauncherItem& item = GetItem(0, items);
        EXPECT_EQ(Wide(c.name), item.name);
        EXPECT_EQ(0, lstrcmpiW(Wide(c.path).c_str(), item.path.c_str())) << Narrow(item.path);
        EXPECT_EQ(Wide(c.parameter), item.parameter);
        EXPECT_EQ(0, lstrcmpiW(Wide(c.workDir).c_str(), item.workDir.c_str())) << Narrow(item.workDir);
        EXPECT_EQ(0, lstrcmpiW(Wide(c.iconPath).c_str(), item.iconPath.c_str())) << Narrow(item.iconPath);
        EXPECT_EQ(c.iconIndex, item.iconIndex);
        EXPECT_NE(-1, item.imageIndex);
        EXPECT_EQ(c.name, ListText(list_, items));
    }

}

TEST(ResolveShortcutTest, OnlyLoadableLinksResolve)
{
    // On a thread of the multithreaded apartment too, whose initialisation stays.
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    TempFolder folder;
    std::string target = folder.File("tool.exe");
    ASSERT_TRUE(CopyFileA("C:\\windows\\notepad.exe", target.c_str(), FALSE));
    std::string link = folder.File("tool.lnk");
    ASSERT_TRUE(MakeShortcut(link, target));
    std::string fake = folder.File("fake.lnk");
    ASSERT_TRUE(WriteFileBytes(fake, "not a shell link"));

    ShortcutTarget resolved;
    EXPECT_TRUE(ResolveShortcut(Wide(link).c_str(), &resolved));
    EXPECT_EQ(0, lstrcmpiW(Wide(target).c_str(), resolved.path.c_str())) << Narrow(resolved.path);

    EXPECT_FALSE(ResolveShortcut(Wide(fake).c_str(), &resolved));
    EXPECT_EQ(wintest::Wide(""), std::wstring(resolved.path));
    EXPECT_FALSE(ResolveShortcut(Wide(target).c_str(), &resolved));
    EXPECT_FALSE(ResolveShortcut(Wide(folder.File("missing.lnk")).c_str(), &resolved));
    EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitialize(nullptr)) << "the thread's own initialisation was ended";
    CoUninitialize();
}

TEST_F(FileDropTest, FileDroppedOnAnItemStartsItWithTheQuotedPath)
{
    // The item is the launch probe, which writes down how it was started.
    std::string probe = files_.File("probe.exe");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "LaunchProbe.exe").c_str(), probe.c_str(), FALSE));
    std::string output = files_.File("probe-output.txt");
    SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", output.c_str());
    SetItemPath(0, 1, Wide(probe).c_str());
    SetItemParameter(0, 1, L"--own-parameters");
    std::string dropped = files_.File("dropped file.txt");
    ASSERT_TRUE(WriteFileBytes(dropped, "x"));
    int items = GetItemCount(0);

    CursorOnItem(1);
    Drop({dropped});

    EXPECT_EQ(items, GetItemCount(0)) << "a drop on an item adds nothing";
    ASSERT_TRUE(PumpUntil([&] { return FileExists(output); }, 15000)) << "the item was not started";
    std::string report;
    ASSERT_TRUE(ReadFileBytes(output, &report));
    std::string commandLine = report.substr(0, report.find('\n'));
    while (!commandLine.empty() && (commandLine.back() == ' ' || commandLine.back() == '\r'))
        commandLine.pop_back();
    std::string quoted = "\"" + dropped + "\"";
    ASSERT_GE(commandLine.size(), quoted.size());
    EXPECT_EQ(quoted, commandLine.substr(commandLine.size() - quoted.size())) << commandLine;
    EXPECT_EQ(std::string::npos, commandLine.find("--own-parameters")) << commandLine;
    SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", nullptr);
}

// The module's imports of GetShortPathNameW answer as a volume without short
// names does (NTFS data volumes of Windows 10 and 11, exFAT, ReFS, many shares):
// with the long path again.
DWORD WINAPI NoShortNames(LPCWSTR path, LPWSTR out, DWORD size)
{
    DWORD length = lstrlenW(path);
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (length >= size)
        return length + 1;
    lstrcpyW(out, path);
    return length;
}

std::wstring Utf8Line(const std::string& report)
{
    std::string line = report.substr(0, report.find('\n'));
    std::wstring wide(line.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    return wide;
}

// Files named outside code page 932, in a folder named outside it too, dropped as
// wide HDROPs (sent, and posted after the drop target turned the data down, as
// Wine's X11 driver does): with short names and without, each item holds and
// shows its exact name, starts with its exact long path (a document through its
// own extension), and the settings file, read by the profile functions, is CP932
// throughout and names the same file or none.
TEST_F(FileDropTest, ExactNamesAreShownAndStartedWithAndWithoutShortNames)
{
    const std::wstring folder = Wide(files_.path()) + L"\\資料〜2024";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << "no UTF-8 locale (scripts/install-deps.sh)";
    const std::wstring probeSource = Wide(ProgramFolder() + "LaunchProbe.exe");
    const wchar_t* const programs[] = {L"ツール〜改.exe", L"Café.exe", L"Pokémon.exe", L"한글.exe",
                                       L"简体中文.exe", L"🚀Launch.exe", L"𠮷野家.exe", L"tool.exe"};
    // A document type of its own, opened by the probe: it starts only through its
    // real extension (a short name cuts ".mkrdoc" to ".MKR").
    const std::wstring document = folder + L"\\メモ〜.mkrdoc";
    HANDLE created = CreateFileW(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, created);
    CloseHandle(created);
    const std::wstring command = L"\"" + probeSource + L"\" \"%1\"";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(HKEY_CLASSES_ROOT, L".mkrdoc", REG_SZ, L"DockmereTestDoc", 0));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(HKEY_CLASSES_ROOT, L"DockmereTestDoc\\shell\\open\\command",
                                          REG_SZ, command.c_str(), 0));
    std::vector<std::wstring> files;
    for (const wchar_t* program : programs) {
        files.push_back(folder + L"\\" + program);
        ASSERT_TRUE(CopyFileW(probeSource.c_str(), files.back().c_str(), FALSE)) << Narrow(program);
    }
    files.push_back(document);

    std::string output = files_.File("probe-output.txt"), report;
    SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", output.c_str());
    CursorOnEmptySpace();
    for (bool shortNames : {true, false}) {
        std::unique_ptr<ImportHook> hook;
        if (!shortNames) {
            hook.reset(new ImportHook("KERNEL32.dll", "GetShortPathNameW", reinterpret_cast<void*>(NoShortNames)));
            ASSERT_TRUE(hook->installed());
        }
        for (size_t f = 0; f < files.size(); ++f) {
            const std::wstring& file = files[f];
            SCOPED_TRACE(Narrow(file) + (shortNames ? " with short names" : " without short names"));
            int n = GetItemCount(0);
            CursorBelowTheItems();
            bool throughTarget = f % 2 == 1;
            if (throughTarget) {
                FakeDataObject none(true, false);
                DWORD effect = DROPEFFECT_COPY;
                target_->DragEnter(&none, MK_LBUTTON, POINTL{0, 0}, &effect);
                target_->Drop(&none, 0, POINTL{0, 0}, &effect);
                PostMessageW(panel_->window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeWideDrop(file)), 0);
                PumpUntil([&] { return GetItemCount(0) > n; });
            } else {
                SendMessageW(panel_->window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeWideDrop(file)), 0);
                PumpUntilWorkersDone();
            }
            ASSERT_EQ(n + 1, GetItemCount(0));
            const LauncherItem& item = GetItem(0, n);
            std::wstring title = file.substr(folder.size() + 1);
            EXPECT_EQ(file, item.path);
            EXPECT_EQ(folder + L"\\", item.workDir);
            EXPECT_EQ(title.substr(0, title.rfind(L'.')), item.name);
            EXPECT_EQ(item.name, ListTextW(list_, n)) << "shown exactly";

            DeleteFileA(output.c_str());
            ModalDriver driver(3000);  // a failed start's message is closed and counted
            LaunchItem(nullptr, 0, n, nullptr);
            ASSERT_TRUE(PumpUntil([&] { return ReadFileBytes(output, &report); }, 15000)) << "not started";
            PumpUntilWorkersDone();
            EXPECT_EQ(0, driver.unexpected()) << "the start failed";
            std::wstring commandLine = Utf8Line(report);
            // A program sees its own exact path first; the document is the probe's argument.
            EXPECT_NE(std::wstring::npos, commandLine.find(file)) << Narrow(commandLine);
        }
        SaveSettings();
        std::string bytes;
        ASSERT_TRUE(ReadFileBytes(Narrow(launcherData.iniPath), &bytes));
        EXPECT_GT(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0), 0) << "the whole file is CP932";
        for (int i = 0; i < GetItemCount(0); ++i) {
            std::string section = "Page1:Item" + std::to_string(i + 1);
            std::string path = ProfileText(Narrow(launcherData.iniPath), section, "Path");
            DWORD attributes = GetFileAttributesA(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES)
                continue;  // names no file: fine
            WCHAR longForm[MAX_PATH] = {};
            GetLongPathNameW(Wide(path).c_str(), longForm, MAX_PATH);
            EXPECT_EQ(0, lstrcmpiW(GetItem(0, i).path.c_str(), longForm)) << path << " names another file";
        }
    }
    SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", nullptr);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"DockmereTestDoc");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".mkrdoc");
}

// An older version's file, which named files outside CP932 by their short names:
// once loaded, items take the long forms (a name that was the short title too),
// but not one removed or edited meanwhile; the save keeps the short form as the
// key's fallback. A load with nothing short changes nothing.
TEST_F(FileDropTest, ShortPathsOfAnOlderVersionTakeTheirLongFormsAfterTheLoad)
{
    const std::wstring folder = Wide(files_.path()) + L"\\資料〜2024", file = folder + L"\\Café 한.txt";
    const std::wstring tilde = Wide(files_.File("tool~1.txt"));  // a real name of the short names' shape
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << "no UTF-8 locale (scripts/install-deps.sh)";
    for (const std::wstring& name : {file, tilde})
        CloseHandle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    WCHAR shortFile[MAX_PATH] = {}, shortFolder[MAX_PATH] = {};
    GetShortPathNameW(folder.c_str(), shortFolder, MAX_PATH);
    ASSERT_NE(0u, GetShortPathNameW(file.c_str(), shortFile, MAX_PATH));
    const std::string oldPath = Narrow(shortFile), oldFolder = Narrow(shortFolder) + "\\";
    Settings old;
    old.pages.push_back(SettingsPage{"ページ &1", {{"removed", oldPath}, {Narrow(TitleOfPath(shortFile)), oldPath, -1, -1, -1, oldFolder},
                                                   {"自作", oldPath}, {"edited", oldPath}, {"tool~1", Narrow(tilde)}}});
    panel_.reset();
    SlowFiles slow(GetModuleHandleW(nullptr));
    slow.Hold(shortFolder);
    panel_.reset(new LivePanel(old));
    list_ = panel_->list();
    ASSERT_TRUE(slow.WaitForBlocked(shortFolder, 1));
    SelectListItem(list_, 0);
    SendMessageW(panel_->window(), WM_COMMAND, IDM_DELETE, 0);
    SetItemPath(0, 2, L"C:\\edited.exe");
    slow.Release(shortFolder);
    ASSERT_TRUE(PumpUntilWorkersDone());
    ASSERT_EQ(4, GetItemCount(0));
    const std::wstring names[] = {L"Café 한", L"自作", L"edited", L"tool~1"}, paths[] = {file, file, L"C:\\edited.exe", tilde};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(paths[i], GetItem(0, i).path) << i;
        EXPECT_EQ(i == 3 ? tilde : file, GetItem(0, i).iconPath) << i;
        EXPECT_EQ(names[i], ListTextW(list_, i)) << i;
    }
    EXPECT_EQ(folder + L"\\", GetItem(0, 0).workDir);
    ASSERT_TRUE(SaveSettings());
    const std::string ini = Narrow(launcherData.iniPath);
    for (const char* key : {"Path", "IconPath"})
        EXPECT_EQ(oldPath, ProfileText(ini, "Page1:Item1", key)) << key;
    EXPECT_EQ(oldFolder, ProfileText(ini, "Page1:Item1", "WorkDir"));
    EXPECT_NE(std::string::npos, ProfileText(ini, "Page1:Item1", "PathW").find("Caf`00E9 `D55C.txt"));

    Settings real;
    real.pages.push_back(SettingsPage{"ページ &1", {{"tool~1", Narrow(tilde)}}});
    panel_.reset();
    panel_.reset(new LivePanel(real));
    ASSERT_TRUE(PumpUntilWorkersDone());
    EXPECT_FALSE(livePanel->changedSinceLoad);
}

TEST_F(FileDropTest, EmptyOrOverfullDropsLoseNothingUntold)
{
    int items = GetItemCount(0);
    CursorOnEmptySpace();
    Drop({});
    EXPECT_EQ(items, GetItemCount(0));
    EXPECT_EQ(items, ListCount(list_));

    // Past the bound the first files are added and one message says how many were
    // not; with one place left one file is added and the limit told once.
    std::vector<std::string> many, texts;
    for (unsigned i = 0; i < kMaxDropFiles + 3; ++i)
        many.push_back(files_.File("f" + std::to_string(i) + ".txt"));  // need not exist
    ModalDriver driver;
    for (int i = 0; i < 2; ++i)
        driver.Then([&](HWND box) { texts.push_back(ItemText(box, 0xFFFF)); PostCommand(box, IDOK); });
    Drop(many);
    EXPECT_EQ(items + static_cast<int>(kMaxDropFiles), GetItemCount(0));
    while (GetItemCountInAll() < kItemLimit - 1)
        launcherData.pages[1].items.push_back(GetItem(0, 0));
    Drop({many[0], many[1], many[2]});
    launcherData.pages[1].items.clear();
    EXPECT_EQ(items + static_cast<int>(kMaxDropFiles) + 1, GetItemCount(0));
    EXPECT_EQ((std::vector<std::string>{Narrow(FillTextFormat(TEXT_DROP_BEYOND_BOUND_FORMAT, L"3", kMaxDropFiles)),
                                        Narrow(TEXT_TOO_MANY_ITEMS)}),
              texts);
    EXPECT_EQ(0, driver.unexpected());
}

}  // namespace
