#include "data/CompanionKey.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "data/Cp932.h"

namespace {

constexpr char kCompanionSuffix[] = "W";
constexpr char kEscape = '`';
constexpr size_t kEscapeLength = 5;  // "`" and four hex digits
constexpr size_t kChecksumLength = 8;
constexpr char kPartsMark = '/';
constexpr char kTextMark = ':';

// Room for the text in the first value and in each further one.
constexpr size_t kFirstHeaderRoom = kChecksumLength + 1 + 3 + 1;  // "XXXXXXXX/NNN:"
constexpr size_t kFirstCapacity = kCp932TextLimit - kFirstHeaderRoom;
constexpr size_t kNextCapacity = kCp932TextLimit - 1;
// The most values one text takes: every unit escaped, in values of the smaller room.
constexpr size_t kMaxParts = kMaxCompanionUnits * kEscapeLength / kFirstCapacity + 1;
static_assert(kMaxParts <= 999, "the header keeps room for three digits");

uint32_t Checksum(std::string_view bytes)
{
    uint32_t hash = 2166136261u;
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

// The form of one UTF-16 unit in a companion's text.
void AppendUnit(wchar_t c, std::string* text, std::string* scratch)
{
    if (c >= 0x20 && c < 0x7F && c != kEscape) {
        *text += static_cast<char>(c);
        return;
    }
    if (c >= 0x80 && ExactCp932(std::wstring_view(&c, 1), scratch)) {
        *text += *scratch;
        return;
    }
    char escaped[kEscapeLength + 1];
    snprintf(escaped, sizeof escaped, "%c%04X", kEscape, static_cast<unsigned>(c));
    *text += escaped;
}

// A part ends here. A reader drops the blanks that end a value, so the spaces at
// its end become literal spaces and one escaped space as far as room allows; the
// rest (at most four) open the next part, left in *part.
void EndPart(std::vector<std::string>* parts, std::string* part, size_t capacity)
{
    size_t spaces = 0;
    while (!part->empty() && part->back() == ' ') {
        part->pop_back();
        ++spaces;
    }
    size_t kept = 0;
    if (spaces > 0 && capacity - part->size() >= kEscapeLength) {
        kept = std::min(spaces, capacity - part->size() - (kEscapeLength - 1));
        part->append(kept - 1, ' ');
        *part += "`0020";
    }
    parts->push_back(*part);
    part->assign(spaces - kept, ' ');
}

// The exact text in values of at most 519 bytes, with their headers.
std::vector<std::string> CompanionParts(std::wstring_view exact, std::string_view value)
{
    std::vector<std::string> parts;
    std::string part;
    std::string unit;
    std::string scratch;
    for (wchar_t c : exact) {
        unit.clear();
        AppendUnit(c, &unit, &scratch);
        size_t capacity = parts.empty() ? kFirstCapacity : kNextCapacity;
        if (part.size() + unit.size() > capacity)
            EndPart(&parts, &part, capacity);
        part += unit;
    }
    do
        EndPart(&parts, &part, parts.empty() ? kFirstCapacity : kNextCapacity);
    while (!part.empty());

    char header[kFirstHeaderRoom + 1];
    if (parts.size() == 1)
        snprintf(header, sizeof header, "%08X%c", Checksum(value), kTextMark);
    else
        snprintf(header, sizeof header, "%08X%c%u%c", Checksum(value), kPartsMark,
                 static_cast<unsigned>(parts.size()), kTextMark);
    parts[0].insert(0, header);
    for (size_t i = 1; i < parts.size(); ++i)
        parts[i].insert(0, 1, kTextMark);
    return parts;
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

template <typename Char>
bool TakeHex(std::basic_string_view<Char>* text, size_t digits, uint32_t* number)
{
    if (text->size() < digits)
        return false;
    *number = 0;
    for (size_t i = 0; i < digits; ++i) {
        int d = HexDigit(static_cast<wchar_t>((*text)[i]));
        if (d < 0)
            return false;
        *number = *number << 4 | static_cast<uint32_t>(d);
    }
    text->remove_prefix(digits);
    return true;
}

// "/N" of the first value (1 when absent); 0 when it is not a count of parts.
size_t TakePartCount(std::string_view* header)
{
    if (header->empty() || header->front() != kPartsMark)
        return 1;
    header->remove_prefix(1);
    size_t count = 0;
    size_t digits = 0;
    while (digits < header->size() && digits < 3 && (*header)[digits] >= '0' && (*header)[digits] <= '9')
        count = count * 10 + static_cast<size_t>((*header)[digits++] - '0');
    header->remove_prefix(digits);
    return count >= 2 && count <= kMaxParts ? count : 0;
}

bool Unescape(std::wstring_view text, std::wstring* exact)
{
    exact->clear();
    exact->reserve(text.size());
    while (!text.empty()) {
        wchar_t c = text.front();
        text.remove_prefix(1);
        if (c == static_cast<wchar_t>(kEscape)) {
            uint32_t unit = 0;
            if (!TakeHex(&text, 4, &unit) || unit == 0)
                return false;
            c = static_cast<wchar_t>(unit);
        }
        *exact += c;
    }
    return true;
}

// The companion's text when it counts for this value.
bool CompanionText(std::string_view value, const std::vector<std::string>& companion, std::wstring* exact)
{
    std::string_view first = companion[0];
    uint32_t checksum = 0;
    if (!TakeHex(&first, kChecksumLength, &checksum) || checksum != Checksum(value))
        return false;
    size_t count = TakePartCount(&first);
    if (count != companion.size() || first.empty() || first.front() != kTextMark)
        return false;
    std::string bytes(first.substr(1));
    for (size_t i = 1; i < count; ++i) {
        if (companion[i].empty() || companion[i].front() != kTextMark)
            return false;
        bytes.append(companion[i], 1, std::string::npos);
    }
    std::wstring escaped;
    return WideFromValidCp932(bytes, &escaped) && Unescape(escaped, exact);
}

}  // namespace

FileText MakeFileText(std::wstring_view exact, std::string_view fallback)
{
    FileText text;
    if (exact.size() <= kCp932TextLimit && ExactCp932(exact, &text.value) && text.value.size() <= kCp932TextLimit)
        return text;
    std::string lossy;
    if (fallback.empty()) {
        lossy = LossyCp932(exact);
        fallback = lossy;
    }
    text.value.assign(fallback.substr(0, Cp932CutLength(fallback)));
    if (exact.size() <= kMaxCompanionUnits)
        text.companion = CompanionParts(exact, text.value);
    return text;
}

std::wstring ReadFileText(std::string_view value, const std::vector<std::string>& companion)
{
    std::wstring exact;
    if (!companion.empty() && CompanionText(value, companion, &exact))
        return exact;
    return WideFromCp932(value);
}

std::string CompanionKeyName(std::string_view key, size_t part)
{
    std::string name(key);
    name += kCompanionSuffix;
    if (part > 1)
        name += std::to_string(part);
    return name;
}

void WriteCompanion(IniDocument* doc, std::string_view section, std::string_view key,
                    const std::vector<std::string>& companion)
{
    for (size_t i = 0; i < companion.size(); ++i)
        doc->Write(section, CompanionKeyName(key, i + 1), companion[i]);
}

std::vector<std::string> ReadCompanion(const IniDocument& doc, std::string_view section, std::string_view key)
{
    std::vector<std::string> companion;
    std::string first = doc.GetString(section, CompanionKeyName(key, 1), "");
    if (first.empty())
        return companion;
    std::string_view header(first);
    uint32_t checksum = 0;
    size_t count = TakeHex(&header, kChecksumLength, &checksum) ? TakePartCount(&header) : 1;
    companion.push_back(std::move(first));
    for (size_t part = 2; part <= count; ++part) {
        std::string next = doc.GetString(section, CompanionKeyName(key, part), "");
        if (next.empty())
            break;  // parts missing: the companion does not count
        companion.push_back(std::move(next));
    }
    return companion;
}
