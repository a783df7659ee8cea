// Text between UTF-16 and CP932, the settings file's code page. Code page 932 is
// named in every call, never the process's ANSI code page, so a file reads and
// writes the same on every machine (a process may run with code page 1252 or
// UTF-8). ASCII text takes a path of its own that calls nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The profile functions' read cut: a text read into 520 bytes keeps at most 519.
constexpr size_t kCp932TextLimit = 519;

// The UTF-16 text of CP932 bytes. A byte sequence CP932 does not define becomes
// what the platform's decoder makes of it (U+30FB on Windows).
std::wstring WideFromCp932(std::string_view text);

// The same for bytes that must be CP932 throughout: false (and *wide empty) when a
// sequence is one CP932 does not define.
bool WideFromValidCp932(std::string_view text, std::wstring* wide);

// The CP932 form of a text when every character has one that converts back to the
// same character; false (and *cp932 empty) otherwise.
bool ExactCp932(std::wstring_view text, std::string* cp932);

// The CP932 form with '?' for every UTF-16 unit CP932 cannot hold exactly (so a
// surrogate pair gives "??"), never a best-fit look-alike: "Café.exe" becomes
// "Caf?.exe", which names no file, where a look-alike "Cafe.exe" may name another.
std::string LossyCp932(std::wstring_view text);

// Bytes of the longest start of the text within `limit` bytes that ends between
// two characters, never after the lead byte of a double-byte character.
size_t Cp932CutLength(std::string_view text, size_t limit = kCp932TextLimit);
