// 2,000 loads, creates, destroys and unloads of each shipped module in one
// process, read as a whole from before the first load (tests/support/ProcessSoak,
// the same cycles as LifecycleSoakTest's ProcessSoak): what each cycle leaves in
// TLS indexes and heap bytes, target 0 and 0.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchRows.h"
#include "ProcessSoak.h"
#include "WinTest.h"

using namespace wintest;

namespace {

constexpr char kBench[] = "LifecycleBench";

constexpr int kCycles = 2000;

std::string Number(double value, const char* format = "%.0f")
{
    char text[48];
    snprintf(text, sizeof text, format, value);
    return text;
}

// Per cycle after the first, and in all from before the first load.
std::string Growth(double total, double afterFirst, int cycles)
{
    char text[96];
    snprintf(text, sizeof text, "%s per cycle (%+.0f in all)", Number(afterFirst / (cycles - 1), "%.3g").c_str(), total);
    return text;
}

bool Run(ModuleCycle& cycle, HWND parent)
{
    DWORD start = GetTickCount();
    SoakResult r = Soak(cycle, parent, kCycles);
    double seconds = (GetTickCount() - start) / 1000.0;
    if (!r.problem.empty()) {
        fprintf(stderr, "LifecycleBench: %s: %s\n", cycle.name(), r.problem.c_str());
        Row(kBench, {cycle.name(), std::to_string(r.cycles), "-", "-", "-", "-", "-", "failed: " + r.problem});
        return false;
    }
    double tls = r.before.tlsIndexesObtainable - r.end.tlsIndexesObtainable;
    double tlsAfterFirst = r.first.tlsIndexesObtainable - r.end.tlsIndexesObtainable;
    double bytes = static_cast<double>(r.end.heapBytes - r.before.heapBytes);
    double bytesAfterFirst = static_cast<double>(r.end.heapBytes - r.first.heapBytes);
    long blocks = r.end.heapBlocks - r.before.heapBlocks;
    long blocksAfterFirst = r.end.heapBlocks - r.first.heapBlocks;
    int handles = r.end.handles - r.before.handles;
    bool met = tls == 0 && tlsAfterFirst == 0 && bytesAfterFirst <= 0 && blocksAfterFirst <= 0;
    char firstPanel[96];
    snprintf(firstPanel, sizeof firstPanel, "%+ld blocks, %+.0f bytes in the first cycle", blocks - blocksAfterFirst,
             bytes - bytesAfterFirst);
    Row(kBench, {cycle.name(), Number(kCycles), Growth(tls, tlsAfterFirst, kCycles), Growth(bytes, bytesAfterFirst, kCycles),
         Number(static_cast<double>(blocks), "%+.0f") + " (" + firstPanel + ")",
         Number(handles, "%+.0f") + (r.end.handlesFromProbe ? " (probed)" : ""), Number(seconds, "%.1f s"),
         met ? "0 and 0: met" : "0 and 0: NOT MET"});
    printf("  %s: the module was unloaded at most %lu ms after FreeLibrary (its workers ending)\n", cycle.name(),
           r.longestUnloadWait);
    return met;
}

}  // namespace

int main()
{
    WindowNest nest;
    PreparedHost host(nest.top());
    Row(kBench, {"module, cycles of load, create, message loop, destroy, unload", "cycles", "TLS indexes lost", "heap bytes grown",
         "heap blocks grown", "handles grown", "time", "target per cycle: TLS 0, bytes 0"});
    bool ok = true;
    {
        std::unique_ptr<ModuleCycle> cycle = KdxHostCycle();
        ok = Run(*cycle, nest.panelParent()) && ok;
    }
    {
        std::unique_ptr<ModuleCycle> cycle = AdaptorCycle();
        ok = Run(*cycle, nest.panelParent()) && ok;
    }
    return ok ? 0 : 1;
}
