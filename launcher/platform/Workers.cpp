// The worker lanes and threads (Workers.h). One lock guards the lanes, their
// queues and the counts; a task runs outside it. The check of a task's
// cancellation and the post of its result happen together under the lock, so
// once CancelWorkerGeneration returns no result of that generation is posted,
// and DiscardPostedResults can take back what was posted before.
#include "platform/Workers.h"

#include <objbase.h>

namespace {

struct QueuedTask {
    WorkerTask task;
    bool first;
    QueuedTask* next;
};

struct Lane {
    WCHAR key[kWorkerLaneKeySize];
    QueuedTask* head;
    QueuedTask* tail;
    QueuedTask* lastFirst;  // the tasks given first lead the queue; the last of them, or null
    bool hasThread;
    DWORD runningGeneration;  // 0 while no task of the lane runs
    volatile LONG runningCancelled;
    Lane* next;
};

// Lives as long as the module. A worker holds the module, so a load that follows
// an unload while a worker still runs finds this as the worker left it.
struct WorkerState {
    SRWLOCK lock;
    Lane* lanes;
    int threads;  // threads holding a module reference
    int queued;
    LONG lastGeneration;
    HMODULE module;
};

WorkerState workers = {SRWLOCK_INIT, nullptr, 0, 0, 0, nullptr};

class LockedWorkers {
public:
    LockedWorkers() { AcquireSRWLockExclusive(&workers.lock); }
    ~LockedWorkers() { ReleaseSRWLockExclusive(&workers.lock); }
    LockedWorkers(const LockedWorkers&) = delete;
    LockedWorkers& operator=(const LockedWorkers&) = delete;
};

bool IsSeparator(WCHAR c)
{
    return c == L'\\' || c == L'/';
}

bool StartsWith(const WCHAR* text, const WCHAR* prefix)
{
    for (; *prefix; ++text, ++prefix) {
        if (*text != *prefix)
            return false;
    }
    return true;
}

// Lock held. The lane of `key`, made when there is none.
Lane* LaneOf(const WCHAR* key)
{
    for (Lane* lane = workers.lanes; lane; lane = lane->next) {
        if (lstrcmpW(lane->key, key) == 0)
            return lane;
    }
    Lane* lane = new Lane{};
    lstrcpynW(lane->key, key, kWorkerLaneKeySize);
    lane->next = workers.lanes;
    workers.lanes = lane;
    return lane;
}

// Lock held. A lane with nothing queued and no thread goes.
void ForgetIdleLane(Lane* idle)
{
    if (idle->head || idle->hasThread)
        return;
    for (Lane** link = &workers.lanes; *link; link = &(*link)->next) {
        if (*link == idle) {
            *link = idle->next;
            delete idle;
            return;
        }
    }
}

// Lock held. A lane whose tasks wait for a thread, or null.
Lane* LaneWaitingForThread()
{
    for (Lane* lane = workers.lanes; lane; lane = lane->next) {
        if (lane->head && !lane->hasThread)
            return lane;
    }
    return nullptr;
}

// Lock held. Takes the waiting tasks of `generation` (0: of every generation) out
// of the queues and marks the running ones; returns the taken ones, to be released
// once the lock is let go.
QueuedTask* TakeGeneration(DWORD generation)
{
    QueuedTask* taken = nullptr;
    for (Lane* lane = workers.lanes; lane;) {
        if (lane->runningGeneration && (!generation || lane->runningGeneration == generation))
            InterlockedExchange(&lane->runningCancelled, 1);
        QueuedTask** link = &lane->head;
        lane->tail = nullptr;
        lane->lastFirst = nullptr;
        while (*link) {
            QueuedTask* task = *link;
            if (!generation || task->task.generation == generation) {
                *link = task->next;
                task->next = taken;
                taken = task;
                --workers.queued;
            } else {
                lane->tail = task;
                if (task->first)
                    lane->lastFirst = task;
                link = &task->next;
            }
        }
        Lane* next = lane->next;
        ForgetIdleLane(lane);
        lane = next;
    }
    return taken;
}

void ReleaseTasks(QueuedTask* tasks)
{
    while (tasks) {
        QueuedTask* next = tasks->next;
        if (tasks->task.release)
            tasks->task.release(tasks->task.context);
        delete tasks;
        tasks = next;
    }
}

DWORD WINAPI WorkerMain(void* param)
{
    // The shell's file functions (SHGetFileInfo, ShellExecuteEx, shortcuts) want
    // COM on the calling thread, as on the UI thread: a single-threaded apartment.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    Lane* lane = static_cast<Lane*>(param);
    HMODULE module;
    {
        LockedWorkers locked;
        module = workers.module;
        while (lane) {
            QueuedTask* task = lane->head;
            if (!task) {
                // This lane is done; one still waiting for a thread is taken over.
                lane->hasThread = false;
                Lane* done = lane;
                lane = LaneWaitingForThread();
                if (lane)
                    lane->hasThread = true;
                ForgetIdleLane(done);
                continue;
            }
            lane->head = task->next;
            if (!lane->head)
                lane->tail = nullptr;
            if (lane->lastFirst == task)
                lane->lastFirst = nullptr;
            --workers.queued;
            lane->runningGeneration = task->task.generation;
            lane->runningCancelled = 0;

            ReleaseSRWLockExclusive(&workers.lock);
            const WorkerTask& work = task->task;
            work.run(work.context, &lane->runningCancelled);
            AcquireSRWLockExclusive(&workers.lock);

            bool posted = !lane->runningCancelled && work.window
                          && PostMessageW(work.window, work.message, work.generation,
                                          reinterpret_cast<LPARAM>(work.context));
            lane->runningGeneration = 0;
            if (!posted) {
                ReleaseSRWLockExclusive(&workers.lock);
                if (work.release)
                    work.release(work.context);
                AcquireSRWLockExclusive(&workers.lock);
            }
            delete task;
        }
        --workers.threads;
    }
    if (com == S_OK || com == S_FALSE)
        CoUninitialize();
    FreeLibraryAndExitThread(module, 0);
    return 0;
}

// Lock held. Starts the lane's thread, holding the module for it first.
bool StartThread(Lane* lane)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WorkerMain),
                            &module))
        return false;
    workers.module = module;
    HANDLE thread = CreateThread(nullptr, 0, WorkerMain, lane, 0, nullptr);
    if (!thread) {
        FreeLibrary(module);  // the host's own reference keeps the module loaded
        return false;
    }
    CloseHandle(thread);
    lane->hasThread = true;
    ++workers.threads;
    return true;
}

}  // namespace

