// Dockmere.ini: read once into an IniDocument, written whole through a temporary
// file that replaces the old one in one step. The records in the document are
// SettingsRecords.cpp's.
#include "data/SettingsFile.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "data/IniDocument.h"
#include "data/LauncherData.h"
#include "data/SettingsRecords.h"
#include "Texts.h"

namespace {

// Beside the file while a save writes it.
constexpr wchar_t kTempSuffix[] = L".tmp";
// The file as it was loaded, kept beside it before this load's first replacement.
constexpr wchar_t kBackupSuffix[] = L".bak";

// A virus scanner, the indexer or a sync client may hold the old file for a moment;
// the rename refused meanwhile is tried again after each of these waits (ms).
constexpr DWORD kRenameRetryWaits[] = {50, 100, 150, 250, 450};

// The panel writes about 300 bytes per item; a larger file is not one it wrote.
constexpr LONGLONG kMaxFileSize = static_cast<LONGLONG>(kSettingsFileLimit);

// The file exists but could not be read (locked, a folder, too large): the panel
// runs on defaults, and the save leaves the file alone rather than replace the
// user's pages with them.
bool settingsUnreadable = false;

// The bytes LoadSettings read, until this load's backup is kept.
std::string loadedBytes;
bool backupKept = false;

enum class ReadResult { Read, Missing, Unreadable };

// The path as the file functions take it: past MAX_PATH (less room for the
// suffixes) a full path goes in its "\\?\" form, which no length limit applies to.
std::wstring CallablePath(const std::wstring& path)
{
    if (path.size() < MAX_PATH - 12 || path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    if (path.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC" + path.substr(1);
    if (path.size() > 2 && path[1] == L':' && path[2] == L'\\')
        return L"\\\\?\\" + path;
    return path;
}

ReadResult ReadSettingsBytes(const std::wstring& path, std::string* bytes)
{
    HANDLE file = CreateFileW(CallablePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                              : ReadResult::Unreadable;
    }
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= kMaxFileSize;
    if (ok && size.QuadPart > 0) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = ReadFile(file, &(*bytes)[0], static_cast<DWORD>(size.QuadPart), &read, nullptr) && read == size.QuadPart;
    }
    CloseHandle(file);
    return ok ? ReadResult::Read : ReadResult::Unreadable;
}

bool WriteAll(HANDLE file, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// The rename, tried again after a refusal when the caller waits.
bool ReplaceFileWith(const std::wstring& tempPath, const std::wstring& path, bool waitOutRefusals)
{
    for (size_t attempt = 0;; ++attempt) {
        if (MoveFileExW(tempPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        DWORD error = GetLastError();
        if (!waitOutRefusals || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
            || attempt == sizeof kRenameRetryWaits / sizeof kRenameRetryWaits[0])
            return false;
        Sleep(kRenameRetryWaits[attempt]);
    }
}

// The new text goes to a temporary file beside the old one, is flushed, and then
// takes the old one's place in one rename; on any failure the temporary file goes
// and the old file stays as it was.
//
// The temporary file has one fixed name, "Dockmere.ini.tmp": a save killed half
// way leaves at most that one file, which nothing reads and the next save simply
// overwrites. Two panels saving at once cannot mix their texts: each holds the
// file open without sharing while it writes, so the other's open fails (and that
// save is skipped) and so does a rename while the file is open.
bool ReplaceSettingsFile(const std::wstring& givenPath, const std::string& bytes, bool waitOutRefusals)
{
    std::wstring path = CallablePath(givenPath);
    std::wstring tempPath = path + kTempSuffix;  // a backup's: "<file>.bak.tmp"
    HANDLE file = CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
    bool closed = CloseHandle(file);
    if (written && closed && ReplaceFileWith(tempPath, path, waitOutRefusals))
        return true;
    DeleteFileW(tempPath.c_str());
    return false;
}

// The backup goes through the same replacement: an old backup stays whole until
// the new one is complete.
bool KeepBackup(const std::wstring& path, const std::string& bytes, bool waitOutRefusals)
{
    return ReplaceSettingsFile(path + kBackupSuffix, bytes, waitOutRefusals);
}

}  // namespace

void SetSettingsFolder(const wchar_t* folder)
{
    launcherData.iniPath.clear();
    settingsUnreadable = false;
    if (!folder || !*folder)
        return;
    // The whole path must fit in kMaxTextUnits units. A longer folder gives no path
    // at all: a cut one would name some other file.
    constexpr size_t kFileNameLength = sizeof(TEXT_INI_FILE_NAME) / sizeof(wchar_t) - 1 + 1;  // and a backslash
    if (wcsnlen(folder, kMaxTextUnits + 1) + kFileNameLength > kMaxTextUnits)
        return;
    launcherData.iniPath = folder;
    launcherData.iniPath += L'\\';
    launcherData.iniPath += TEXT_INI_FILE_NAME;
}

void LoadSettings()
{
    // The page list is replaced, not added to, should a panel load again.
    launcherData.pages.clear();
    launcherData.currentPage = 0;
    settingsUnreadable = false;
    std::string().swap(loadedBytes);
    backupKept = false;

    IniDocument doc;
    if (!launcherData.iniPath.empty()) {
        std::string bytes;
        ReadResult result = ReadSettingsBytes(launcherData.iniPath, &bytes);
        if (result == ReadResult::Read) {
            doc = IniDocument::Parse(bytes);
            loadedBytes.swap(bytes);
        }
        settingsUnreadable = result == ReadResult::Unreadable;
    }
    ReadSettingsRecords(doc, &launcherData.pages, &launcherData.settings);

    // Icons cost milliseconds each: they are made page by page when a page is
    // first shown (MakePageIcons), so a large launcher starts at the cost of one page.
    for (LauncherPage& page : launcherData.pages) {
        for (LauncherItem& item : page.items)
            item.imageIndex = kImageNotMade;
    }
}

bool SaveSettings(bool keepBackup, bool waitOutRefusals)
{
    SettingsSave save;
    if (!PrepareSettingsSave(keepBackup, &save))
        return false;
    WriteSettingsSave(&save, waitOutRefusals);
    FinishSettingsSave(&save);
    return save.saved;
}

bool PrepareSettingsSave(bool keepBackup, SettingsSave* save)
{
    if (launcherData.iniPath.empty())
        return false;
    save->path = launcherData.iniPath;
    if (settingsUnreadable) {
        save->outcome = SaveOutcome::Unreadable;
        return false;
    }
    save->bytes = BuildSettingsDocument(launcherData.pages, launcherData.settings).Serialize();
    // A file the next load would refuse would leave the user with the defaults:
    // the old file stays instead.
    if (save->bytes.size() > static_cast<size_t>(kMaxFileSize)) {
        std::string().swap(save->bytes);
        save->outcome = SaveOutcome::TooLarge;
        return false;
    }
    if (keepBackup && !backupKept)
        save->backup.swap(loadedBytes);
    return true;
}

bool WriteSettingsSave(SettingsSave* save, bool waitOutRefusals)
{
    const std::wstring& path = save->path;
    save->saved = false;
    // A read-only file stays as it is (on Windows its replacement fails anyway).
    DWORD attributes = GetFileAttributesW(CallablePath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        save->outcome = SaveOutcome::ReadOnly;
        return false;
    }
    // A file that already holds these bytes is left alone, and so is the backup:
    // it keeps the state before the last save that changed something.
    std::string current;
    if (attributes != INVALID_FILE_ATTRIBUTES && ReadSettingsBytes(path, &current) == ReadResult::Read
        && current == save->bytes) {
        // A temporary file a killed save left goes, as a written save would take it.
        DeleteFileW((CallablePath(path) + kTempSuffix).c_str());
        save->outcome = SaveOutcome::Unchanged;
        save->saved = true;
        return true;
    }
    if (!save->backup.empty() && !save->backupKept)
        save->backupKept = KeepBackup(path, save->backup, waitOutRefusals);
    save->saved = ReplaceSettingsFile(path, save->bytes, waitOutRefusals);
    save->outcome = save->saved ? SaveOutcome::Written : SaveOutcome::Failed;
    return save->saved;
}

void FinishSettingsSave(SettingsSave* save)
{
    if (save->backupKept) {
        backupKept = true;
        std::string().swap(loadedBytes);
    } else if (!save->backup.empty() && !backupKept && loadedBytes.empty()) {
        loadedBytes.swap(save->backup);
    }
}
