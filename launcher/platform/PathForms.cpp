#include "platform/PathForms.h"

#include <windows.h>

#include "data/Cp932.h"

namespace {

// A path-form call's answer: the call asked again with the size it asked for,
// since a path may pass MAX_PATH. Empty when the call fails.
template <typename Call>
std::wstring AskPathForm(const std::wstring& path, Call call)
{
    std::wstring answer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD length = call(path.c_str(), &answer[0], static_cast<DWORD>(answer.size()));
        if (length == 0)
            return std::wstring();
        if (length < answer.size()) {
            answer.resize(length);
            return answer;
        }
        answer.assign(length, L'\0');
    }
    return std::wstring();
}

}  // namespace

std::wstring LongPathOf(const std::wstring& path)
{
    if (path.empty())
        return path;
    std::wstring longPath = AskPathForm(path, [](const wchar_t* in, wchar_t* out, DWORD size) {
        return GetLongPathNameW(in, out, size);
    });
    return longPath.empty() ? path : longPath;
}

std::string ShortPathOf(const std::wstring& path)
{
    std::string cp932;
    if (path.empty() || ExactCp932(path, &cp932))
        return std::string();
    std::wstring shortPath = AskPathForm(path, [](const wchar_t* in, wchar_t* out, DWORD size) {
        return GetShortPathNameW(in, out, size);
    });
    // A short form cut at the key's 519 bytes would name another file.
    if (shortPath.empty() || shortPath == path || !ExactCp932(shortPath, &cp932) || cp932.size() > kCp932TextLimit)
        return std::string();
    return cp932;
}