DWORD NewWorkerGeneration()
{
    DWORD generation;
    do
        generation = static_cast<DWORD>(InterlockedIncrement(&workers.lastGeneration));
    while (generation == 0);
    return generation;
}

void WorkerLaneFor(const WCHAR* path, WCHAR* key)
{
    key[0] = L'\0';
    if (!path)
        return;
    bool share = false;
    if (StartsWith(path, L"\\\\?\\UNC\\")) {
        path += 8;
        share = true;
    } else if (StartsWith(path, L"\\\\?\\")) {
        path += 4;
    } else if (IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' && path[2] != L'.') {
        path += 2;
        share = true;
    }
    int length = 0;
    if (share) {
        // "\\server\share": the server and the next component.
        const WCHAR* end = path;
        while (*end && !IsSeparator(*end))
            ++end;
        if (end == path || !*end || !end[1] || IsSeparator(end[1]))
            return;
        ++end;
        while (*end && !IsSeparator(*end))
            ++end;
        key[length++] = L'\\';
        key[length++] = L'\\';
        for (const WCHAR* c = path; c < end && length < kWorkerLaneKeySize - 1; ++c)
            key[length++] = IsSeparator(*c) ? L'\\' : *c;
    } else if (((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) && path[1] == L':') {
        key[length++] = path[0];
        key[length++] = L':';
    }
    key[length] = L'\0';
    CharUpperBuffW(key, length);
}

namespace {

bool QueueTask(const WCHAR* key, const WorkerTask& work, bool first, bool beyondBound);

}  // namespace

bool SubmitWorkerTask(const WCHAR* path, const WorkerTask& work, bool first)
{
    WCHAR key[kWorkerLaneKeySize];
    WorkerLaneFor(path, key);
    return QueueTask(key, work, first, false);
}

bool SubmitOwnLaneTask(const WCHAR* lane, const WorkerTask& work)
{
    // "*" never begins a path's lane key.
    WCHAR key[kWorkerLaneKeySize] = L"*";
    lstrcpynW(key + 1, lane ? lane : L"", kWorkerLaneKeySize - 1);
    return QueueTask(key, work, true, true);
}

namespace {

bool QueueTask(const WCHAR* key, const WorkerTask& work, bool first, bool beyondBound)
{
    if (!work.run || !work.generation)
        return false;
    QueuedTask* task = new QueuedTask{work, first, nullptr};

    LockedWorkers locked;
    if (workers.queued >= kWorkerQueueLimit) {
        delete task;
        return false;
    }
    Lane* lane = LaneOf(key);
    // After the tasks given first before it, ahead of the others.
    QueuedTask** link = first ? (lane->lastFirst ? &lane->lastFirst->next : &lane->head)
                              : (lane->tail ? &lane->tail->next : &lane->head);
    task->next = *link;
    *link = task;
    if (!task->next)
        lane->tail = task;
    if (first)
        lane->lastFirst = task;
    ++workers.queued;
    if (lane->hasThread || (workers.threads >= kWorkerThreadLimit && !beyondBound) || StartThread(lane))
        return true;

    // No thread could start: the task is taken out again, the lane left as it was.
    QueuedTask* before = nullptr;
    for (QueuedTask** at = &lane->head; *at; before = *at, at = &(*at)->next) {
        if (*at == task) {
            *at = task->next;
            break;
        }
    }
    if (lane->tail == task)
        lane->tail = before;
    if (lane->lastFirst == task)
        lane->lastFirst = before && before->first ? before : nullptr;
    --workers.queued;
    ForgetIdleLane(lane);
    delete task;
    return false;
}

}  // namespace

void CancelWorkerGeneration(DWORD generation)
{
    if (!generation)
        return;
    QueuedTask* taken;
    {
        LockedWorkers locked;
        taken = TakeGeneration(generation);
    }
    ReleaseTasks(taken);
}

void ShutdownWorkers()
{
    QueuedTask* taken;
    {
        LockedWorkers locked;
        taken = TakeGeneration(0);
    }
    ReleaseTasks(taken);
}

int RunningWorkerCount()
{
    LockedWorkers locked;
    return workers.threads;
}

void DiscardPostedResults(HWND window, UINT message, void (*release)(void* context))
{
    MSG posted;
    while (PeekMessageW(&posted, window, message, message, PM_REMOVE | PM_NOYIELD)) {
        if (release)
            release(reinterpret_cast<void*>(posted.lParam));
    }
}

bool WaitForWorkersToEnd(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (RunningWorkerCount() != 0) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}
