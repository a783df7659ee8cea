// The shipped adaptor as a host built by the platform's compiler sees it. This
// program is g++-built, so it holds that layout by hand: an interface pointer
// has its own table at +0 (operations counted from 0) and its virtual-base table
// at +4 ({-4, offsets of its virtual bases from there}); the host's memory,
// client and font source are laid out the same way and count every reference
// and every block.
#include <gtest/gtest.h>

#include <stdio.h>

#include "WinTest.h"

namespace {

// ---- calls through a table laid out by the platform's compiler

template <class R, class... A>
R Call(void* self, int slot, A... args)
{
    auto* table = *static_cast<void* const**>(self);
    return reinterpret_cast<R(__stdcall*)(void*, A...)>(table[slot])(self, args...);
}

const int32_t* BaseTable(void* self) { return *reinterpret_cast<const int32_t* const*>(static_cast<char*>(self) + 4); }
void* VirtualBase(void* self, int index) { return static_cast<char*>(self) + 4 + BaseTable(self)[index]; }

template <class Proc>
Proc Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// ---- host objects laid out by hand: own table, virtual-base table, base table

struct HandHost {
    int references = 0, blocks = 0, mistakes = 0;
    bool memoryExhausted = false;
    std::wstring pluginFolder;
    HFONT font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
};
HandHost* hand;

struct HandObject {
    void* const* table;
    const int32_t* bases;
    void* const* baseTable;
};
const int32_t kBases[] = {-4, 4};  // the base sub-object follows at +8

bool __stdcall HandQuery(void*, uint32_t, void** out) { return *out = nullptr, false; }
int32_t __stdcall HandAddRef(void*) { return ++hand->references; }
int32_t __stdcall HandRelease(void*)
{
    if (hand->references > 0)
        return --hand->references;
    ++hand->mistakes;
    return 0;
}
void* const kBaseTable[] = {(void*)HandQuery, (void*)HandAddRef, (void*)HandRelease};
// Operations the adaptor never calls; their arguments are unknown, so one ends the test program.
void __stdcall Unexpected(void*)
{
    fputs("the adaptor called a host operation it does not use\n", stderr);
    ExitProcess(3);
}

void* __stdcall Allocate(void*, uint32_t bytes)
{
    if (hand->memoryExhausted)
        return nullptr;
    ++hand->blocks;
    return HeapAlloc(GetProcessHeap(), 0, bytes);
}
void __stdcall Free(void*, void* block)
{
    if (block && HeapFree(GetProcessHeap(), 0, block))
        --hand->blocks;
    else
        ++hand->mistakes;
}
void* const kMemoryTable[] = {(void*)Allocate, (void*)Free};
HandObject memory = {kMemoryTable, kBases, kBaseTable};

HFONT* __stdcall GetFont(void*) { return &hand->font; }
void* kFontTable[13];
HandObject fontSource = {kFontTable, kBases, kBaseTable};

wchar_t* NewString(const std::wstring& text)
{
    auto* copy = static_cast<wchar_t*>(Allocate(nullptr, (text.size() + 1) * sizeof(wchar_t)));
    memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return copy;
}
void* __stdcall GetComponent(void*, uint32_t id, void** out)
{
    *out = id == 9 ? (HandAddRef(nullptr), &fontSource) : nullptr;
    return *out;
}
bool __stdcall GetFolder(void*, uint32_t id, wchar_t** out)
{
    const wchar_t* folders[] = {nullptr, L"C:\\Vantrel\\", hand->pluginFolder.c_str(), nullptr, nullptr, L"C:\\Users\\表示\\"};
    *out = id < 6 && folders[id] ? NewString(folders[id]) : nullptr;
    return *out != nullptr;
}
void* kClientTable[12];
HandObject client = {kClientTable, kBases, kBaseTable};

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

std::string FakeEvents()
{
    char log[4096] = {};
    GetEnvironmentVariableA("FAKE_KDX_LOG", log, sizeof log);
    return log;
}

class AdaptorLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hand = &host;
        host.pluginFolder = std::wstring(temp.path().begin(), temp.path().end()) + L"\\";
        for (void*& slot : kClientTable)
            slot = (void*)Unexpected;
        kClientTable[6] = (void*)GetComponent;
        kClientTable[10] = (void*)GetFolder;
        for (void*& slot : kFontTable)
            slot = (void*)Unexpected;
        kFontTable[12] = (void*)GetFont;
        CreateDirectoryA(temp.File("kdx").c_str(), nullptr);
        std::string program = wintest::ProgramFolder();
        CopyFileA((program + "KdxPanel.ini").c_str(), temp.File("KdxPanel.ini").c_str(), FALSE);
        CopyFileA((program + "Brevlin.vx").c_str(), temp.File("Dockmere.vx").c_str(), FALSE);
        module = LoadLibraryA(temp.File("Dockmere.vx").c_str());
        ASSERT_NE(module, nullptr);
        registerHost = Export<void (*)(void*, void*)>(GetModuleHandleA("VantrelLib.vx"), "VexRegisterHost");
        ASSERT_NE(registerHost, nullptr);
        registerHost(&client, &memory);
        base = Export<void*(__stdcall*)(uint32_t)>(module, "VPI_CreateInstance")(0);
        ASSERT_TRUE(Call<bool>(base, 0, 3u, &info));
        ASSERT_TRUE(Call<bool>(base, 0, 0x1000002u, &panel));
        ASSERT_TRUE(Call<bool>(info, 0));  // Initialize: info's own operation 0
    }
    void TearDown() override
    {
        EXPECT_EQ(Call<int32_t>(VirtualBase(info, 1), 2), 2);
        EXPECT_EQ(Call<int32_t>(VirtualBase(panel, 1), 2), 1);
        EXPECT_EQ(Call<int32_t>(base, 2), 0);  // the last Release frees the object
        registerHost(nullptr, nullptr);
        FreeLibrary(module);
        EXPECT_EQ(host.references, 0);
        EXPECT_EQ(host.blocks, 0);
        EXPECT_EQ(host.mistakes, 0);
    }
    // A host string: its text, freed through the host's memory.
    std::wstring Take(wchar_t* text)
    {
        std::wstring copy = text ? text : L"(null)";
        Free(nullptr, text);
        return copy;
    }

    wintest::TempFolder temp;
    wintest::WindowNest nest;
    HandHost host;
    HMODULE module = nullptr;
    void (*registerHost)(void*, void*) = nullptr;
    void* base = nullptr;
    void* info = nullptr;
    void* panel = nullptr;
};

