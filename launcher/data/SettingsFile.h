// Dockmere.ini in the host's setting folder: read once when the panel is created,
// written whole after changes (the panel's save timer) and when it is destroyed.
// The file keeps its sections, keys, order and quoting, and the bytes the
// platform's profile functions would write; it is read and written whole through
// IniDocument.
#pragma once

// iniPath becomes "<folder>\Dockmere.ini". An empty folder, or one too long for
// the whole path to fit in kMaxTextUnits units, leaves no settings path, and then
// nothing is read or written anywhere. A path past MAX_PATH is opened in its
// "\\?\" form.
void SetSettingsFolder(const wchar_t* folder);

// Replaces the pages (and sets currentPage to 0) with those of the file and sets
// every setting; a missing file gives the defaults: one page, the settings 1, 1,
// 10009, 1, 1. Counts are bounded by the sections the file really has (see
// SettingsFile.cpp). No icon is extracted here: every item gets imageIndex
// kImageNotMade, and its page's icons are made when the page is first shown.
void LoadSettings();

// Writes the whole data state anew: the old file is replaced only by a complete
// new one, and stays as it was when the save fails, when it is read-only, or when
// LoadSettings found it but could not read it. The new text is written to
// "Dockmere.ini.tmp" first; a save killed half way leaves at most that file,
// which no load reads and the next save writes over (or removes, when the file
// already holds its bytes). A replacing rename that
// another program refuses for a moment (sharing violation, access denied) is tried
// again over about a second, unless waitOutRefusals is false (the caller tries
// again later itself). Returns whether the file now holds the data state.
//
// With keepBackup, the first save after LoadSettings that replaces the file first
// keeps the bytes LoadSettings read (not the file as it is now, which someone else
// may have replaced meanwhile) as "Dockmere.ini.bak", replacing an older backup. A
// missing, unreadable or empty file gives no backup; a backup that cannot be
// written is tried again at the next save, which goes on regardless. A file that
// already holds the new bytes is not written at all, nor is its backup.
bool SaveSettings(bool keepBackup = false, bool waitOutRefusals = true);

// SaveSettings in three steps, so that the writing can run on another thread: the
// text is made from the data state (PrepareSettingsSave, on the panel's thread),
// written with its backup and retries (WriteSettingsSave, anywhere: it reads no
// module state), and its outcome noted (FinishSettingsSave, on the panel's thread).
#include <string>
// What became of a save: the panel tells the user of the ones that leave the
// file behind the panel's state.
enum class SaveOutcome {
    NotWritten,  // not written yet
    Written,
    Unchanged,   // the file already held these bytes: nothing was written
    ReadOnly,    // the user's read-only file is left as it is
    Failed,      // the file or its folder refused the new text
    Unreadable,  // the file found at the load could not be read: it is left alone
    TooLarge,    // the text would pass what a load reads
};
struct SettingsSave {
    std::wstring path;
    std::string bytes;
    std::string backup;  // the bytes loaded, to be kept as the backup first; empty: none
    bool backupKept = false;
    bool saved = false;
    SaveOutcome outcome = SaveOutcome::NotWritten;
};
// False, with nothing to write, when there is no settings path or the file was
// found unreadable at the load. With keepBackup and no backup kept yet, the loaded
// bytes move into the save.
bool PrepareSettingsSave(bool keepBackup, SettingsSave* save);
// Returns save->saved.
bool WriteSettingsSave(SettingsSave* save, bool waitOutRefusals);
// A backup that was not written waits again for the next save; one that was is
// not written again in this load.
void FinishSettingsSave(SettingsSave* save);
