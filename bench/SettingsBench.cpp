// The settings file's load and save: ours (one read or one write of the whole file
// through IniDocument) against the same load and save done key by key through the
// platform's profile functions, for 100, 1,000 and 10,000 items over 10 pages.
//
// What is timed:
// - ours load: LoadSettings() = open and read the file, parse it, every look-up of
//   the settings format, the records of LauncherData; no icon is made (the data
//   room makes none: a loaded item's image waits for its page to be shown).
// - ours save: SaveSettings() = build the whole text, write it to a temporary file,
//   FlushFileBuffers, MoveFileExA over the old file.
// - profile load: the same look-ups with GetPrivateProfileStringA / IntA into the
//   same records, on a file dated back so that Wine serves it from its cache, as at
//   a real panel start (a file younger than 2.1 s is re-read at every call).
// - profile save: DeleteFileA, then WritePrivateProfileStringA key by key in the
//   file's key order (Wine re-reads and rewrites the whole file at every call).
// Ours is the median of several runs after one warm-up run; the profile functions
// run once per size (at 10,000 items they would take hours, so they are skipped).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "data/LauncherData.h"
#include "ProfileSettings.h"
#include "data/SettingsFile.h"

namespace {

constexpr int kPages = 10;

template <typename Work>
double MedianMs(int runs, Work work)
{
    work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double start = Now();
        work();
        times.push_back(Now() - start);
    }
    return Median(times);
}

template <typename Work>
double OnceMs(Work work)
{
    double start = Now();
    work();
    return Now() - start;
}

// Settings of `items` items over ten pages, texts as a user's would look.
void Generate(int items)
{
    ResetLauncherData();
    launcherData.settings = PanelSettings{1, 1, 10009, 1, 1};
    for (int p = 0; p < kPages; ++p) {
        AddPage();
        char text[kTextSize];
        snprintf(text, sizeof text, "ページ %d 表計算", p + 1);
        SetPageName(p, text);
    }
    for (int i = 0; i < items; ++i) {
        LauncherItem item = {};
        item.imageIndex = kImageNotMade;  // as a load leaves it: no icon made yet
        snprintf(item.name, kTextSize, i % 3 ? "Application %d" : "表計算ソフト %d", i);
        snprintf(item.path, kTextSize, "C:\\Program Files\\Vendor %d\\Application %d\\app%d.exe", i % 17, i, i);
        snprintf(item.parameter, kTextSize, i % 2 ? "" : "/open \"C:\\Users\\user\\Documents\\file %d.txt\"", i);
        snprintf(item.workDir, kTextSize, "C:\\Program Files\\Vendor %d\\Application %d\\", i % 17, i);
        snprintf(item.iconPath, kTextSize, "%s", item.path);
        item.iconIndex = i % 4 - 1;
        item.posX = i % 5 ? 10 + (i % 8) * 75 : -1;
        item.posY = i % 5 ? 10 + (i / 8 % 20) * 70 : -1;
        AddItem(i % kPages, item);
    }
}

// As at a real start: the file was written long ago, so Wine keeps it cached. Each
// size gets its own date (and file): Wine may keep a stale copy of a deleted file
// under its name and serves it again if the new file has the same date.
void DateBack(const char* path, int minutes)
{
    SYSTEMTIME past = {2020, 1, 0, 1, 0, static_cast<WORD>(minutes % 60), 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&past, &time);
    HANDLE file = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

std::string ReadAll(const char* path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

bool SameRecords(const std::vector<LauncherPage>& a, const std::vector<LauncherPage>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t p = 0; p < a.size(); ++p) {
        if (strcmp(a[p].name, b[p].name) != 0 || a[p].items.size() != b[p].items.size())
            return false;
        for (size_t i = 0; i < a[p].items.size(); ++i) {
            if (memcmp(&a[p].items[i], &b[p].items[i], sizeof(LauncherItem)) != 0)
                return false;
        }
    }
    return true;
}

std::string Ms(double ms)
{
    char text[32];
    snprintf(text, sizeof text, ms < 10 ? "%.2f ms" : ms < 1000 ? "%.1f ms" : "%.0f ms", ms);
    return text;
}

std::string Thousands(int n)
{
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), ",");
    return digits;
}

