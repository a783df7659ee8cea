// The command line of a stand-in host: named options, each with or without a
// value, and positional arguments. Plain C++ and Win32 calls only, so that both
// hosts' toolchains build it.
#pragma once

#include <windows.h>

struct HostOption {
    const wchar_t* name;   // as typed: L"--size", L"/exit"
    bool hasValue;         // the next argument is its value
    const wchar_t* found;  // out: the value, or the name for an option without one; null when absent
};

class HostCommandLine {
public:
    HostCommandLine();  // the program's own command line
    ~HostCommandLine();
    HostCommandLine(const HostCommandLine&) = delete;
    HostCommandLine& operator=(const HostCommandLine&) = delete;

    // Matches every argument after the program name against `options` (a later
    // one wins); the others are positional, stored in order into `positional`.
    // False for an option without its value, an argument starting with
    // `refusedPrefix` that names no option (null: none refused), or more than
    // `maxPositional` positional arguments. The texts live as long as this object.
    bool Parse(HostOption* options, int optionCount, const wchar_t** positional, int maxPositional,
               int* positionalCount, const wchar_t* refusedPrefix);

private:
    wchar_t** args_ = nullptr;
    int count_ = 0;
};

// "640x420": true with both numbers when the text is exactly two decimal numbers
// joined by 'x'.
bool ParseHostSize(const wchar_t* text, int* width, int* height);
// A decimal number at the start of the text; 0 when there is none.
int ParseHostNumber(const wchar_t* text);
