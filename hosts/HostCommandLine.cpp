#include "HostCommandLine.h"

#include <shellapi.h>

namespace {

bool StartsWith(const wchar_t* text, const wchar_t* prefix)
{
    while (*prefix)
        if (*text++ != *prefix++)
            return false;
    return true;
}

// Reads the digits at *text; false when there are none.
bool ReadNumber(const wchar_t** text, int* value)
{
    const wchar_t* p = *text;
    int number = 0;
    while (*p >= L'0' && *p <= L'9' && number < 100000000)
        number = number * 10 + (*p++ - L'0');
    if (p == *text)
        return false;
    *value = number;
    *text = p;
    return true;
}

}  // namespace

HostCommandLine::HostCommandLine()
{
    args_ = CommandLineToArgvW(GetCommandLineW(), &count_);
    if (!args_)
        count_ = 0;
}

HostCommandLine::~HostCommandLine()
{
    if (args_)
        LocalFree(args_);
}

bool HostCommandLine::Parse(HostOption* options, int optionCount, const wchar_t** positional, int maxPositional,
                            int* positionalCount, const wchar_t* refusedPrefix)
{
    *positionalCount = 0;
    for (int i = 1; i < count_; ++i) {
        const wchar_t* arg = args_[i];
        HostOption* option = nullptr;
        for (int o = 0; o < optionCount && !option; ++o)
            if (lstrcmpW(arg, options[o].name) == 0)
                option = &options[o];
        if (option) {
            if (!option->hasValue) {
                option->found = option->name;
                continue;
            }
            if (i + 1 >= count_)
                return false;
            option->found = args_[++i];
            continue;
        }
        if (refusedPrefix && StartsWith(arg, refusedPrefix))
            return false;
        if (*positionalCount >= maxPositional)
            return false;
        positional[(*positionalCount)++] = arg;
    }
    return true;
}

bool ParseHostSize(const wchar_t* text, int* width, int* height)
{
    int w = 0;
    int h = 0;
    if (!text || !ReadNumber(&text, &w) || *text++ != L'x' || !ReadNumber(&text, &h) || *text)
        return false;
    *width = w;
    *height = h;
    return true;
}

int ParseHostNumber(const wchar_t* text)
{
    int value = 0;
    return text && ReadNumber(&text, &value) ? value : 0;
}
