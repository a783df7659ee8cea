// The worker lanes that keep an item's file off the host's thread, with files
// held by SlowFiles in this program's own imports (the tasks' GetFileAttributesW),
// and the module's allocation failure, seen through the shipped Dockmere.kdx.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "KdxHostCore.h"
#include "ModalDriver.h"
#include "ModuleImports.h"
#include "SlowFiles.h"
#include "WinTest.h"
#include "platform/Workers.h"

using namespace wintest;

namespace {

constexpr UINT kResultMessage = WM_APP + 7;
constexpr DWORD kWait = 20000;

// One task's context; the test owns it, the workers only mark it.
struct Probe {
    int id;
    std::wstring path;
    volatile LONG ran;
    volatile LONG released;
    volatile LONG sawCancel;
};

void RunProbe(void* context, const volatile LONG* cancelled)
{
    Probe* probe = static_cast<Probe*>(context);
    GetFileAttributesW(probe->path.c_str());
    InterlockedExchange(&probe->sawCancel, *cancelled);
    InterlockedIncrement(&probe->ran);
}

void ReleaseProbe(void* context)
{
    InterlockedIncrement(&static_cast<Probe*>(context)->released);
}

std::vector<int> delivered;  // the ids of results that reached the window, in order

LRESULT CALLBACK ResultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kResultMessage) {
        delivered.push_back(reinterpret_cast<Probe*>(lParam)->id);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class Workers : public ::testing::Test {
protected:
    void SetUp() override
    {
        delivered.clear();
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = ResultWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"WorkersTestResults";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, windowClass.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
        slow = std::make_unique<SlowFiles>(GetModuleHandleW(nullptr));
    }
    void TearDown() override
    {
        ShutdownWorkers();
        slow.reset();  // wakes whatever still waits
        EXPECT_TRUE(WorkersEnd());
        DestroyWindow(window);
    }

    Probe* NewProbe(const std::wstring& path)
    {
        probes.push_back(std::make_unique<Probe>(Probe{static_cast<int>(probes.size()), path, 0, 0, 0}));
        return probes.back().get();
    }
    bool Submit(Probe* probe, DWORD generation)
    {
        return SubmitWorkerTask(probe->path.c_str(),
                                WorkerTask{RunProbe, ReleaseProbe, probe, window, kResultMessage, generation});
    }
    static bool Delivered(size_t count)
    {
        return PumpUntil([count] { return delivered.size() >= count; }, kWait);
    }
    static bool WorkersEnd()
    {
        return PumpUntil([] { return RunningWorkerCount() == 0; }, kWait);
    }

    HWND window = nullptr;
    std::unique_ptr<SlowFiles> slow;
    std::vector<std::unique_ptr<Probe>> probes;
    DWORD generation = NewWorkerGeneration();
};

}  // namespace

