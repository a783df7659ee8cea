#include "data/IniDocument.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr size_t kNone = std::string_view::npos;

// GetPrivateProfileIntA reads the value into a buffer of this many characters.
constexpr size_t kNumberBufferSize = 30;

bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Bytes of the character at text[pos]: a lead byte takes the next byte with it,
// whatever that byte is (the platform's CP932 decoder does the same).
size_t CharLength(std::string_view text, size_t pos)
{
    return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// The profile functions' blanks. None of them is a lead byte, so a blank byte at
// a character boundary is a whole character.
bool IsBlank(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
}

bool IsSingle(std::string_view text, size_t pos, char c)
{
    return text[pos] == c && CharLength(text, pos) == 1;
}

std::string_view TrimLeft(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.substr(i);
}

// By characters from the front: a lead byte followed by a blank byte is one
// character that is not blank.
std::string_view TrimRight(std::string_view text)
{
    if (text.empty() || !IsBlank(text.back()))
        return text;
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        size_t n = CharLength(text, i);
        if (n == 2 || !IsBlank(text[i]))
            end = i + n;
        i += n;
    }
    return text.substr(0, end);
}

std::string_view Trim(std::string_view text)
{
    return TrimRight(TrimLeft(text));
}

// The platform keeps names and values as C strings: whatever follows a NUL
// character is invisible.
std::string_view CutAtNul(std::string_view text)
{
    if (text.find('\0') == kNone)
        return text;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (text[i] == '\0')
            return text.substr(0, i);
    }
    return text;
}

bool HasSingle(std::string_view text, char c)
{
    if (text.find(c) == kNone)
        return false;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (IsSingle(text, i, c))
            return true;
    }
    return false;
}

bool HasLineBreak(std::string_view text)
{
    return HasSingle(text, '\r') || HasSingle(text, '\n');
}

// Whether any byte may start a double-byte character; without one, characters
// are bytes.
bool HasLeadByte(std::string_view text)
{
    for (char c : text) {
        if (IsLeadByte(static_cast<unsigned char>(c)))
            return true;
    }
    return false;
}

// A lead byte at the very end pairs with whatever the file puts after it.
bool EndsWithLoneLeadByte(std::string_view text)
{
    if (text.empty() || !IsLeadByte(static_cast<unsigned char>(text.back())))
        return false;
    size_t last = kNone;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        last = i;
    return last != kNone && CharLength(text, last) == 1 && IsLeadByte(static_cast<unsigned char>(text[last]));
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Hash of the case-folded name (ASCII letters only; double-byte characters as
// they are, so a trail byte that looks like a letter is never folded).
uint64_t FoldHash(std::string_view name)
{
    uint64_t hash = 14695981039346656037ULL;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (CharLength(name, i) == 2) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
            c = name[++i];
        } else {
            c = FoldAscii(c);
        }
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return hash;
}

bool NamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size();) {
        size_t n = CharLength(a, i);
        if (n == 1 ? FoldAscii(a[i]) != FoldAscii(b[i]) : (a[i] != b[i] || a[i + 1] != b[i + 1]))
            return false;
        i += n;
    }
    return true;
}

// PROFILE_CopyEntry into a buffer of `size` characters: one pair of enclosing
// quotes removed, at most size - 1 characters. Returned as the bytes it covers.
std::string_view CopyEntry(std::string_view value, size_t size)
{
    if (!HasLeadByte(value)) {
        // Characters are bytes.
        bool quoted = value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
        std::string_view text = quoted ? value.substr(1) : value;
        size_t end = std::min(text.size(), size - 1);
        if (quoted && end > 0 && size > text.size())
            --end;
        return text.substr(0, end);
    }
    bool quoted = false;
    if (!value.empty() && (value[0] == '"' || value[0] == '\'')) {
        size_t count = 0;
        size_t last = 0;
        for (size_t i = 0; i < value.size(); i += CharLength(value, i)) {
            last = i;
            ++count;
        }
        quoted = count >= 2 && last == value.size() - 1 && value[last] == value[0];
    }
    std::string_view text = quoted ? value.substr(1) : value;

    size_t copied = 0;
    size_t end = 0;
    size_t lastStart = 0;
    while (end < text.size() && copied < size - 1) {
        lastStart = end;
        end += CharLength(text, end);
        ++copied;
    }
    if (quoted && copied > 0) {
        // The closing quote is dropped when it was copied, that is when the text
        // after the opening quote fits the buffer. Wine also drops a real character
        // when that text is exactly `size` long (it compares with >=); a text that
        // fills the whole buffer is kept whole here, so 519 characters survive.
        size_t total = copied;
        for (size_t i = end; i < text.size() && total <= size; i += CharLength(text, i))
            ++total;
        if (size > total)
            end = lastStart;
    }
    return text.substr(0, end);
}

