// The stand-in browser's host side: which plug-ins it refuses and why, the
// answers of its services, the tick, and kdxhost.exe's exit codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "KdxHostCore.h"
#include "WinTest.h"

using namespace wintest;

namespace {

struct HostCheckState {
    int creates;
    int destroys;
    int ticks;
    int foreignTicks;
    KdxHostServices* services;
    HWND panel;
};

// Holds its own reference to a plug-in module, so its counters can be read after
// the host has unloaded it, and tells whether the host let go of its reference.
class HeldModule {
public:
    explicit HeldModule(const std::string& name) : name_(name)
    {
        module_ = LoadLibraryA((ProgramFolder() + name).c_str());
    }
    ~HeldModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    HostCheckState* state() const
    {
        using Proc = HostCheckState* (*)();
        auto proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module_, "HostCheckStateOf")));
        return proc ? proc() : nullptr;
    }
    // Drops our reference; true when no other reference kept the module loaded.
    bool ReleaseIsLast()
    {
        FreeLibrary(module_);
        module_ = nullptr;
        return GetModuleHandleA((ProgramFolder() + name_).c_str()) == nullptr;
    }
    HMODULE module() const { return module_; }

private:
    std::string name_;
    HMODULE module_ = nullptr;
};

TEST(KdxHostLoad, RefusesWithTheReasonAndUnloads)
{
    struct Case {
        const char* file;
        KdxLoadResult result;
    };
    const Case cases[] = {
        {"hostcheck_noinfo.kdx", KdxLoadResult::NoGetPluginInfo},
        {"hostcheck_noinit.kdx", KdxLoadResult::NoInitialize},
        {"hostcheck_kind0.kdx", KdxLoadResult::NotAPanel},
        {"hostcheck_kind2.kdx", KdxLoadResult::NotAPanel},
        {"hostcheck_refuses.kdx", KdxLoadResult::InitializeRefused},
        {"hostcheck_panel.kdx", KdxLoadResult::Loaded},  // info 0x0001: only the low byte counts
        {"Dockmere.kdx", KdxLoadResult::Loaded},          // info 0x6701
    };
    WindowNest nest;
    for (const Case& c : cases) {
        HeldModule held(c.file);
        ASSERT_NE(nullptr, held.module()) << c.file;
        {
            KdxPlugin plugin;
            EXPECT_EQ(c.result, plugin.Load((ProgramFolder() + c.file).c_str())) << c.file;
            if (c.result != KdxLoadResult::Loaded) {
                EXPECT_EQ(nullptr, plugin.module()) << c.file;
                EXPECT_EQ(nullptr, plugin.Create(nest.panelParent())) << c.file;
            }
        }
        if (HostCheckState* state = held.state()) {
            int calls = state->creates + state->destroys + state->ticks;
            EXPECT_EQ(0, calls) << c.file << ": an entry was called";
        }
        EXPECT_TRUE(held.ReleaseIsLast()) << c.file << ": the host kept the module loaded";
    }

    KdxPlugin missing;
    EXPECT_EQ(KdxLoadResult::NotLoadable, missing.Load((ProgramFolder() + "no-such-plugin.kdx").c_str()));
}

class KdxHostServicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetHostState();
        KdxHostState& state = HostState();
        state.tabs = {{"first", "http://a/", 11, ""}, {"second", "http://b/", 22, ""}};
        state.currentTab = 1;
        state.folders[KdxFolderSetting] = HostFolderText("C:\\some\\setting");
        services = HostServices();
        blocksBefore = state.outstandingBlocks;
    }
    void TearDown() override { ResetHostState(); }

    int32_t Call(int32_t code, uintptr_t param1, uintptr_t param2 = 0)
    {
        return services->service(code, param1, param2);
    }
    template <typename T>
    static uintptr_t Out(T* variable)
    {
        return reinterpret_cast<uintptr_t>(variable);
    }
    // Takes a returned string and gives it back with free.
    std::string Take(char* text)
    {
        std::string copy = text ? text : "(null)";
        if (text) {
            EXPECT_EQ(1, services->free(text));
        }
        return copy;
    }

    KdxHostServices* services = nullptr;
    long blocksBefore = 0;
};

