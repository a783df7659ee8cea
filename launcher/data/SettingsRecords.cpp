#include "data/SettingsRecords.h"

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
// there, while the load's budget for such records covers all of them; a count
// that asks for more is taken as corrupted, and the list holds exactly the
// sections present within it. So "ItemCount=3" over two item sections still
// gives a third, empty item, while "ItemCount=2000000000" gives the items that
// exist and nothing else, and no load makes more than 32 pages and 32 items of
// nothing (an item of nothing still costs an icon look-up of the empty path,
// about 6 ms under Wine).
constexpr int64_t kMissingPagesBudget = 32;
constexpr int64_t kMissingItemsBudget = 32;

// A text as GetString answers it: at most 519 bytes, never ending inside a
// double-byte character, no NUL. So it fits its buffer whole.
void StoreText(char (&buffer)[kTextSize], const std::string& text)
{
    size_t length = std::min(text.size(), sizeof buffer - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
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
    item.imageIndex = -1;
    for (const ItemTextKey& k : kItemTextKeys) {
        const char* defaultValue = k.field == &LauncherItem::iconPath ? item.path : "";
        StoreText(item.*k.field, doc.GetString(section, k.key, defaultValue));
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
    char defaultName[kTextSize];
    FormatDefaultPageName(defaultName, pageNumber);
    StoreText(page.name, doc.GetString(section, kPageNameKey, defaultName));
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
        WriteQuoted(&doc, section, kPageNameKey, page.name);
        for (int i = 0; i < itemCount; ++i) {
            const LauncherItem& item = page.items[i];
            snprintf(section, sizeof section, kItemSectionFormat, p + 1, i + 1);
            for (const ItemTextKey& k : kItemTextKeys)
                WriteQuoted(&doc, section, k.key, item.*k.field);
            for (const ItemNumberKey& k : kItemNumberKeys)
                WriteNumber(&doc, section, k.key, item.*k.field);
        }
    }
    return doc;
}
