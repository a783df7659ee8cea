// Background work for the panel: everything that may wait on an item's file (an
// offline share, a sleeping disk, a cloud placeholder) runs here, never on the
// host's UI thread.
//
// - Lanes: each task runs in the lane of a volume or share (WorkerLaneFor), one
//   task at a time per lane, in the order given. A share that never answers holds
//   up only its own lane. At most kWorkerThreadLimit threads run at once; a lane
//   waiting for a thread gets the next one that finds its own lane empty, and a
//   thread ends when there is no lane left for it.
// - A bound: at most kWorkerQueueLimit tasks wait at once; beyond it a task is
//   refused and the caller decides (try later, say so, do it smaller).
// - Generations: a panel (or one of its pages) takes a generation and gives it to
//   its tasks. Cancelling it drops its waiting tasks at once; its running task
//   finishes, and its result is dropped.
// - Results: a task that has run is posted to the window it names, as
//   PostMessage(window, message, generation, context). The window's thread then
//   owns the context. A task's result that is not posted (dropped, cancelled, no
//   window, a refused post) gives its context to its release function instead.
//   The workers touch no window otherwise and no panel state at all.
// - Every worker thread holds a reference to the module while it runs, taken by
//   the thread that starts it before CreateThread returns, and ends with
//   FreeLibraryAndExitThread: the host's FreeLibrary never unmaps code that a
//   worker will still return to. Nothing here ever waits for a worker.
//
// The functions are called on the panel's thread; run and release also on the
// workers'. State lives as long as the module: a panel's share of it is its
// generations.
#pragma once

#include <windows.h>

constexpr int kWorkerThreadLimit = 4;
constexpr int kWorkerQueueLimit = 1024;
// A lane key: "C:" or "\\server\share" (upper case), cut to this size with its NUL.
constexpr int kWorkerLaneKeySize = 96;

struct WorkerTask {
    // The work, on a worker thread. `cancelled` turns nonzero when the task's
    // generation is cancelled while it runs: long work may stop early (its result
    // is dropped either way).
    void (*run)(void* context, const volatile LONG* cancelled);
    // Frees the context when it does not reach the window; may be null when there is
    // nothing to free. Called on the worker, or on the thread that cancels.
    void (*release)(void* context);
    void* context;
    HWND window;  // null: nothing is posted, the context is released after run
    UINT message;
    DWORD generation;
};

// A new generation, never 0 and never given before in this module load.
DWORD NewWorkerGeneration();

// The lane of a path: its drive ("C:"), its share ("\\server\share", also from
// "\\?\UNC\server\share"), or "" (one lane for paths of neither form).
void WorkerLaneFor(const WCHAR* path, WCHAR* key);  // key: kWorkerLaneKeySize characters

// Queues the task in the lane of `path` (WorkerLaneFor); with `first`, after the
// lane's other first tasks but ahead of the rest (the shown page before the others). False, with nothing queued and
// nothing released, when kWorkerQueueLimit tasks already wait, the generation is
// 0 or no thread could be started.
bool SubmitWorkerTask(const WCHAR* path, const WorkerTask& task, bool first = false);

// Queues the task in a lane of its own named `lane` (no path's lane), whose thread
// starts even when kWorkerThreadLimit threads already wait on hung volumes: for the
// settings file's writing, which no item's file may hold up.
bool SubmitOwnLaneTask(const WCHAR* lane, const WorkerTask& task);

// Drops the generation's waiting tasks (released here) and marks its running ones,
// whose results are then dropped. Returns at once.
void CancelWorkerGeneration(DWORD generation);

// Every generation cancelled; returns at once, whatever a worker waits on. Threads
// end by themselves when their tasks return.
void ShutdownWorkers();

// Worker threads that still hold their module reference (at most the call that
// releases it is left of one that has stopped counting).
int RunningWorkerCount();

// Waits at most timeoutMs for every worker to end (after ShutdownWorkers, the ones
// whose task returns soon); true when none runs. A hung one is left to end by itself.
bool WaitForWorkersToEnd(DWORD timeoutMs);

// Removes `message` results already posted to `window` from its thread's queue
// and releases their contexts; for a window about to be destroyed, after its
// generations are cancelled (no post of theirs comes after that).
void DiscardPostedResults(HWND window, UINT message, void (*release)(void* context));
