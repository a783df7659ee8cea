#include "data/Cp932.h"

#include <windows.h>

namespace {

constexpr UINT kCodePage = 932;

bool IsAscii(std::wstring_view text)
{
    for (wchar_t c : text) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

// CP932 with no best fit: a character without a form of its own becomes the
// default character, and usedDefault says so. A form that decodes to another
// character (the code page's one-way mappings) is not exact either.
bool Encode(std::wstring_view text, std::string* cp932)
{
    cp932->clear();
    if (text.empty())
        return true;
    int units = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    int size = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), units, nullptr, 0, nullptr,
                                   &usedDefault);
    if (size <= 0 || usedDefault)
        return false;
    cp932->resize(static_cast<size_t>(size));
    if (WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), units, &(*cp932)[0], size, nullptr,
                            &usedDefault) != size
        || usedDefault)
        return false;
    std::wstring back(text.size(), L'\0');
    return MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, cp932->data(), size, &back[0], units) == units
           && back == text;
}

// flags 0 or MB_ERR_INVALID_CHARS; false when the platform refuses the bytes.
bool Decode(std::string_view text, DWORD flags, std::wstring* wide)
{
    wide->assign(text.size(), L'\0');  // never more units than bytes
    size_t n = 0;
    while (n < text.size() && static_cast<unsigned char>(text[n]) < 0x80) {
        (*wide)[n] = static_cast<wchar_t>(text[n]);
        ++n;
    }
    if (n < text.size()) {
        int units = MultiByteToWideChar(kCodePage, flags, text.data(), static_cast<int>(text.size()), &(*wide)[0],
                                        static_cast<int>(wide->size()));
        if (units <= 0) {
            wide->clear();
            return false;
        }
        n = static_cast<size_t>(units);
    }
    wide->resize(n);
    return true;
}

}  // namespace

std::wstring WideFromCp932(std::string_view text)
{
    std::wstring wide;
    Decode(text, 0, &wide);
    return wide;
}

bool WideFromValidCp932(std::string_view text, std::wstring* wide)
{
    return Decode(text, MB_ERR_INVALID_CHARS, wide);
}

bool ExactCp932(std::wstring_view text, std::string* cp932)
{
    if (IsAscii(text)) {
        cp932->assign(text.begin(), text.end());
        return true;
    }
    if (Encode(text, cp932))
        return true;
    cp932->clear();
    return false;
}

std::string LossyCp932(std::wstring_view text)
{
    std::string cp932;
    if (ExactCp932(text, &cp932))
        return cp932;
    // Unit by unit: the exact ones as they are, every other one (each half of a
    // surrogate pair included) as '?'.
    std::string one;
    for (wchar_t c : text) {
        if (c < 0x80)
            cp932 += static_cast<char>(c);
        else if (Encode(std::wstring_view(&c, 1), &one))
            cp932 += one;
        else
            cp932 += '?';
    }
    return cp932;
}

size_t Cp932CutLength(std::string_view text, size_t limit)
{
    size_t length = 0;
    while (length < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[length]);
        size_t step = c >= 0x80 && IsDBCSLeadByteEx(kCodePage, c) ? 2 : 1;
        // A lead byte with nothing after it would pair with whatever follows it in
        // the file (the closing quote): it goes too.
        if (length + step > limit || length + step > text.size())
            break;
        length += step;
    }
    return length;
}