TEST_F(KdxHostServicesTest, TableAndNumbers)
{
    EXPECT_EQ(kKdxHostServicesSize, services->size);
    EXPECT_EQ(services, HostServices());  // one address for every call
    EXPECT_EQ(0, services->service2(1, 2, 3));
    for (uint32_t entry : services->reserved)
        EXPECT_EQ(0u, entry);

    const int32_t sentinel = static_cast<int32_t>(0xdeadbeef);
    int32_t value = sentinel;
    EXPECT_EQ(KdxResultDone, Call(KdxServiceHostVersion, Out(&value)));
    EXPECT_EQ(200, value);
    EXPECT_EQ(KdxResultDone, Call(KdxServiceTabCount, Out(&value)));
    EXPECT_EQ(2, value);
    EXPECT_EQ(KdxResultDone, Call(KdxServiceCurrentTab, Out(&value)));
    EXPECT_EQ(1, value);

    for (int32_t code : {KdxServiceTabValue, KdxServiceTabValue2}) {
        value = sentinel;
        EXPECT_EQ(KdxResultDone, Call(code, 1, Out(&value)));
        EXPECT_EQ(22, value);
        for (int32_t index : {2, -1}) {
            value = sentinel;
            EXPECT_EQ(KdxResultNotDone, Call(code, static_cast<uintptr_t>(index), Out(&value))) << index;
            EXPECT_EQ(0, value) << "code " << code << " index " << index;
        }
    }

    // Unknown codes touch neither parameter.
    for (int32_t code : {0, 12, 20, -1}) {
        int32_t a = sentinel, b = sentinel;
        EXPECT_EQ(KdxResultUnknownCode, Call(code, Out(&a), Out(&b))) << code;
        EXPECT_EQ(sentinel, a);
        EXPECT_EQ(sentinel, b);
    }
}

TEST_F(KdxHostServicesTest, StringsAreFreshCopiesReleasedWithFree)
{
    char* const untouched = reinterpret_cast<char*>(0x1234);
    char* text = untouched;
    EXPECT_EQ(KdxResultDone, Call(KdxServiceTabText1, 0, Out(&text)));
    EXPECT_EQ("first", Take(text));
    text = untouched;
    EXPECT_EQ(KdxResultDone, Call(KdxServiceTabText2, 1, Out(&text)));
    EXPECT_EQ("http://b/", Take(text));
    for (int32_t code : {KdxServiceTabText1, KdxServiceTabText2}) {
        text = untouched;
        EXPECT_EQ(KdxResultNotDone, Call(code, 2, Out(&text)));
        EXPECT_EQ(untouched, text);
    }

    // Service 19: the setting folder ends in a backslash; others answer 1 untouched.
    text = untouched;
    EXPECT_EQ(KdxResultDone, Call(KdxServiceFolder, KdxFolderSetting, Out(&text)));
    EXPECT_EQ("C:\\some\\setting\\", Take(text));
    for (uintptr_t selector : {uintptr_t(2), uintptr_t(3), static_cast<uintptr_t>(-1)}) {
        text = untouched;
        EXPECT_EQ(KdxResultNotDone, Call(KdxServiceFolder, selector, Out(&text))) << selector;
        EXPECT_EQ(untouched, text);
    }

    void* block = services->alloc(100);
    ASSERT_NE(nullptr, block);
    memset(block, 0x5A, 100);
    EXPECT_EQ(blocksBefore + 1, HostState().outstandingBlocks);
    EXPECT_EQ(1, services->free(block));
    EXPECT_EQ(blocksBefore, HostState().outstandingBlocks);
}

