// The panel's messages that name a file or an item: UTF-16 texts of any length.
#pragma once

#include <string>
#include <string_view>

// A message format's text: its "%s" replaced by `text`, its "%d" by `number`.
// No length limit (wsprintf stops at 1,024 characters, and a path may be longer).
std::wstring FillTextFormat(const wchar_t* format, std::wstring_view text, int number = 0);