TEST_F(AdaptorLayoutTest, EveryInterfaceReachesOneBaseAndAnswersThroughItsOwnTable)
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
    EXPECT_EQ(Call<int32_t>(base, 1), 5);  // the object's own, two queries, this one, and this AddRef
    EXPECT_EQ(Call<int32_t>(VirtualBase(info, 1), 2), 4);
    EXPECT_EQ(Call<int32_t>(out, 2), 3);

    wchar_t* id = nullptr;
    EXPECT_EQ(Take(Call<wchar_t*>(info, 2, &id)), L"{C46E8446-BD99-4ef6-BE49-6D3751BF28DD-Dockmere}");
    EXPECT_EQ(Call<uint32_t>(info, 3), 100u);
    wchar_t* name = nullptr;
    EXPECT_EQ(Take(Call<wchar_t*>(panel, 3, &name)), L"Dockmere");
    wchar_t* icon = nullptr;
    Call<void>(panel, 4, &icon);
    EXPECT_EQ(Take(icon), L"panel\\kdx\\Dockmere.ico");
}

TEST_F(AdaptorLayoutTest, ShippedHelpTextStandsInForAMissingPluginInTheHostsFont)
{
    HWND window = Call<HWND>(panel, 0, nest.panelParent());
    ASSERT_TRUE(IsWindow(window));
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    EXPECT_EQ(std::wstring(text).rfind(L"KDX パネルプラグインを読み込めませんでした。", 0), 0u) << text;
    EXPECT_NE(std::wstring(text).find(L"(例: kdx\\Dockmere.kdx)"), std::wstring::npos);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), host.font);
    EXPECT_EQ(host.references, 0);  // the font source was released
    EXPECT_FALSE(Call<bool>(panel, 5, 7u));
    EXPECT_TRUE(Call<bool>(panel, 1));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(AdaptorLayoutTest, HostedPluginKeepsItsTicksAndAnswersServicesInAnsi)
{
    CopyFileA((wintest::ProgramFolder() + "fake_full.kdx").c_str(), temp.File("kdx\\Dockmere.kdx").c_str(), FALSE);
    SetEnvironmentVariableA("FAKE_KDX_LOG", "");
    HWND window = Call<HWND>(panel, 0, nest.panelParent());
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(Call<bool>(panel, 5, 7u));

    // A second object read for its name and released: the panel keeps ticking.
    void* other = Export<void*(__stdcall*)(uint32_t)>(module, "VPI_CreateInstance")(0);
    EXPECT_EQ(Call<int32_t>(other, 2), 0);
    SetEnvironmentVariableA("FAKE_KDX_LOG", "");
    EXPECT_TRUE(wintest::PumpUntil([] { return FakeEvents().find("tick:1") != std::string::npos; }, 2500));

    HMODULE kdx = GetModuleHandleA(temp.File("kdx\\Dockmere.kdx").c_str());
    auto services = Export<char*(__stdcall*)()>(kdx, "FakeKdxServices")();
    ASSERT_NE(services, nullptr);
    auto service = *reinterpret_cast<int32_t(__stdcall**)(int32_t, uintptr_t, uintptr_t)>(services + 4);
    auto release = *reinterpret_cast<int32_t(__stdcall**)(void*)>(services + 16);
    int32_t version = 0;
    EXPECT_EQ(service(1, reinterpret_cast<uintptr_t>(&version), 0), 0);
    EXPECT_EQ(version, 200);
    char* folder = nullptr;
    EXPECT_EQ(service(19, 1, reinterpret_cast<uintptr_t>(&folder)), 0);
    EXPECT_STREQ(folder, "C:\\Users\\表示\\setting\\");
    EXPECT_EQ(release(folder), 1);
    EXPECT_EQ(host.blocks, 0);

    EXPECT_TRUE(Call<bool>(panel, 1));
    EXPECT_NE(FakeEvents().find("destroy:1:timer-dead;detach;"), std::string::npos) << FakeEvents();
}

TEST_F(AdaptorLayoutTest, ExhaustedHostMemoryRaisesTheAllocationFailureAndWritesNothing)
{
    // GetName on a thread of its own, which ends with the exception's code.
    host.memoryExhausted = true;
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