TEST_F(KdxHostServicesTest, TabRangeAnswers)
{
    // Out of range: 1 for codes 4 and 6; code 16 has no range answer.
    EXPECT_EQ(KdxResultNotDone, Call(KdxServiceTabSetText, 2, reinterpret_cast<uintptr_t>("x")));
    EXPECT_EQ(KdxResultNotDone, Call(KdxServiceTabAction, 2));
    EXPECT_EQ(KdxResultDone, Call(KdxServiceTabAction2, 99));
    EXPECT_EQ(2u, HostState().tabs.size());

    // Code 17 writes the index of the tab its open produced.
    int32_t index = -5;
    EXPECT_EQ(KdxResultDone, Call(KdxServiceOpenInTab, Out(&index), reinterpret_cast<uintptr_t>("http://d/")));
    EXPECT_EQ(2, index);
    EXPECT_EQ("http://d/", HostState().tabs[2].address);

    // No current tab: code 9 answers 1 and leaves its out value.
    HostState().currentTab = -1;
    index = 77;
    EXPECT_EQ(KdxResultNotDone, Call(KdxServiceCurrentTab, Out(&index)));
    EXPECT_EQ(77, index);
}

TEST(KdxHostTick, EverySecondWithTheSameTableUntilDestroy)
{
    WindowNest nest;
    HeldModule held("hostcheck_panel.kdx");
    HostCheckState* state = held.state();
    ASSERT_NE(nullptr, state);
    {
        KdxPlugin plugin;
        ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load((ProgramFolder() + "hostcheck_panel.kdx").c_str()));
        HWND panel = plugin.Create(nest.panelParent());
        ASSERT_NE(nullptr, panel);
        EXPECT_EQ(HostServices(), state->services);
        DWORD start = GetTickCount();
        ASSERT_TRUE(PumpUntil([&] { return state->ticks >= 2; }, 5000));
        EXPECT_GE(GetTickCount() - start, 1900u) << "ticks come faster than once a second";
        EXPECT_EQ(0, state->foreignTicks);
        plugin.Destroy();
        EXPECT_EQ(1, state->destroys);
        EXPECT_FALSE(IsWindow(panel));
    }
    int ticks = state->ticks;
    Pump(1200);
    EXPECT_EQ(ticks, state->ticks) << "a tick after destroy";
    EXPECT_TRUE(held.ReleaseIsLast());
}

// Runs kdxhost.exe and returns its exit code; its stderr goes into *errors.
DWORD RunHost(const std::string& arguments, std::string* errors)
{
    TempFolder output;
    std::string errorFile = output.File("stderr.txt");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = file;
    startup.hStdOutput = file;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + ProgramFolder() + "kdxhost.exe\" " + arguments;
    DWORD code = 9999;
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        else
            TerminateProcess(process.hProcess, 9998);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(file);
    ReadFileBytes(errorFile, errors);
    return code;
}

TEST(KdxHostProgram, ExitCodesAndMessages)
{
    TempFolder settings;
    struct Case {
        const char* plugin;
        DWORD code;
        const char* message;
    };
    const Case cases[] = {
        {"no-such-plugin.kdx", 2, "could not be loaded"},
        {"hostcheck_noinfo.kdx", 3, "KDX_GetPluginInfo"},
        {"hostcheck_noinit.kdx", 4, "KDX_Initialize"},
        {"hostcheck_kind2.kdx", 5, "not report a panel"},
        {"hostcheck_refuses.kdx", 6, "refused the host"},
    };
    for (const Case& c : cases) {
        std::string errors;
        EXPECT_EQ(c.code, RunHost(std::string(c.plugin) + " \"" + settings.path() + "\" --quiet", &errors)) << c.plugin;
        EXPECT_NE(std::string::npos, errors.find(c.message)) << c.plugin << ": " << errors;
        EXPECT_NE(std::string::npos, errors.find(c.plugin)) << errors;
    }
    std::string errors;
    EXPECT_EQ(1u, RunHost("only-one-argument", &errors));
    EXPECT_NE(std::string::npos, errors.find("usage"));

    // The real panel: shown, closed by the timer, saved into the setting folder,
    // every block the host handed out given back.
    errors.clear();
    EXPECT_EQ(0u, RunHost("Dockmere.kdx \"" + settings.path() + "\" --size 400x300 --exit-after 800 --quiet", &errors));
    EXPECT_TRUE(FileExists(settings.File("Dockmere.ini")));
    EXPECT_EQ(std::string::npos, errors.find("never freed")) << errors;
}

}  // namespace