// The ANSI conversion into size - 1 bytes, which stops before a double-byte
// character that does not fit.
std::string CutBytes(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    size_t end = 0;
    while (end < text.size() && end + CharLength(text, end) <= maxBytes)
        end += CharLength(text, end);
    return std::string(text.substr(0, end));
}

// The default loses trailing spaces (0x20 only), but keeps one when it has
// nothing else.
std::string_view StripDefault(std::string_view text)
{
    if (text.empty() || text.back() != ' ')
        return text;
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        size_t n = CharLength(text, i);
        if (n == 2 || text[i] != ' ')
            end = i + n;
        i += n;
    }
    return text.substr(0, end == 0 ? 1 : end);
}

// RtlUnicodeStringToInteger with base 0, on single-byte characters (a double-byte
// character is never a blank, a sign or a digit, so it simply stops the number).
int32_t ParseNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
        ++i;
    bool minus = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        minus = text[i] == '-';
        ++i;
    }
    uint32_t base = 10;
    if (text.size() - i >= 2 && text[i] == '0') {
        char prefix = text[i + 1];
        if (prefix == 'b' || prefix == 'o' || prefix == 'x') {
            base = prefix == 'b' ? 2 : prefix == 'o' ? 8 : 16;
            i += 2;
        }
    }
    uint32_t total = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        uint32_t digit = c >= '0' && c <= '9'   ? c - '0'
                         : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                         : c >= 'a' && c <= 'z' ? c - 'a' + 10
                                                : 99;
        if (digit >= base)
            break;
        total = total * base + digit;
    }
    return static_cast<int32_t>(minus ? 0u - total : total);
}

}  // namespace

IniDocument::IniDocument()
{
    AddSection(Span{});
}

IniDocument::Span IniDocument::Store(std::string_view text)
{
    Span span{static_cast<uint32_t>(bytes_.size()), static_cast<uint32_t>(text.size())};
    bytes_.append(text.data(), text.size());
    return span;
}

void IniDocument::AddSection(Span name)
{
    if (!sections_.empty() && name.length == 0)
        namelessSection_ = true;
    firstSection_.emplace(FoldHash(View(name)), static_cast<uint32_t>(sections_.size()));
    sections_.push_back(Section{name, kNoKey, kNoKey});
}

void IniDocument::AddKey(uint32_t section, Span name, Span value, bool hasValue)
{
    uint32_t index = static_cast<uint32_t>(keys_.size());
    keys_.push_back(Key{name, value, hasValue, kNoKey});
    Section& s = sections_[section];
    if (s.lastKey == kNoKey)
        s.firstKey = index;
    else
        keys_[s.lastKey].next = index;
    s.lastKey = index;
}

uint32_t IniDocument::FindSection(std::string_view trimmedName) const
{
    auto found = firstSection_.find(FoldHash(trimmedName));
    if (found == firstSection_.end())
        return kNoKey;
    if (NamesEqual(View(sections_[found->second].name), trimmedName))
        return found->second;
    // Two names with one hash: search in order.
    for (uint32_t i = 0; i < sections_.size(); ++i) {
        if (NamesEqual(View(sections_[i].name), trimmedName))
            return i;
    }
    return kNoKey;
}

uint32_t IniDocument::FindKey(uint32_t section, std::string_view trimmedName) const
{
    for (uint32_t k = sections_[section].firstKey; k != kNoKey; k = keys_[k].next) {
        if (NamesEqual(View(keys_[k].name), trimmedName))
            return k;
    }
    return kNoKey;
}

