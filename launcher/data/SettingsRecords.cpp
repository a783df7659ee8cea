#include "data/SettingsRecords.h"

#include "data/CompanionKey.h"
#include "data/Cp932.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

namespace {

// Keys, order and defaults of the file.
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
// Each may have a companion key with its exact text (CompanionKey.h). A path's
// key holds its short form where CP932 cannot hold it (shortForm), others the
// text with '?' for what CP932 lacks.
struct ItemTextKey {
    const char* key;
    std::wstring LauncherItem::*field;
    std::string LauncherItem::*shortForm;  // null: no short form
};
const ItemTextKey kItemTextKeys[] = {
    {"Name", &LauncherItem::name, nullptr},
    {"Path", &LauncherItem::path, &LauncherItem::shortPath},
    {"Parameter", &LauncherItem::parameter, nullptr},
    {"WorkDir", &LauncherItem::workDir, &LauncherItem::shortWorkDir},
    {"IconPath", &LauncherItem::iconPath, &LauncherItem::shortIconPath},
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
// there, while the load's budget for such records covers all of them; a count
// that asks for more is taken as corrupted, and the list holds exactly the
// sections present within it. So "ItemCount=3" over two item sections still
// gives a third, empty item, while "ItemCount=2000000000" gives the items that
// exist and nothing else, and no load makes more than 32 pages and 32 items of
// nothing (an item of nothing still costs an icon look-up of the empty path,
// about 6 ms under Wine).
constexpr int64_t kMissingPagesBudget = 32;
constexpr int64_t kMissingItemsBudget = 32;

// A text of the file as read: the key's own CP932 value, and the exact text (its
// companion's while that counts, else the value's).
struct TextRead {
    std::string value;
    std::wstring text;
    bool exactFromCompanion;
};

TextRead ReadText(const IniDocument& doc, const char* section, const char* key, std::string_view defaultValue)
{
    TextRead read;
    read.value = doc.GetString(section, key, defaultValue);
    // A profile text ends at a NUL byte; a lone lead byte at the end names no
    // character (the decoder may make a NUL of it): it goes, as from a cut text.
    read.value.resize(std::min(read.value.find('\0'), read.value.size()));
    read.value.resize(Cp932CutLength(read.value, read.value.size()));
    std::vector<std::string> companion = ReadCompanion(doc, section, key);
    read.text = ReadFileText(read.value, companion);
    read.exactFromCompanion = !companion.empty() && read.text != WideFromCp932(read.value);
    if (read.text.size() > kMaxTextUnits)
        read.text.resize(kMaxTextUnits);
    return read;
}

// The key's value as the stand-in of a path for the next save: a value that stood
// in for an exact text and is not just that text with '?' (which the save makes
// again anyway) is the short path written with it, which names the same file.
std::string ShortFormOf(const TextRead& read)
{
    return read.exactFromCompanion && read.value != LossyCp932(read.text) ? read.value : std::string();
}

// Every text is written with one double quote before and after it, whatever it
// holds; its companion, when it needs one, follows it.
void WriteText(IniDocument* doc, const char* section, const char* key, const std::wstring& text,
               const std::string& fallback);

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
    item.imageIndex = -1;
    TextRead path{};  // IconPath's default is the Path key's own value
    for (const ItemTextKey& k : kItemTextKeys) {
        bool iconPath = k.field == &LauncherItem::iconPath;
        TextRead read = ReadText(doc, section, k.key, iconPath ? std::string_view(path.value) : std::string_view());
        // A missing IconPath (or one that repeats the Path key without a companion
        // of its own) is the exact Path, not the Path's CP932 stand-in.
        if (iconPath && !read.exactFromCompanion && read.value == path.value)
            read = path;
        item.*k.field = read.text;
        if (k.shortForm)
            item.*k.shortForm = ShortFormOf(read);
        if (k.field == &LauncherItem::path)
            path = read;
    }
    for (const ItemNumberKey& k : kItemNumberKeys)
        item.*k.field = doc.GetInt(section, k.key, kDefaultItemNumber);
    page->items.push_back(item);
}

void ReadPage(const IniDocument& doc, int32_t pageNumber, const std::vector<int32_t>& presentItems,
              int64_t* missingItemsLeft, std::vector<LauncherPage>* pages)
{
    pages->emplace_back();
    LauncherPage& page = pages->back();
    char section[48];
    snprintf(section, sizeof section, kPageSectionFormat, pageNumber);
    int32_t itemCount = doc.GetInt(section, kItemCountKey, kDefaultItemCount);
    std::string defaultName;
    ExactCp932(DefaultPageName(pageNumber), &defaultName);
    page.name = ReadText(doc, section, kPageNameKey, defaultName).text;
    std::vector<int32_t> items = ListNumbers(itemCount, presentItems, missingItemsLeft);
    page.items.reserve(items.size());
    for (int32_t itemNumber : items)
        ReadItem(doc, pageNumber, itemNumber, &page);
}

void WriteNumber(IniDocument* doc, const char* section, const char* key, int32_t value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    doc->Write(section, key, text);
}

void WriteQuoted(IniDocument* doc, const char* section, const char* key, const std::string& value)
{
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    doc->Write(section, key, quoted);
}

void WriteText(IniDocument* doc, const char* section, const char* key, const std::wstring& text,
               const std::string& fallback)
{
    FileText t = MakeFileText(text, fallback);
    WriteQuoted(doc, section, key, t.value);
    WriteCompanion(doc, section, key, t.companion);
}

}  // namespace

void ReadSettingsRecords(const IniDocument& doc, std::vector<LauncherPage>* pages, PanelSettings* settings)
{
    pages->clear();
    for (const SettingKey& k : kSettingKeys)
        settings->*k.field = doc.GetInt(kLauncherSection, k.key, k.defaultValue);

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
        ReadPage(doc, pageNumber, items == present.items.end() ? kNone : items->second, &missingItemsLeft, pages);
    }
    // A corrupted count over no page section at all leaves nothing: then page 1,
    // which is missing too, gives the default page.
    if (pages->empty())
        ReadPage(doc, 1, kNone, &missingItemsLeft, pages);
}

IniDocument BuildSettingsDocument(const std::vector<LauncherPage>& pages, const PanelSettings& settings)
{
    static const std::string kNoFallback;
    IniDocument doc;
    int pageCount = static_cast<int>(pages.size());
    WriteNumber(&doc, kLauncherSection, kPageCountKey, pageCount);
    for (const SettingKey& k : kSettingKeys)
        WriteNumber(&doc, kLauncherSection, k.key, settings.*k.field);
    char section[48];
    for (int p = 0; p < pageCount; ++p) {
        const LauncherPage& page = pages[p];
        int itemCount = static_cast<int>(page.items.size());
        snprintf(section, sizeof section, kPageSectionFormat, p + 1);
        WriteNumber(&doc, section, kItemCountKey, itemCount);
        WriteText(&doc, section, kPageNameKey, page.name, std::string());
        for (int i = 0; i < itemCount; ++i) {
            const LauncherItem& item = page.items[i];
            snprintf(section, sizeof section, kItemSectionFormat, p + 1, i + 1);
            for (const ItemTextKey& k : kItemTextKeys)
                WriteText(&doc, section, k.key, item.*k.field, k.shortForm ? item.*k.shortForm : kNoFallback);
            for (const ItemNumberKey& k : kItemNumberKeys)
                WriteNumber(&doc, section, k.key, item.*k.field);
        }
    }
    return doc;
}
