// A text of the settings file that CP932 cannot hold exactly keeps a companion key
// beside its own key: the key holds what a reader of CP932 can use (the caller's
// fallback: a short path, or the text with '?' for what CP932 lacks), and the
// companion holds the exact text in plain CP932 that the profile functions read
// unchanged. Readers that know nothing of companions ignore them, and their saves
// drop them.
//
// The companion of key "Path" is "PathW"; a text too long for one value (519
// bytes) goes on in "PathW2", "PathW3", ... Its first value starts with a header:
//
//   PathW=1F0A33C2:C:\Tools\Caf`00E9`301C.exe
//   PathW=1F0A33C2/3:<first part>    PathW2=:<second part>    PathW3=:<third part>
//
// - Eight hex digits: the checksum (32-bit FNV-1a) of the key's own CP932 value as
//   read back. The companion counts only while the key still holds what it was
//   written with: a hand edit of the key, or a save by a reader that rewrote it,
//   makes the key win.
// - "/N" when the text takes N values (2 or more), then ':'. Every further value
//   starts with ':' too, so no value starts with a blank or a quote, which a reader
//   would drop.
// - The text: every character CP932 holds exactly as itself; every UTF-16 unit it
//   does not (each half of a surrogate pair on its own), every control character,
//   the backquote itself, and a space that would end a value (a reader drops
//   trailing blanks) as a backquote and four upper-case hex digits of the unit.
//
// A companion that does not parse, whose checksum does not match, or whose parts
// are missing counts as none.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/IniDocument.h"

// The longest exact text a companion holds: the longest path Windows knows. A
// longer one keeps only its key's fallback.
constexpr size_t kMaxCompanionUnits = 32767;

struct FileText {
    std::string value;                   // the key's own CP932 text, at most 519 bytes
    std::vector<std::string> companion;  // the companion's values in key order; empty: none
};

// What the file holds for an exact text. A text that is exact in CP932 and fits is
// its own value, with no companion. Otherwise the value is the fallback (cut at 519
// bytes between characters) and the companion holds the exact text. The caller
// chooses the fallback, a text that names the same file or none: the short path
// where one exists; an empty fallback stands for LossyCp932(exact).
FileText MakeFileText(std::wstring_view exact, std::string_view fallback = {});

// The exact text back from a key's value and its companion's values (as
// ReadCompanion gives them): the companion's text when it counts, else the value.
std::wstring ReadFileText(std::string_view value, const std::vector<std::string>& companion);

// The companion's key names, for its values after `key` in a section.
std::string CompanionKeyName(std::string_view key, size_t index);  // the first value is 1

// The companion's values written after the key's own (in this order, beside it).
void WriteCompanion(IniDocument* doc, std::string_view section, std::string_view key,
                    const std::vector<std::string>& companion);

// The companion's values as a reader of the profile functions finds them; empty
// when there is none.
std::vector<std::string> ReadCompanion(const IniDocument& doc, std::string_view section, std::string_view key);