IniDocument IniDocument::Parse(std::string_view input)
{
    IniDocument doc;
    if (input.size() >= 3 && std::memcmp(input.data(), "\xEF\xBB\xBF", 3) == 0)
        input.remove_prefix(3);
    doc.bytes_.assign(input.data(), input.size());
    const std::string_view bytes = doc.bytes_;
    auto span = [&](std::string_view piece) {
        return Span{static_cast<uint32_t>(piece.data() - bytes.data()), static_cast<uint32_t>(piece.size())};
    };

    uint32_t current = 0;           // section receiving the keys
    bool previousNameless = false;  // the section's last key has an empty name

    size_t pos = 0;
    while (pos < bytes.size()) {
        // One line: the characters up to a CR or LF character. On the way, note
        // the first non-blank character, the end of the last one, the first '='
        // and the last ']', with the end of the last non-blank before each.
        size_t start = kNone;
        size_t end = 0;
        size_t equals = kNone;
        size_t endBeforeEquals = 0;
        size_t close = kNone;
        size_t endBeforeClose = 0;
        while (pos < bytes.size()) {
            unsigned char c = static_cast<unsigned char>(bytes[pos]);
            if (IsLeadByte(c)) {
                if (start == kNone)
                    start = pos;
                pos += pos + 1 < bytes.size() ? 2 : 1;
                end = pos;
                continue;
            }
            if (c == '\r' || c == '\n')
                break;
            if (c == '=' && equals == kNone) {
                equals = pos;
                endBeforeEquals = end;
            } else if (c == ']') {
                close = pos;
                endBeforeClose = end;
            }
            if (!IsBlank(static_cast<char>(c))) {
                if (start == kNone)
                    start = pos;
                end = pos + 1;
            }
            ++pos;
        }
        while (pos < bytes.size() && (bytes[pos] == '\r' || bytes[pos] == '\n'))
            ++pos;
        if (start == kNone)
            continue;

        if (bytes[start] == '[' && close != kNone) {
            // endBeforeClose counts the '[' itself, so it never lies before the name.
            std::string_view name = TrimLeft(bytes.substr(start + 1, endBeforeClose - (start + 1)));
            doc.AddSection(span(CutAtNul(name)));
            current = static_cast<uint32_t>(doc.sections_.size() - 1);
            continue;
        }

        size_t nameLength = end - start;
        std::string_view value = bytes.substr(end, 0);
        if (equals != kNone) {
            nameLength = endBeforeEquals > start ? endBeforeEquals - start : 0;
            value = TrimLeft(bytes.substr(equals + 1, end - (equals + 1)));
        }
        // A line with an empty name is dropped right after another such line.
        if (nameLength == 0 && doc.sections_[current].lastKey != kNoKey && previousNameless)
            continue;
        std::string_view name = CutAtNul(bytes.substr(start, nameLength));
        doc.AddKey(current, span(name), span(CutAtNul(value)), equals != kNone);
        previousNameless = name.empty();
    }
    return doc;
}

std::string IniDocument::GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                   size_t bufferSize) const
{
    if (bufferSize < 2)
        return std::string();
    std::string_view value = StripDefault(CutAtNul(defaultValue));
    uint32_t s = FindSection(Trim(CutAtNul(section)));
    if (s != kNoKey) {
        uint32_t k = FindKey(s, Trim(CutAtNul(key)));
        if (k != kNoKey && keys_[k].hasValue)
            value = View(keys_[k].value);
    }
    return CutBytes(CopyEntry(value, bufferSize), bufferSize - 1);
}

int32_t IniDocument::GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const
{
    uint32_t s = FindSection(Trim(CutAtNul(section)));
    if (s == kNoKey)
        return defaultValue;
    uint32_t k = FindKey(s, Trim(CutAtNul(key)));
    if (k == kNoKey || !keys_[k].hasValue)
        return defaultValue;
    std::string_view text = CopyEntry(View(keys_[k].value), kNumberBufferSize);
    return text.empty() ? defaultValue : ParseNumber(text);
}

std::vector<std::string_view> IniDocument::SectionNames() const
{
    std::vector<std::string_view> names;
    names.reserve(sections_.size() - 1);
    for (size_t i = 1; i < sections_.size(); ++i)
        names.push_back(View(sections_[i].name));
    return names;
}

