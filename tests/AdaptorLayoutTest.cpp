// The shipped adaptor as a host built by the platform's compiler sees it, that
// layout held by hand: an interface pointer has its own table at +0 and its
// virtual-base table at +4 ({-4, offsets of its virtual bases}); the host's
// memory, client and font source are laid out alike (platform::HostBridge) and
// the scripted host behind them counts every reference and block.
#include <gtest/gtest.h>

#include "AdaptorKit.h"
#include "PlatformLayout.h"
#include "WinTest.h"

namespace {

using platform::BaseTable;
using platform::Call;
using platform::VirtualBase;

LONG CALLBACK EndThreadOnNoMemory(EXCEPTION_POINTERS* e)
{
    if (e->ExceptionRecord->ExceptionCode == STATUS_NO_MEMORY)
        ExitThread(STATUS_NO_MEMORY);
    return EXCEPTION_CONTINUE_SEARCH;
}

void* namePanel;
wchar_t* nameOut;
DWORD WINAPI AskName(void*)
{
    Call<wchar_t*>(namePanel, 3, &nameOut);
    return 0;
}

class AdaptorLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The shipped help text, and no kdx\Dockmere.kdx.
        CopyFileA((wintest::ProgramFolder() + "KdxPanel.ini").c_str(), folder.temp().File("KdxPanel.ini").c_str(),
                  FALSE);
        host.SetFolder(VexFolderPlugins, folder.root());
        bridge.Register();
        module = LoadLibraryW(folder.Install("Dockmere", "", adaptortest::kPlatformAdaptor).c_str());
        ASSERT_NE(module, nullptr);
        auto create = reinterpret_cast<void*(__stdcall*)(uint32_t)>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "VPI_CreateInstance")));
        ASSERT_NE(create, nullptr);
        base = create(0);
        ASSERT_TRUE(Call<bool>(base, 0, 3u, &info));
        ASSERT_TRUE(Call<bool>(base, 0, 0x1000002u, &panel));
        ASSERT_TRUE(Call<bool>(info, 0));  // Initialize: info's own operation 0
    }
    void TearDown() override
    {
        EXPECT_EQ(Call<int32_t>(VirtualBase(info, 1), 2), 2);
        EXPECT_EQ(Call<int32_t>(VirtualBase(panel, 1), 2), 1);
        EXPECT_EQ(Call<int32_t>(base, 2), 0);  // the last Release frees the object
        FreeLibrary(module);
        EXPECT_EQ(host.OutstandingReferences(), 0);
        EXPECT_EQ(host.OutstandingBlocks(), 0);
        EXPECT_EQ(host.Mistakes(), 0);
    }
    // A host string: its text, freed through the host's memory.
    std::wstring Take(wchar_t* text)
    {
        std::wstring copy = text ? text : L"(null)";
        host.memory()->Free(text);
        return copy;
    }

    adaptortest::PluginFolder folder;
    StandInHost host;
    platform::HostBridge bridge{host};
    wintest::WindowNest nest;
    HMODULE module = nullptr;
    void* base = nullptr;
    void* info = nullptr;
    void* panel = nullptr;
};

TEST_F(AdaptorLayoutTest, EveryInterfaceReachesOneBaseAndAnswersThroughItsOwnTableThenShowsTheHelpText)
{
    EXPECT_NE(info, base);
    EXPECT_NE(panel, base);
    for (void* pointer : {info, panel}) {
        EXPECT_EQ(BaseTable(pointer)[0], -4);
        EXPECT_EQ(VirtualBase(pointer, 1), base);
    }
    EXPECT_EQ(VirtualBase(panel, 2), info);  // VIPanel's second virtual base is VIPluginInfo

    void* out = &out;
    EXPECT_FALSE(Call<bool>(base, 0, 0x1000001u, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_TRUE(Call<bool>(VirtualBase(panel, 1), 0, 0u, &out));
    EXPECT_EQ(out, base);
    EXPECT_EQ(Call<int32_t>(out, 2), 3);  // the object's own and two queries remain

    wchar_t* id = nullptr;
    EXPECT_EQ(Take(Call<wchar_t*>(info, 2, &id)), L"{C46E8446-BD99-4ef6-BE49-6D3751BF28DD-Dockmere}");
    EXPECT_EQ(Call<uint32_t>(info, 3), 100u);
    wchar_t* name = nullptr;
    EXPECT_EQ(Take(Call<wchar_t*>(panel, 3, &name)), L"Dockmere");
    wchar_t* icon = nullptr;
    Call<void>(panel, 4, &icon);
    EXPECT_EQ(Take(icon), L"panel\\kdx\\Dockmere.ico");

    // No kdx\Dockmere.kdx: the shipped help text, in the host's font.
    HWND window = Call<HWND>(panel, 0, nest.panelParent());
    ASSERT_TRUE(IsWindow(window));
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    EXPECT_EQ(std::wstring(text).rfind(L"KDX パネルプラグインを読み込めませんでした。", 0), 0u) << text;
    EXPECT_NE(std::wstring(text).find(L"(例: kdx\\Dockmere.kdx)"), std::wstring::npos);
    // It names the files the zip ships (Dockmere.vx, Dockmere.kdx), not the adaptor's
    // own build name, and keeps clear of the pane's edges.
    EXPECT_EQ(std::wstring(text).find(L"Brevlin"), std::wstring::npos) << text;
    LRESULT margins = SendMessageW(window, EM_GETMARGINS, 0, 0);
    EXPECT_GE(LOWORD(margins), 8);
    EXPECT_GE(HIWORD(margins), 8);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), host.font());
    EXPECT_EQ(host.OutstandingReferences(), 0);  // the font source was released
    EXPECT_FALSE(Call<bool>(panel, 5, 7u));
    EXPECT_TRUE(Call<bool>(panel, 1));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(AdaptorLayoutTest, ExhaustedHostMemoryRaisesTheAllocationFailureAndWritesNothing)
{
    // GetName on a thread of its own, which ends with the exception's code.
    host.SetMemoryExhausted(true);
    namePanel = panel;
    nameOut = reinterpret_cast<wchar_t*>(0x5EED);
    PVOID handler = AddVectoredExceptionHandler(1, EndThreadOnNoMemory);
    HANDLE thread = CreateThread(nullptr, 0, AskName, nullptr, 0, nullptr);
    WaitForSingleObject(thread, 10000);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(code, static_cast<DWORD>(STATUS_NO_MEMORY));
    EXPECT_EQ(nameOut, reinterpret_cast<wchar_t*>(0x5EED));
}

}  // namespace
