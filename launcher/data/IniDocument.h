// A whole INI text in memory, read and written with the semantics of the platform's
// profile functions (GetPrivateProfileStringA, GetPrivateProfileIntA,
// WritePrivateProfileStringA) as Wine 8 implements them for code page 932, so that
// a file is parsed once instead of once per key.
//
// No Windows dependency: the same source builds natively for fuzzing.
//
// What it mirrors (each checked against the real functions in IniDocumentTest):
// - Lines end at CR or LF; blanks (09-0D, 1A, 20) around lines, names and values
//   are dropped; blank lines are skipped.
// - "[name]" starts a section (the last ']' of the line closes it; what follows
//   is ignored); a line starting with '[' without ']' is an ordinary line.
// - "key=value" splits at the first '='; a line without '=' is a key without a
//   value, which a lookup finds and answers with the default. Comment lines (';')
//   are keys like any other.
// - Section and key names compare case-insensitively; the first section of a name
//   is the only one searched, and its first key of a name wins.
// - Reading a text: one pair of enclosing quotes (" or ') is removed, the result is
//   cut to bufferSize - 1 characters, then to bufferSize - 1 bytes without
//   splitting a double-byte character. One deliberate difference from Wine: a
//   quoted value whose text is exactly bufferSize - 1 characters long is read whole
//   (Wine drops its last character, comparing with >= where > was meant), so a
//   519-character name survives a save and a load. A default loses its trailing spaces
//   (0x20 only, keeping one if it is all spaces) and its enclosing quotes too.
// - Reading a number: the text as above with a 30-character buffer, then an
//   optional sign, "0x" / "0o" / "0b" prefixes, digits up to the first non-digit,
//   wrapping at 32 bits; a missing or empty value gives the default.
// - Text is CP932: a lead byte (81-9F, E0-FC) always takes the next byte with it,
//   whatever it is, so such a pair never ends a line or closes a name. Text after
//   a NUL character is invisible, as in a C string.
// - Writing: names and values lose their leading blanks; an existing key keeps its
//   place and spelling and gets the new value; a new key goes to the end of the
//   first section of that name, a new section to the end of the document. Wine
//   reads the file back before every write, so each write sees the previous ones
//   the way a reader would (trailing blanks dropped, odd text re-split into lines,
//   the keys of a section named "", whose header is not written, joined to the
//   section before it).
// - Serialize: "[name]\r\n" per section (none for the nameless lines before the
//   first section), "key=value\r\n" or "key\r\n" per key, no blank lines, no BOM.
//
// Known differences, none of which a name or text of the launcher can reach:
// - Text is kept as bytes. The platform decodes CP932 and encodes it again, so it
//   replaces invalid or undefined sequences with U+30FB (81 45) and writes NEC/IBM
//   duplicate codes in one form (ED 40 becomes FA 5C); names that differ only in
//   such codes, or in the case of full-width, Greek, Cyrillic or Roman-numeral
//   letters, match there but not here (only ASCII letters fold here).
// - A UTF-8 signature (EF BB BF) is skipped, but the text is not converted from
//   UTF-8; UTF-16 files are not recognised. Serialize always writes plain bytes.
// - When a text is cut inside a double-byte character, Wine leaves the caller's
//   byte 518 of the buffer as it was; here the text simply ends before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class IniDocument {
public:
    // The launcher's text buffers: 520 bytes, at most 519 characters.
    static constexpr size_t kTextBufferSize = 520;

    IniDocument();

    // The document a profile function sees in a file holding these bytes (up to
    // 2 GB).
    static IniDocument Parse(std::string_view bytes);

    // GetPrivateProfileStringA into a buffer of bufferSize bytes (at least 2).
    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                          size_t bufferSize = kTextBufferSize) const;

    // GetPrivateProfileIntA.
    int32_t GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // Names of all sections in document order, duplicates included (a lookup
    // only ever finds the first); the nameless lines before the first section
    // are not listed. The views last until the next Write.
    std::vector<std::string_view> SectionNames() const;

    // WritePrivateProfileStringA(section, key, value) on the file holding this
    // document, each write following the previous one within 2 seconds (Wine
    // serves a file older than 2.1 s from its cache, where the last write has not
    // been read back).
    void Write(std::string_view section, std::string_view key, std::string_view value);

    // The bytes of the file after the last Write (or as Wine would write a parsed
    // document back).
    std::string Serialize() const;

private:
    // A piece of bytes_.
    struct Span {
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    static constexpr uint32_t kNoKey = UINT32_MAX;
    struct Key {
        Span name;
        Span value;
        bool hasValue;
        uint32_t next;  // the section's next key in keys_, or kNoKey
    };
    struct Section {
        Span name;
        uint32_t firstKey;
        uint32_t lastKey;
    };
    // The last Write as its raw text stands in the file; the tree itself holds it
    // as the platform reads it back.
    struct LastWrite {
        bool active = false;
        uint32_t section = 0;
        uint32_t key = 0;
        bool sectionCreated = false;
        bool keyCreated = false;
        Span sectionName;
        Span keyName;
        Span value;
    };

    std::string_view View(Span span) const { return std::string_view(bytes_).substr(span.offset, span.length); }
    Span Store(std::string_view text);
    uint32_t FindSection(std::string_view trimmedName) const;  // or kNoKey
    uint32_t FindKey(uint32_t section, std::string_view trimmedName) const;
    void AddSection(Span name);
    void AddKey(uint32_t section, Span name, Span value, bool hasValue);

    // Every name and value lives in bytes_: a parsed document's text, then what the
    // writes add.
    std::string bytes_;
    // sections_[0] holds the lines before the first section header; it has no name.
    std::vector<Section> sections_;
    std::vector<Key> keys_;
    // Hash of the folded name -> first section with it (a collision falls back to a
    // search in order).
    std::unordered_map<uint64_t, uint32_t> firstSection_;
    uint32_t lastWrittenSection_ = 0;  // where consecutive writes usually go
    bool namelessSection_ = false;     // a section named "" after the first lines
    LastWrite lastWrite_;
    bool lastWriteReparsed_ = false;  // the last Write needed a full re-read
    std::string lastWriteText_;       // ... and this is the file it wrote
};
