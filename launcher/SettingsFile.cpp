// Dockmere.ini: read once into an IniDocument, written whole through a temporary
// file that replaces the old one in one step.
#include "SettingsFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "IniDocument.h"
#include "ItemIcons.h"
#include "LauncherData.h"
#include "Texts.h"

namespace {

// Keys, order and defaults of the file (Part 2.2).
constexpr char kLauncherSection[] = "Launcher";
constexpr char kPageSectionFormat[] = "Page%d";
constexpr char kItemSectionFormat[] = "Page%d:Item%d";
constexpr char kPageCountKey[] = "PageCount";
constexpr char kItemCountKey[] = "ItemCount";
constexpr char kPageNameKey[] = "Name";
constexpr int32_t kDefaultPageCount = 1;
constexpr int32_t kDefaultItemCount = 0;
constexpr int32_t kDefaultItemNumber = -1;

struct SettingKey {
    const char* key;
    int32_t PanelSettings::*field;
    int32_t defaultValue;
};
const SettingKey kSettingKeys[] = {
    {"DoubleClick", &PanelSettings::doubleClick, 1},
    {"ShowTab", &PanelSettings::showTab, 1},
    {"ViewStyle", &PanelSettings::viewStyle, 10009},
    {"AutoArrange", &PanelSettings::autoArrange, 1},
    {"GridArrange", &PanelSettings::gridArrange, 1},
};

// Texts default to empty, except IconPath, which defaults to the Path just read.
struct ItemTextKey {
    const char* key;
    char (LauncherItem::*field)[kTextSize];
};
const ItemTextKey kItemTextKeys[] = {
    {"Name", &LauncherItem::name},         {"Path", &LauncherItem::path},
    {"Parameter", &LauncherItem::parameter}, {"WorkDir", &LauncherItem::workDir},
    {"IconPath", &LauncherItem::iconPath},
};
struct ItemNumberKey {
    const char* key;
    int32_t LauncherItem::*field;
};
const ItemNumberKey kItemNumberKeys[] = {
    {"IconIndex", &LauncherItem::iconIndex},
    {"PosX", &LauncherItem::posX},
    {"PosY", &LauncherItem::posY},
};

// Counts against the sections really present. A list (the pages, or one page's
// items) whose count asks for records that have no section is made of defaults
// there, as the Part says, while the load's budget for such records covers all
// of them; a count that asks for more is taken as corrupted, and the list holds
// exactly the sections present within it. So "ItemCount=3" over two item sections
// still gives a third, empty item, while "ItemCount=2000000000" gives the items
// that exist and nothing else, and no load makes more than 32 pages and 32 items
// of nothing (an item of nothing still costs an icon look-up of the empty path,
// about 6 ms under Wine).
constexpr int64_t kMissingPagesBudget = 32;
constexpr int64_t kMissingItemsBudget = 32;

// The panel writes about 300 bytes per item; a larger file is not one it wrote.
constexpr LONGLONG kMaxFileSize = 64LL * 1024 * 1024;

// The file exists but could not be read (locked, a folder, too large): the panel
// runs on defaults, and the save leaves the file alone rather than replace the
// user's pages with them.
bool settingsUnreadable = false;

enum class ReadResult { Read, Missing, Unreadable };

ReadResult ReadSettingsBytes(const char* path, std::string* bytes)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
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

// A count (1..INT32_MAX) as "%d" writes it: no sign, no leading zero.
bool TakeNumber(std::string_view* text, int32_t* number)
{
    size_t i = 0;
    int64_t value = 0;
    while (i < text->size() && (*text)[i] >= '0' && (*text)[i] <= '9') {
        value = value * 10 + ((*text)[i] - '0');
        if ((i == 0 && (*text)[i] == '0') || value > INT32_MAX)
            return false;
        ++i;
    }
    if (i == 0)
        return false;
    *number = static_cast<int32_t>(value);
    text->remove_prefix(i);
    return true;
}

bool TakeWord(std::string_view* text, std::string_view word)
{
    if (text->size() < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = (*text)[i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != word[i])
            return false;
    }
    text->remove_prefix(word.size());
    return true;
}

// Which "Page%d" and "Page%d:Item%d" sections the document has, by the names the
// loader asks for (ASCII letters in any case, as a look-up finds them).
struct PresentSections {
    std::vector<int32_t> pages;
    std::map<int32_t, std::vector<int32_t>> items;
};

PresentSections FindPresentSections(const IniDocument& doc)
{
    PresentSections present;
    for (std::string_view name : doc.SectionNames()) {
        int32_t page = 0;
        int32_t item = 0;
        if (!TakeWord(&name, "page") || !TakeNumber(&name, &page))
            continue;
        if (name.empty())
            present.pages.push_back(page);
        else if (TakeWord(&name, ":item") && TakeNumber(&name, &item) && name.empty())
            present.items[page].push_back(item);
    }
    auto sortUnique = [](std::vector<int32_t>& numbers) {
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    };
    sortUnique(present.pages);
    for (auto& entry : present.items)
        sortUnique(entry.second);
    return present;
}

// The numbers from 1 to count that a list gets, in order.
std::vector<int32_t> ListNumbers(int32_t count, const std::vector<int32_t>& present, int64_t* missingLeft)
{
    std::vector<int32_t> numbers;
    if (count <= 0)
        return numbers;
    auto end = std::upper_bound(present.begin(), present.end(), count);
    int64_t missing = count - static_cast<int64_t>(end - present.begin());
    if (missing <= *missingLeft) {
        *missingLeft -= missing;
        numbers.reserve(static_cast<size_t>(count));  // at most 32 more than the sections present
        for (int32_t n = 1; n <= count; ++n)
            numbers.push_back(n);
    } else {
        numbers.assign(present.begin(), end);
    }
    return numbers;
}

void ReadItem(const IniDocument& doc, int32_t pageNumber, int32_t itemNumber, LauncherPage* page)
{
    char section[48];
    snprintf(section, sizeof section, kItemSectionFormat, pageNumber, itemNumber);
    LauncherItem item = {};
    item.imageIndex = -1;  // given with the icons, after all records are read
    for (const ItemTextKey& k : kItemTextKeys) {
        const char* defaultValue = k.field == &LauncherItem::iconPath ? item.path : "";
        CopyText(item.*k.field, doc.GetString(section, k.key, defaultValue).c_str());
    }
    for (const ItemNumberKey& k : kItemNumberKeys)
        item.*k.field = doc.GetInt(section, k.key, kDefaultItemNumber);
    page->items.push_back(item);
}

void ReadPage(const IniDocument& doc, int32_t pageNumber, const std::vector<int32_t>& presentItems,
              int64_t* missingItemsLeft)
{
    launcherData.pages.emplace_back();
    LauncherPage& page = launcherData.pages.back();
    char section[48];
    snprintf(section, sizeof section, kPageSectionFormat, pageNumber);
    int32_t itemCount = doc.GetInt(section, kItemCountKey, kDefaultItemCount);
    char defaultName[kTextSize];
    FormatDefaultPageName(defaultName, pageNumber);
    CopyText(page.name, doc.GetString(section, kPageNameKey, defaultName).c_str());
    std::vector<int32_t> items = ListNumbers(itemCount, presentItems, missingItemsLeft);
    page.items.reserve(items.size());
    for (int32_t itemNumber : items)
        ReadItem(doc, pageNumber, itemNumber, &page);
}

void ReadRecords(const IniDocument& doc)
{
    PanelSettings& settings = launcherData.settings;
    for (const SettingKey& k : kSettingKeys)
        settings.*k.field = doc.GetInt(kLauncherSection, k.key, k.defaultValue);

    // The panel needs a page: a count of 0 or less reads like a missing key.
    int32_t pageCount = doc.GetInt(kLauncherSection, kPageCountKey, kDefaultPageCount);
    if (pageCount <= 0)
        pageCount = kDefaultPageCount;
    PresentSections present = FindPresentSections(doc);
    int64_t missingPagesLeft = kMissingPagesBudget;
    int64_t missingItemsLeft = kMissingItemsBudget;
    static const std::vector<int32_t> kNone;
    for (int32_t pageNumber : ListNumbers(pageCount, present.pages, &missingPagesLeft)) {
        auto items = present.items.find(pageNumber);
        ReadPage(doc, pageNumber, items == present.items.end() ? kNone : items->second, &missingItemsLeft);
    }
    // A corrupted count over no page section at all leaves nothing: then page 1,
    // which is missing too, gives the default page.
    if (launcherData.pages.empty())
        ReadPage(doc, 1, kNone, &missingItemsLeft);
}

void WriteNumber(IniDocument* doc, const char* section, const char* key, int32_t value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    doc->Write(section, key, text);
}

// Every text is written with one double quote before and after it, whatever it holds.
void WriteQuoted(IniDocument* doc, const char* section, const char* key, const char* value)
{
    std::string quoted;
    quoted.reserve(kTextSize + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    doc->Write(section, key, quoted);
}

IniDocument BuildSettingsDocument()
{
    IniDocument doc;
    WriteNumber(&doc, kLauncherSection, kPageCountKey, GetPageCount());
    for (const SettingKey& k : kSettingKeys)
        WriteNumber(&doc, kLauncherSection, k.key, launcherData.settings.*k.field);
    char section[48];
    for (int p = 0; p < GetPageCount(); ++p) {
        snprintf(section, sizeof section, kPageSectionFormat, p + 1);
        WriteNumber(&doc, section, kItemCountKey, GetItemCount(p));
        WriteQuoted(&doc, section, kPageNameKey, GetPageName(p));
        for (int i = 0; i < GetItemCount(p); ++i) {
            const LauncherItem& item = GetItem(p, i);
            snprintf(section, sizeof section, kItemSectionFormat, p + 1, i + 1);
            for (const ItemTextKey& k : kItemTextKeys)
                WriteQuoted(&doc, section, k.key, item.*k.field);
            for (const ItemNumberKey& k : kItemNumberKeys)
                WriteNumber(&doc, section, k.key, item.*k.field);
        }
    }
    return doc;
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

// The new text goes to a temporary file beside the old one, is flushed, and then
// takes the old one's place in one rename; on any failure the temporary file goes
// and the old file stays as it was.
void ReplaceSettingsFile(const char* path, const std::string& bytes)
{
    char tempPath[kTextSize + 32];
    snprintf(tempPath, sizeof tempPath, "%s.%lu.tmp", path, static_cast<unsigned long>(GetCurrentProcessId()));
    HANDLE file = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
    bool closed = CloseHandle(file);
    if (!written || !closed
        || !MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        DeleteFileA(tempPath);
}

}  // namespace

void SetSettingsFolder(const char* folder)
{
    launcherData.iniPath[0] = '\0';
    settingsUnreadable = false;
    if (!folder || !*folder)
        return;
    // The whole path must fit in 519 characters. A longer folder gives no path at
    // all: a cut one would name some other file.
    constexpr size_t kFileNameLength = sizeof(TEXT_INI_FILE_FORMAT) - 1 - 2;  // without "%s"
    if (strnlen(folder, kTextSize) + kFileNameLength > kTextSize - 1)
        return;
    snprintf(launcherData.iniPath, kTextSize, TEXT_INI_FILE_FORMAT, folder);
}

void LoadSettings()
{
    // The page list is replaced, not added to, should a panel load again.
    launcherData.pages.clear();
    launcherData.currentPage = 0;
    settingsUnreadable = false;

    IniDocument doc;
    if (launcherData.iniPath[0]) {
        std::string bytes;
        ReadResult result = ReadSettingsBytes(launcherData.iniPath, &bytes);
        if (result == ReadResult::Read)
            doc = IniDocument::Parse(bytes);
        settingsUnreadable = result == ReadResult::Unreadable;
    }
    ReadRecords(doc);

    // The icons in item order, so image i of the lists is the i-th icon obtained.
    // An item whose icon cannot be obtained gets -1, not the index the next icon
    // will take.
    for (LauncherPage& page : launcherData.pages) {
        for (LauncherItem& item : page.items)
            item.imageIndex = StoreItemIcon(-1, item.iconIndex, item.iconPath);
    }
}

void SaveSettings()
{
    const char* path = launcherData.iniPath;
    if (!path[0] || settingsUnreadable)
        return;
    // A read-only file stays as it is (on Windows its replacement fails anyway).
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return;
    ReplaceSettingsFile(path, BuildSettingsDocument().Serialize());
}