void Row(const std::vector<std::string>& cells)
{
    std::string line = "SettingsBench";
    for (const std::string& cell : cells)
        line += "\t" + cell;
    printf("%s\n", line.c_str());
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    bool keep = argc > 1 && strcmp(argv[1], "--keep") == 0;  // leave the files for a look
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char folder[MAX_PATH];
    snprintf(folder, sizeof folder, "%sdockmere-bench-%lu", temp, static_cast<unsigned long>(GetCurrentProcessId()));
    CreateDirectoryA(folder, nullptr);
    std::string ours = std::string(folder) + "\\Dockmere.ini";

    Row({"items", "ours load", "ours save", "ours total", "profile load", "profile save", "profile total",
         "ours faster", "check"});
    double oursAt1000 = 0;
    double oursAt10000 = 0;
    double ratioAt1000 = 0;
    for (int items : {100, 1000, 10000}) {
        Generate(items);
        std::vector<LauncherPage> generated = launcherData.pages;
        SetSettingsFolder(folder);
        int runs = items >= 10000 ? 5 : 9;
        double save = MedianMs(runs, [] { SaveSettings(); });
        double load = MedianMs(runs, [] { LoadSettings(); });
        bool loadedWhole = SameRecords(generated, launcherData.pages);
        double total = save + load;
        if (items == 1000)
            oursAt1000 = total;
        if (items == 10000)
            oursAt10000 = total;

        if (items > 1000) {
            Row({Thousands(items), Ms(load), Ms(save), Ms(total), "-", "-", "-", "-",
                 loadedWhole ? "read back whole" : "RECORDS DIFFER"});
            continue;
        }
        launcherData.pages = generated;
        std::string profile = std::string(folder) + "\\Profile" + std::to_string(items) + ".ini";
        double profileSave = OnceMs([&] { ProfileSave(profile.c_str()); });
        bool sameBytes = ReadAll(profile.c_str()) == ReadAll(ours.c_str());
        DateBack(profile.c_str(), items / 100);
        double profileLoad = OnceMs([&] { ProfileLoad(profile.c_str(), &launcherData.settings, &launcherData.pages); });
        bool sameRecords = SameRecords(generated, launcherData.pages);
        double profileTotal = profileSave + profileLoad;
        char ratio[32];
        snprintf(ratio, sizeof ratio, "%.0fx", profileTotal / total);
        if (items == 1000)
            ratioAt1000 = profileTotal / total;
        std::string check = sameBytes ? "same bytes" : "BYTES DIFFER";
        check += sameRecords && loadedWhole ? ", same records" : ", RECORDS DIFFER";
        Row({Thousands(items), Ms(load), Ms(save), Ms(total), Ms(profileLoad), Ms(profileSave), Ms(profileTotal),
             ratio, check});
        if (keep)
            CopyFileA(ours.c_str(), (std::string(folder) + "\\Ours" + std::to_string(items) + ".ini").c_str(), FALSE);
        else
            DeleteFileA(profile.c_str());
    }
    char line[160];
    snprintf(line, sizeof line, "1,000 items: ours %.0fx faster than the profile functions (target at least 200x): %s",
             ratioAt1000, ratioAt1000 >= 200 ? "met" : "NOT MET");
    Row({"target", line});
    double scaling = oursAt10000 / oursAt1000;
    snprintf(line, sizeof line, "10,000 items take %.1fx the 1,000-item time (target at most 12x): %s", scaling,
             scaling <= 12 ? "met" : "NOT MET");
    Row({"target", line});

    if (keep) {
        printf("files kept in %s\n", folder);
    } else {
        DeleteFileA(ours.c_str());
        RemoveDirectoryA(folder);
    }
    return 0;
}