void IniDocument::Write(std::string_view section, std::string_view key, std::string_view value)
{
    // The arguments may be views of bytes_, which the stores below can move.
    std::string copies;
    auto inside = [&](std::string_view text) {
        return !text.empty() && text.data() >= bytes_.data() && text.data() < bytes_.data() + bytes_.size();
    };
    if (inside(section) || inside(key) || inside(value)) {
        copies.append(section).append(key).append(value);
        section = std::string_view(copies).substr(0, section.size());
        key = std::string_view(copies).substr(section.size(), key.size());
        value = std::string_view(copies).substr(section.size() + key.size());
    }

    std::string_view rawSection = TrimLeft(CutAtNul(section));
    std::string_view rawKey = TrimLeft(CutAtNul(key));
    std::string_view rawValue = TrimLeft(CutAtNul(value));
    std::string_view sectionName = TrimRight(rawSection);
    std::string_view keyName = TrimRight(rawKey);

    uint32_t s = NamesEqual(View(sections_[lastWrittenSection_].name), sectionName) ? lastWrittenSection_
                                                                                   : FindSection(sectionName);
    uint32_t k = s == kNoKey ? kNoKey : FindKey(s, keyName);
    // The same value again: the platform leaves the file as it is.
    if (k != kNoKey && keys_[k].hasValue && View(keys_[k].value) == rawValue)
        return;

    LastWrite write;
    write.active = true;
    if (s == kNoKey) {
        s = static_cast<uint32_t>(sections_.size());
        write.sectionCreated = true;
        write.sectionName = Store(rawSection);
        AddSection(Span{write.sectionName.offset, static_cast<uint32_t>(sectionName.size())});
    }
    write.section = s;
    if (k == kNoKey) {
        write.keyCreated = true;
        write.keyName = Store(rawKey);
        k = static_cast<uint32_t>(keys_.size());
        AddKey(s, Span{write.keyName.offset, static_cast<uint32_t>(keyName.size())}, Span{}, true);
    }
    write.key = k;
    // The tree holds what a reader of the written file sees; the raw text of this
    // write stays in lastWrite_ for Serialize.
    write.value = Store(rawValue);
    keys_[k].value = Span{write.value.offset, static_cast<uint32_t>(TrimRight(rawValue).size())};
    keys_[k].hasValue = true;
    lastWrittenSection_ = s;

    std::string_view writtenKey = write.keyCreated ? View(write.keyName) : View(keys_[k].name);
    bool clean = !HasLineBreak(rawSection) && !EndsWithLoneLeadByte(rawSection) && !HasLineBreak(writtenKey)
                 && !EndsWithLoneLeadByte(writtenKey) && !HasSingle(writtenKey, '=') && !HasLineBreak(rawValue)
                 && !EndsWithLoneLeadByte(rawValue)
                 && !(!writtenKey.empty() && writtenKey[0] == '['
                      && (HasSingle(writtenKey, ']') || HasSingle(rawValue, ']')))
                 && !namelessSection_;
    lastWrite_ = write;
    lastWriteReparsed_ = false;
    lastWriteText_.clear();
    if (!clean) {
        // Text that the reader splits differently from how it was written (a line
        // break, a '=' in a key, a lead byte swallowing the next delimiter, a key
        // line that reads as a section), or a section named "" in the tree, whose
        // header is not written, so that its keys join the section before it: read
        // the file back as the platform does.
        std::string text = Serialize();
        *this = Parse(text);
        lastWriteText_ = std::move(text);
        lastWriteReparsed_ = true;
    }
}

std::string IniDocument::Serialize() const
{
    if (lastWriteReparsed_)
        return lastWriteText_;
    std::string out;
    out.reserve(bytes_.size() + 4 * sections_.size() + 3 * keys_.size());
    for (uint32_t si = 0; si < sections_.size(); ++si) {
        bool written = lastWrite_.active && lastWrite_.section == si;
        std::string_view name = View(written && lastWrite_.sectionCreated ? lastWrite_.sectionName : sections_[si].name);
        if (!name.empty()) {
            out += '[';
            out += name;
            out += "]\r\n";
        }
        for (uint32_t k = sections_[si].firstKey; k != kNoKey; k = keys_[k].next) {
            const Key& key = keys_[k];
            bool writtenKey = written && lastWrite_.key == k;
            out += View(writtenKey && lastWrite_.keyCreated ? lastWrite_.keyName : key.name);
            if (key.hasValue) {
                out += '=';
                out += View(writtenKey ? lastWrite_.value : key.value);
            }
            out += "\r\n";
        }
    }
    return out;
}
