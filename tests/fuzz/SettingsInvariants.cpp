#include "SettingsInvariants.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>

#include "data/IniDocument.h"
#include "data/LauncherRecords.h"
#include "data/SettingsRecords.h"

namespace settingsfuzz {
namespace {

constexpr char kScriptMark = '\xFF';  // never part of a CP932 character
constexpr size_t kMaxProbeNames = 8;
constexpr size_t kMaxProbeLength = 64;
constexpr size_t kMaxWrites = 8;
constexpr size_t kMaxShown = 48;  // bytes of a text shown in a message

// Counts the load may add without a section behind them (see SettingsRecords.cpp).
constexpr size_t kMissingPagesAllowed = 32;
constexpr size_t kMissingItemsAllowed = 32;

bool StartsWithSignature(std::string_view text)
{
    return text.substr(0, 3) == "\xEF\xBB\xBF";
}

std::string Show(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size() && i < kMaxShown; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    if (text.size() > kMaxShown)
        out += "...(" + std::to_string(text.size()) + " bytes)";
    return out;
}

std::string Fold(std::string_view name)
{
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Digits of a number from 1 to INT32_MAX as "%d" writes it.
bool TakeCanonicalNumber(std::string_view* text)
{
    size_t i = 0;
    while (i < text->size() && (*text)[i] >= '0' && (*text)[i] <= '9')
        ++i;
    if (i == 0 || i > 10 || (*text)[0] == '0')
        return false;
    if (std::stoll(std::string(text->substr(0, i))) > INT32_MAX)
        return false;
    text->remove_prefix(i);
    return true;
}

// The distinct sections the loader can find for a page ("page7") and for an item
// ("page7:item3").
void CountRecordSections(const IniDocument& doc, size_t* pages, size_t* items)
{
    std::set<std::string> pageNames;
    std::set<std::string> itemNames;
    for (std::string_view name : doc.SectionNames()) {
        std::string folded = Fold(name);
        std::string_view rest = folded;
        if (rest.substr(0, 4) != "page")
            continue;
        rest.remove_prefix(4);
        if (!TakeCanonicalNumber(&rest))
            continue;
        if (rest.empty()) {
            pageNames.insert(folded);
        } else if (rest.substr(0, 5) == ":item") {
            rest.remove_prefix(5);
            if (TakeCanonicalNumber(&rest) && rest.empty())
                itemNames.insert(folded);
        }
    }
    *pages = pageNames.size();
    *items = itemNames.size();
}

// Names to look up: the first sections (and the lines before the first), the
// text before '=' of the first lines (of the text and of the script), what the
// writes named, and some of the launcher's names.
struct Probes {
    std::vector<std::string> sections;
    std::vector<std::string> keys;
};

void AddUnique(std::vector<std::string>* names, std::string_view name)
{
    if (std::find(names->begin(), names->end(), name) == names->end())
        names->emplace_back(name);
}

Probes MakeProbes(const IniDocument& doc, std::string_view text)
{
    Probes probes;
    AddUnique(&probes.sections, "");
    AddUnique(&probes.sections, "Launcher");
    AddUnique(&probes.sections, "Page1");
    for (std::string_view name : doc.SectionNames()) {
        if (probes.sections.size() >= kMaxProbeNames)
            break;
        if (name.size() <= kMaxProbeLength)
            AddUnique(&probes.sections, name);
    }
    for (const char* key : {"PageCount", "Name", "Path", "IconIndex"})
        AddUnique(&probes.keys, key);
    size_t pos = 0;
    while (pos < text.size() && probes.keys.size() < kMaxProbeNames) {
        size_t end = text.find_first_of("\r\n\xFF", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        AddUnique(&probes.keys, line.substr(0, std::min(line.find('='), kMaxProbeLength)));
        pos = end + 1;
    }
    return probes;
}

// Two documents that must answer every look-up alike.
void CompareAnswers(const IniDocument& expected, const IniDocument& actual, const std::vector<std::string>& sections,
                    const std::vector<std::string>& keys, const std::string& what, std::vector<std::string>* faults)
{
    std::vector<std::string_view> expectedNames = expected.SectionNames();
    std::vector<std::string_view> actualNames = actual.SectionNames();
    if (expectedNames != actualNames) {
        faults->push_back(what + ": the section names differ (" + std::to_string(expectedNames.size()) + " against "
                          + std::to_string(actualNames.size()) + ")");
        return;
    }
    for (const std::string& section : sections) {
        for (const std::string& key : keys) {
            std::string a = expected.GetString(section, key, "default");
            std::string b = actual.GetString(section, key, "default");
            int32_t m = expected.GetInt(section, key, -7);
            int32_t n = actual.GetInt(section, key, -7);
            if (a.size() >= IniDocument::kTextBufferSize)
                faults->push_back(what + ": [" + Show(section) + "] " + Show(key) + " answers "
                                  + std::to_string(a.size()) + " bytes");
            if (a != b || m != n) {
                faults->push_back(what + ": [" + Show(section) + "] " + Show(key) + " reads \"" + Show(a) + "\" ("
                                  + std::to_string(m) + ") against \"" + Show(b) + "\" (" + std::to_string(n) + ")");
                return;
            }
        }
    }
}

// Every answer fits the buffer it was asked for (CompareAnswers checks the
// launcher's buffers of 520 bytes).
void CheckBounds(const IniDocument& doc, const Probes& probes, size_t extraSize, std::vector<std::string>* faults)
{
    const size_t sizes[] = {2, extraSize};
    for (const std::string& section : probes.sections) {
        for (const std::string& key : probes.keys) {
            for (size_t size : sizes) {
                std::string text = doc.GetString(section, key, "", size);
                if (text.size() > size - 1) {
                    faults->push_back("[" + Show(section) + "] " + Show(key) + " into " + std::to_string(size)
                                      + " bytes answers " + std::to_string(text.size()) + " bytes: \"" + Show(text)
                                      + "\"");
                    return;
                }
            }
        }
    }
}

struct Records {
    std::vector<LauncherPage> pages;
    PanelSettings settings = {};
};

Records ReadRecords(const IniDocument& doc)
{
    Records records;
    ReadSettingsRecords(doc, &records.pages, &records.settings);
    return records;
}

bool Terminated(const std::wstring& text)
{
    return text.size() <= kMaxTextUnits && text.find(L'\0') == std::wstring::npos;
}

void CheckRecords(const IniDocument& doc, const Records& records, std::vector<std::string>* faults)
{
    if (records.pages.empty()) {
        faults->push_back("the load made no page");
        return;
    }
    size_t pageSections = 0;
    size_t itemSections = 0;
    CountRecordSections(doc, &pageSections, &itemSections);
    size_t items = 0;
    for (const LauncherPage& page : records.pages) {
        items += page.items.size();
        bool terminated = Terminated(page.name);
        for (const LauncherItem& item : page.items) {
            terminated = terminated && Terminated(item.name) && Terminated(item.path) && Terminated(item.parameter)
                         && Terminated(item.workDir) && Terminated(item.iconPath);
            if (item.imageIndex != -1)
                faults->push_back("an item's image index is " + std::to_string(item.imageIndex) + " before any icon");
        }
        if (!terminated)
            faults->push_back("a text is longer than an item holds or has a NUL in it");
    }
    if (records.pages.size() > pageSections + kMissingPagesAllowed)
        faults->push_back(std::to_string(records.pages.size()) + " pages from " + std::to_string(pageSections)
                          + " page sections");
    if (items > itemSections + kMissingItemsAllowed)
        faults->push_back(std::to_string(items) + " items from " + std::to_string(itemSections) + " item sections");
}

// A text saved (between quotes) and read again comes back whole, except a text
// ending with a lone lead byte (only the very end of a file, or a lead byte
// before a NUL, gives one): that byte takes the closing quote with it, as with
// the platform's own functions, so the quotes stay.
// A text read from bytes CP932 does not define came in as the decoder's stand-in
// (U+30FB on Windows); it is written back as that character, not as the bytes.
bool HoldsUndefinedBytes(const std::wstring& text)
{
    return text.find(L'\x30FB') != std::wstring::npos || text.find(L'\xFFFD') != std::wstring::npos;
}

std::string ShowWide(const std::wstring& text)
{
    std::string out;
    for (size_t i = 0; i < text.size() && i < kMaxShown; ++i) {
        unsigned long c = static_cast<unsigned long>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[16];
            snprintf(hex, sizeof hex, "\\u%04lX", c);
            out += hex;
        }
    }
    return out;
}

void CompareText(const std::string& where, const std::wstring& before, const std::wstring& after,
                 std::vector<std::string>* faults)
{
    if (HoldsUndefinedBytes(before))
        return;
    if (before != after)
        faults->push_back(where + " was \"" + ShowWide(before) + "\", saved and read again \"" + ShowWide(after) + "\"");
}

void CompareRecords(const Records& first, const Records& second, std::vector<std::string>* faults)
{
    const PanelSettings& a = first.settings;
    const PanelSettings& b = second.settings;
    if (a.doubleClick != b.doubleClick || a.showTab != b.showTab || a.viewStyle != b.viewStyle
        || a.autoArrange != b.autoArrange || a.gridArrange != b.gridArrange)
        faults->push_back("the settings changed when saved and read again");
    if (first.pages.size() != second.pages.size()) {
        faults->push_back(std::to_string(first.pages.size()) + " pages saved, "
                          + std::to_string(second.pages.size()) + " read again");
        return;
    }
    for (size_t p = 0; p < first.pages.size(); ++p) {
        const LauncherPage& x = first.pages[p];
        const LauncherPage& y = second.pages[p];
        std::string page = "page " + std::to_string(p + 1);
        CompareText(page + " name", x.name, y.name, faults);
        if (x.items.size() != y.items.size()) {
            faults->push_back(page + ": " + std::to_string(x.items.size()) + " items saved, "
                              + std::to_string(y.items.size()) + " read again");
            continue;
        }
        for (size_t i = 0; i < x.items.size(); ++i) {
            const LauncherItem& s = x.items[i];
            const LauncherItem& t = y.items[i];
            std::string item = page + " item " + std::to_string(i + 1);
            CompareText(item + " name", s.name, t.name, faults);
            CompareText(item + " path", s.path, t.path, faults);
            CompareText(item + " parameter", s.parameter, t.parameter, faults);
            CompareText(item + " folder", s.workDir, t.workDir, faults);
            CompareText(item + " icon path", s.iconPath, t.iconPath, faults);
            if (s.iconIndex != t.iconIndex || s.posX != t.posX || s.posY != t.posY)
                faults->push_back(item + ": the numbers changed when saved and read again");
        }
    }
}

// Section, key and value triples of the script.
std::vector<std::string_view> SplitScript(std::string_view script)
{
    std::vector<std::string_view> fields;
    size_t pos = 0;
    while (pos < script.size() && fields.size() < 3 * kMaxWrites) {
        size_t end = script.find(kScriptMark, pos);
        if (end == std::string_view::npos)
            end = script.size();
        fields.push_back(script.substr(pos, end - pos));
        pos = end + 1;
    }
    fields.resize(fields.size() / 3 * 3);
    return fields;
}

}  // namespace

std::vector<std::string> CheckSettingsInvariants(std::string_view input)
{
    std::vector<std::string> faults;
    size_t mark = input.find(kScriptMark);
    std::string_view text = input.substr(0, mark);
    std::string_view script = mark == std::string_view::npos ? std::string_view() : input.substr(mark + 1);

    // The document, and the file it would be written back as. Writing a parsed
    // text may lose what the platform loses too (the header of a section named
    // "", a key line made of a NUL character, which is written as an empty line);
    // from then on the text is stable: read again, it answers alike and writes
    // back byte for byte. Not so a text that starts with a UTF-8 signature (the
    // reader skips one, and the writer never writes one), say a key named so in
    // the lines before the first section.
    IniDocument doc = IniDocument::Parse(text);
    Probes probes = MakeProbes(doc, text);
    CheckBounds(doc, probes, 2 + text.size() % 600, &faults);
    IniDocument written = IniDocument::Parse(doc.Serialize());
    std::string writtenText = written.Serialize();
    IniDocument reread = IniDocument::Parse(writtenText);
    if (!StartsWithSignature(writtenText)) {
        CompareAnswers(written, reread, probes.sections, probes.keys, "written and read again", &faults);
        if (reread.Serialize() != writtenText)
            faults.push_back("a written document writes back differently: \"" + Show(writtenText) + "\" then \""
                             + Show(reread.Serialize()) + "\"");
    }

    // The records, saved and loaded again.
    Records records = ReadRecords(doc);
    CheckRecords(doc, records, &faults);
    std::string saved = BuildSettingsDocument(records.pages, records.settings).Serialize();
    IniDocument savedDoc = IniDocument::Parse(saved);
    if (savedDoc.Serialize() != saved)
        faults.push_back("a saved file does not write back as it was");
    CompareRecords(records, ReadRecords(savedDoc), &faults);

    // Writes into the written document: after each, it answers what a reader of
    // its text reads (the text itself holds what was written, odd lines and all):
    // in the section written and for the key written after each write, and for
    // every name after the last.
    IniDocument edited = written;
    std::vector<std::string_view> fields = SplitScript(script);
    for (size_t i = 0; i < fields.size() && faults.empty(); i += 3) {
        edited.Write(fields[i], fields[i + 1], fields[i + 2]);
        AddUnique(&probes.sections, fields[i]);
        AddUnique(&probes.keys, fields[i + 1]);
        std::string text = edited.Serialize();
        if (StartsWithSignature(text))
            continue;
        IniDocument check = IniDocument::Parse(text);
        std::string what = "after write " + std::to_string(i / 3 + 1);
        CompareAnswers(check, edited, {std::string(fields[i])}, probes.keys, what, &faults);
        CompareAnswers(check, edited, probes.sections, {std::string(fields[i + 1])}, what, &faults);
        if (i + 3 == fields.size())
            CompareAnswers(check, edited, probes.sections, probes.keys, what, &faults);
    }
    CheckBounds(edited, probes, 2 + script.size() % 600, &faults);
    return faults;
}

}  // namespace settingsfuzz
