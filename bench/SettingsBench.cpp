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
//
// Then what exact (UTF-16) texts would add at the file, the same settings with one
// item name in ten holding a character CP932 lacks:
// - make: MakeFileText for every page name and item text (the save's part);
// - read: ReadCompanion and ReadFileText for every one of them on the parsed file
//   that holds the companions (the load's part), against GetString alone.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "BenchRows.h"
#include "ProfileSettings.h"
#include "data/CompanionKey.h"
#include "data/Cp932.h"
#include "data/IniDocument.h"
#include "data/LauncherData.h"
#include "data/SettingsFile.h"

namespace {

constexpr char kBench[] = "SettingsBench";

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
        wchar_t text[64];
        swprintf(text, 64, L"ページ %d 表計算", p + 1);
        SetPageName(p, text);
    }
    for (int i = 0; i < items; ++i) {
        LauncherItem item = {};
        item.imageIndex = kImageNotMade;  // as a load leaves it: no icon made yet
        wchar_t text[160];
        swprintf(text, 160, i % 3 ? L"Application %d" : L"表計算ソフト %d", i);
        item.name = text;
        swprintf(text, 160, L"C:\\Program Files\\Vendor %d\\Application %d\\app%d.exe", i % 17, i, i);
        item.path = text;
        swprintf(text, 160, i % 2 ? L"" : L"/open \"C:\\Users\\user\\Documents\\file %d.txt\"", i);
        item.parameter = text;
        swprintf(text, 160, L"C:\\Program Files\\Vendor %d\\Application %d\\", i % 17, i);
        item.workDir = text;
        item.iconPath = item.path;
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
        if (a[p].name != b[p].name || a[p].items.size() != b[p].items.size())
            return false;
        for (size_t i = 0; i < a[p].items.size(); ++i) {
            const LauncherItem& x = a[p].items[i];
            const LauncherItem& y = b[p].items[i];
            if (x.name != y.name || x.path != y.path || x.parameter != y.parameter || x.workDir != y.workDir
                || x.iconPath != y.iconPath || x.iconIndex != y.iconIndex || x.posX != y.posX || x.posY != y.posY
                || x.imageIndex != y.imageIndex)
                return false;
        }
    }
    return true;
}

std::string Thousands(int n)
{
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), ",");
    return digits;
}

// The texts of the data state as exact texts: each with its section and key, one
// item name in ten given a character CP932 lacks.
struct ExactText {
    std::string section;
    const char* key;
    std::wstring text;
};

std::vector<ExactText> ExactTexts()
{
    std::vector<ExactText> texts;
    char section[48];
    for (int p = 0; p < GetPageCount(); ++p) {
        snprintf(section, sizeof section, "Page%d", p + 1);
        texts.push_back({section, "Name", GetPageName(p)});
        for (int i = 0; i < GetItemCount(p); ++i) {
            const LauncherItem& item = GetItem(p, i);
            snprintf(section, sizeof section, "Page%d:Item%d", p + 1, i + 1);
            const std::pair<const char*, std::wstring> fields[] = {{"Name", item.name},
                                                                   {"Path", item.path},
                                                                   {"Parameter", item.parameter},
                                                                   {"WorkDir", item.workDir},
                                                                   {"IconPath", item.iconPath}};
            for (const auto& field : fields)
                texts.push_back({section, field.first, field.second});
            if (i % 10 == 0)
                texts[texts.size() - 5].text += L"\x00E9";
        }
    }
    return texts;
}

void ExactTextRows(const std::vector<std::pair<int, double>>& oursTotals)
{
    Row(kBench, {"exact texts", "items", "make", "read", "read, look-ups alone", "added to ours total"});
    for (const auto& size : oursTotals) {
        Generate(size.first);
        std::vector<ExactText> texts = ExactTexts();
        IniDocument written;
        double make = MedianMs(5, [&] {
            for (const ExactText& t : texts)
                MakeFileText(t.text);
        });
        for (const ExactText& t : texts) {
            FileText file = MakeFileText(t.text);
            written.Write(t.section, t.key, "\"" + file.value + "\"");
            WriteCompanion(&written, t.section, t.key, file.companion);
        }
        IniDocument doc = IniDocument::Parse(written.Serialize());
        size_t wrong = 0;
        double read = MedianMs(5, [&] {
            wrong = 0;
            for (const ExactText& t : texts)
                wrong += ReadFileText(doc.GetString(t.section, t.key, ""), ReadCompanion(doc, t.section, t.key)) != t.text;
        });
        double lookups = MedianMs(5, [&] {
            for (const ExactText& t : texts)
                doc.GetString(t.section, t.key, "");
        });
        char added[96];
        snprintf(added, sizeof added, "%.0f%%%s", 100 * (make + read - lookups) / size.second,
                 wrong ? ", TEXTS DIFFER" : ", read back exactly");
        Row(kBench, {"", Thousands(size.first), Ms(make), Ms(read), Ms(lookups), added});
    }
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
    wchar_t wideFolder[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folder, -1, wideFolder, MAX_PATH);

    Row(kBench, {"items", "ours load", "ours save", "ours total", "profile load", "profile save", "profile total",
         "ours faster", "check"});
    std::vector<std::pair<int, double>> oursTotals;
    double oursAt1000 = 0;
    double oursAt10000 = 0;
    double ratioAt1000 = 0;
    for (int items : {100, 1000, 10000}) {
        Generate(items);
        std::vector<LauncherPage> generated = launcherData.pages;
        SetSettingsFolder(wideFolder);
        int runs = items >= 10000 ? 5 : 9;
        double save = MedianMs(runs, [] { SaveSettings(); });
        double load = MedianMs(runs, [] { LoadSettings(); });
        bool loadedWhole = SameRecords(generated, launcherData.pages);
        double total = save + load;
        if (items >= 1000)
            oursTotals.emplace_back(items, total);
        if (items == 1000)
            oursAt1000 = total;
        if (items == 10000)
            oursAt10000 = total;

        if (items > 1000) {
            Row(kBench, {Thousands(items), Ms(load), Ms(save), Ms(total), "-", "-", "-", "-",
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
        Row(kBench, {Thousands(items), Ms(load), Ms(save), Ms(total), Ms(profileLoad), Ms(profileSave), Ms(profileTotal),
             ratio, check});
        if (keep)
            CopyFileA(ours.c_str(), (std::string(folder) + "\\Ours" + std::to_string(items) + ".ini").c_str(), FALSE);
        else
            DeleteFileA(profile.c_str());
    }
    char line[160];
    snprintf(line, sizeof line, "1,000 items: ours %.0fx faster than the profile functions (target at least 200x): %s",
             ratioAt1000, ratioAt1000 >= 200 ? "met" : "NOT MET");
    Row(kBench, {"target", line});
    double scaling = oursAt10000 / oursAt1000;
    snprintf(line, sizeof line, "10,000 items take %.1fx the 1,000-item time (target at most 12x): %s", scaling,
             scaling <= 12 ? "met" : "NOT MET");
    Row(kBench, {"target", line});
    ExactTextRows(oursTotals);

    if (keep) {
        printf("files kept in %s\n", folder);
    } else {
        DeleteFileA(ours.c_str());
        RemoveDirectoryA(folder);
    }
    return 0;
}
