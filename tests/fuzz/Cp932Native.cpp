// The natively built fuzz target's stand-in for launcher/data/Cp932.cpp: the same
// functions on the C library's iconv (CP932 against its wchar_t, UTF-32 here), so
// the settings records build without Windows. A fuzzer's run checks the reader's
// structure, not the code page: the Windows build of Cp932.cpp is what ships.
#include "data/Cp932.h"

#include <iconv.h>

namespace {

bool Convert(const char* to, const char* from, const char* in, size_t inBytes, std::string* out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out->assign(inBytes * 4 + 8, '\0');
    char* source = const_cast<char*>(in);
    char* target = &(*out)[0];
    size_t left = out->size();
    bool ok = iconv(cd, &source, &inBytes, &target, &left) != static_cast<size_t>(-1);
    out->resize(out->size() - left);
    iconv_close(cd);
    return ok;
}

bool Decode(std::string_view text, std::wstring* wide)
{
    std::string bytes;
    bool ok = Convert("WCHAR_T", "CP932", text.data(), text.size(), &bytes);
    wide->assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    return ok;
}

bool Encode(std::wstring_view text, std::string* cp932)
{
    if (!Convert("CP932", "WCHAR_T", reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t),
                 cp932))
        return false;
    std::wstring back;
    return Decode(*cp932, &back) && back == text;
}

}  // namespace

std::wstring WideFromCp932(std::string_view text)
{
    std::wstring wide;
    Decode(text, &wide);
    return wide;
}

bool WideFromValidCp932(std::string_view text, std::wstring* wide)
{
    if (Decode(text, wide))
        return true;
    wide->clear();
    return false;
}

bool ExactCp932(std::wstring_view text, std::string* cp932)
{
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
    std::string one;
    for (wchar_t c : text)
        cp932 += Encode(std::wstring_view(&c, 1), &one) ? one : std::string("?");
    return cp932;
}

size_t Cp932CutLength(std::string_view text, size_t limit)
{
    size_t length = 0;
    while (length < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[length]);
        size_t step = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
        if (length + step > limit || length + step > text.size())
            break;
        length += step;
    }
    return length;
}