TEST(WorkerLanes, OneLanePerVolumeOrShare)
{
    const struct {
        const wchar_t* path;
        const wchar_t* lane;
    } cases[] = {
        {L"c:\\Tools\\a.exe", L"C:"},
        {L"\\\\Server\\Share\\dir\\a.exe", L"\\\\SERVER\\SHARE"},
        {L"\\\\?\\UNC\\server\\share\\a.exe", L"\\\\SERVER\\SHARE"},
        {L"//server/share/a.exe", L"\\\\SERVER\\SHARE"},
        {L"\\\\server\\share", L"\\\\SERVER\\SHARE"},
        {L"\\\\?\\D:\\a.exe", L"D:"},
        {L"\\\\server", L""},
        {L"\\\\server\\", L""},
        {L"\\\\.\\pipe\\x", L""},
        {L"notepad.exe", L""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        WCHAR lane[kWorkerLaneKeySize] = L"sentinel";
        WorkerLaneFor(c.path, lane);
        EXPECT_STREQ(c.lane, lane) << "path " << testing::PrintToString(std::wstring(c.path));
    }
}

// Four hung volumes take the four threads; the fifth lane waits for one, and takes
// over the thread of a lane that ends. A lane that answers is never held up by one
// that does not, and a lane keeps its order.
TEST_F(Workers, HungLaneHoldsUpOnlyItselfWithinTheThreadBound)
{
    slow->Hold(L"P:\\");
    Probe* hung = NewProbe(L"P:\\hung.exe");
    Probe* behindHung = NewProbe(L"P:\\next.exe");
    Probe* local = NewProbe(L"C:\\windows\\notepad.exe");
    ASSERT_TRUE(Submit(hung, generation) && Submit(behindHung, generation) && Submit(local, generation));
    ASSERT_TRUE(slow->WaitForBlocked(L"P:\\", 1));
    ASSERT_TRUE(Delivered(1));
    EXPECT_EQ(std::vector<int>{local->id}, delivered);
    EXPECT_EQ(0, behindHung->ran);

    const wchar_t* volumes[] = {L"Q:\\", L"R:\\", L"S:\\", L"T:\\"};
    for (const wchar_t* volume : volumes) {
        slow->Hold(volume);
        ASSERT_TRUE(Submit(NewProbe(std::wstring(volume) + L"a.exe"), generation));
    }
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(slow->WaitForBlocked(volumes[i], 1));
    EXPECT_EQ(kWorkerThreadLimit, RunningWorkerCount());
    EXPECT_EQ(0, slow->Requests(L"T:\\"));  // no thread for its lane yet

    slow->Release(L"P:\\");
    ASSERT_TRUE(Delivered(3));
    EXPECT_EQ((std::vector<int>{local->id, hung->id, behindHung->id}), delivered);
    EXPECT_TRUE(slow->WaitForBlocked(L"T:\\", 1));
    EXPECT_EQ(kWorkerThreadLimit, RunningWorkerCount());

    for (const wchar_t* volume : volumes)
        slow->Release(volume);
    ASSERT_TRUE(Delivered(probes.size()));
    EXPECT_TRUE(WorkersEnd());
    for (const auto& probe : probes)
        EXPECT_EQ(0, probe->released) << probe->id;
}

// A cancelled generation's waiting task is released at once and never runs; its
// running task finishes, sees the cancel, and its result is released, not posted.
// Results already posted are taken back from the window's queue.
TEST_F(Workers, CancelledGenerationsResultsAreDropped)
{
    DWORD later = NewWorkerGeneration();
    slow->Hold(L"P:\\");
    Probe* running = NewProbe(L"P:\\a.exe");
    Probe* waiting = NewProbe(L"P:\\b.exe");
    Probe* other = NewProbe(L"P:\\c.exe");
    ASSERT_TRUE(Submit(running, generation));
    ASSERT_TRUE(slow->WaitForBlocked(L"P:\\", 1));
    ASSERT_TRUE(Submit(waiting, generation) && Submit(other, later));

    CancelWorkerGeneration(generation);
    EXPECT_EQ(1, waiting->released);
    EXPECT_EQ(0, running->released);

    slow->Release(L"P:\\");
    ASSERT_TRUE(Delivered(1));
    ASSERT_TRUE(WorkersEnd());
    Pump(0);
    EXPECT_EQ(std::vector<int>{other->id}, delivered);
    EXPECT_EQ(1, running->ran);
    EXPECT_EQ(1, running->sawCancel);
    EXPECT_EQ(1, running->released);
    EXPECT_EQ(0, waiting->ran);
    EXPECT_EQ(0, other->released);

    Probe* posted = NewProbe(L"C:\\windows\\notepad.exe");
    ASSERT_TRUE(Submit(posted, later));
    // Waits for the post without dispatching it.
    for (ULONGLONG end = GetTickCount64() + kWait; !posted->released && GetTickCount64() < end;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
        DiscardPostedResults(window, kResultMessage, ReleaseProbe);
    }
    EXPECT_EQ(1, posted->released);
    ASSERT_TRUE(WorkersEnd());
    EXPECT_EQ(1u, delivered.size());
}

// Beyond the bound a task is refused and left to the caller. Shutdown returns with
// a task blocked, releases what waits, and the blocked worker ends by itself once
// its file answers; a later panel's tasks run again.
TEST_F(Workers, BoundRefusesAndShutdownLeavesAHungTaskToEndByItself)
{
    slow->Hold(L"P:\\");
    Probe* hung = NewProbe(L"P:\\a.exe");
    ASSERT_TRUE(Submit(hung, generation));
    ASSERT_TRUE(slow->WaitForBlocked(L"P:\\", 1));
    Probe* filler = NewProbe(L"P:\\b.exe");
    for (int i = 0; i < kWorkerQueueLimit; ++i)
        ASSERT_TRUE(Submit(filler, generation)) << i;
    Probe* refused = NewProbe(L"C:\\windows\\notepad.exe");
    EXPECT_FALSE(Submit(refused, generation));
    EXPECT_FALSE(Submit(refused, 0));
    EXPECT_EQ(0, refused->released);

    ShutdownWorkers();
    EXPECT_EQ(kWorkerQueueLimit, filler->released);
    EXPECT_TRUE(slow->WaitForBlocked(L"P:\\", 1, 0));
    EXPECT_EQ(1, RunningWorkerCount());

    slow->Release(L"P:\\");
    ASSERT_TRUE(WorkersEnd());
    Pump(0);
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(1, hung->released);
    EXPECT_EQ(0, filler->ran);

    Probe* next = NewProbe(L"C:\\windows\\notepad.exe");
    ASSERT_TRUE(Submit(next, NewWorkerGeneration()));
    ASSERT_TRUE(Delivered(1));
    EXPECT_EQ(next->id, delivered[0]);
}

// The host lets go of a module while the module's message box is open: the box's
// call returns into code still mapped, and the module goes once the host's loop runs.
TEST(ModalHold, UnloadInsideTheLoopWaitsForTheHostsLoop)
{
    HMODULE module = LoadLibraryA("ModalHoldProbe.dll");
    ASSERT_NE(nullptr, module);
    auto run = reinterpret_cast<int (*)(HWND, const char*)>(
        reinterpret_cast<void*>(GetProcAddress(module, "RunHeldMessageBox")));
    ASSERT_NE(nullptr, run);
    bool loadedInLoop = false;
    {
        ModalDriver driver;
        driver.Then([&](HWND box) {
            FreeLibrary(module);  // the host's own reference
            loadedInLoop = GetModuleHandleA("ModalHoldProbe.dll") != nullptr;
            PostCommand(box, IDOK);
        });
        EXPECT_EQ(IDOK, run(nullptr, "held"));
        EXPECT_EQ(1, driver.answered());
    }
    EXPECT_TRUE(loadedInLoop);
    EXPECT_TRUE(PumpUntil([] { return GetModuleHandleA("ModalHoldProbe.dll") == nullptr; }, kWait));
}

namespace {

constexpr int kNoMemoryReported = 42;

LONG CALLBACK ReportNoMemory(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode != static_cast<DWORD>(STATUS_NO_MEMORY))
        return EXCEPTION_CONTINUE_SEARCH;
    bool noncontinuable = record.ExceptionFlags & EXCEPTION_NONCONTINUABLE;
    fprintf(stderr, "STATUS_NO_MEMORY %s\n", noncontinuable ? "noncontinuable" : "continuable");
    fflush(stderr);
    _exit(noncontinuable ? kNoMemoryReported : 1);
}

LPVOID WINAPI RefuseHeapAlloc(HANDLE, DWORD, SIZE_T)
{
    return nullptr;
}

}  // namespace

// The panel's first allocation, refused by the heap, ends in the platform's report,
// not in std::terminate and abort (exit code 3).
TEST(ModuleHeapDeathTest, FailedAllocationInThePanelRaisesNoMemory)
{
    EXPECT_EXIT(
        {
            WindowNest nest;
            KdxPlugin plugin;
            bool ready = plugin.Load((ProgramFolder() + "Dockmere.kdx").c_str()) == KdxLoadResult::Loaded
                         && PatchModuleImport(plugin.module(), "kernel32.dll", "HeapAlloc",
                                              reinterpret_cast<void*>(&RefuseHeapAlloc));
            if (ready) {
                AddVectoredExceptionHandler(1, ReportNoMemory);
                plugin.Create(nest.panelParent());
            }
            fprintf(stderr, ready ? "created without an allocation\n" : "not loaded\n");
            _exit(2);
        },
        testing::ExitedWithCode(kNoMemoryReported), "STATUS_NO_MEMORY noncontinuable");
}
