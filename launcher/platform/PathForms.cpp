#include "platform/PathForms.h"

#include <windows.h>

#include <string_view>

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

// An 8.3 name with '~': at most eight units, a dot and three.
bool HasShortNameShape(std::wstring_view part)
{
    if (part.find(L'~') == std::wstring_view::npos || part.size() > 12)
        return false;
    size_t dot = part.find(L'.');
    if (dot == std::wstring_view::npos)
        return part.size() <= 8;
    return dot >= 1 && dot <= 8 && part.size() - dot - 1 <= 3 && part.find(L'.', dot + 1) == std::wstring_view::npos;
}

}  // namespace

bool MayHoldShortNames(const std::wstring& path)
{
    // A relative path would be looked up from whatever folder the process is in.
    bool full = (path.size() > 2 && path[1] == L':' && path[2] == L'\\') || path.compare(0, 2, L"\\\\") == 0;
    if (!full)
        return false;
    for (size_t start = 0; start < path.size();) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring::npos)
            end = path.size();
        if (HasShortNameShape(std::wstring_view(path).substr(start, end - start)))
            return true;
        start = end + 1;
    }
    return false;
}

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
