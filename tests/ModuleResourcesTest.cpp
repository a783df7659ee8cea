// The shipped modules' resources as a host or Explorer reads them from the files:
// a version resource in Japanese (0x0411) carrying the build's product version,
// and Dockmere's dialogs and drag cursor tagged Japanese.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ProductVersion.h"
#include "WinTest.h"

namespace {

constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);  // 0x0411
constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::wstring Path(const char* module)
{
    std::string path = wintest::ProgramFolder() + module;
    return std::wstring(path.begin(), path.end());
}

class ModuleResources : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(Path(GetParam()).c_str(), &ignored);
        ASSERT_NE(0u, size) << GetParam() << " has no version resource";
        info.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(Path(GetParam()).c_str(), 0, size, &info[0]));
    }
    std::wstring Text(const wchar_t* name)
    {
        wchar_t* text = nullptr;
        UINT length = 0;
        std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
        if (!VerQueryValueW(&info[0], query.c_str(), reinterpret_cast<void**>(&text), &length) || !text)
            return L"(none)";
        return text;
    }
    std::string info;
};

TEST_P(ModuleResources, CarryTheProductVersionInAJapaneseVersionResource)
{
    HMODULE file = LoadLibraryExW(Path(GetParam()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, file);
    EXPECT_NE(nullptr, FindResourceExW(file, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(VS_VERSION_INFO), kJapanese));
    FreeLibrary(file);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(&info[0], L"\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD version[4] = {PRODUCT_VERSION_BINARY};
    EXPECT_EQ(MAKELONG(version[1], version[0]), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(version[3], version[2]), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(&info[0], L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(kJapanese, translation[0]);
    EXPECT_EQ(1200, translation[1]);  // Unicode, as the strings are stored

    const std::string text = PRODUCT_VERSION_TEXT;
    EXPECT_EQ(std::wstring(text.begin(), text.end()), Text(L"FileVersion"));
    EXPECT_EQ(std::wstring(text.begin(), text.end()), Text(L"ProductVersion"));
    EXPECT_EQ(L"Dockmere", Text(L"ProductName"));
    EXPECT_NE(L"(none)", Text(L"FileDescription"));
    EXPECT_NE(std::wstring::npos, Text(L"FileDescription").find(L"KDX パネルプラグイン"));
}

INSTANTIATE_TEST_SUITE_P(ShippedModules, ModuleResources, ::testing::Values("Dockmere.kdx", "Brevlin.vx"));

TEST(DockmereResources, DialogsAndCursorAreJapanese)
{
    HMODULE file = LoadLibraryExW(Path("Dockmere.kdx").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, file);
    struct {
        LPCWSTR type;
        int id;
    } const resources[] = {{MAKEINTRESOURCEW(5), 101}, {MAKEINTRESOURCEW(5), 103}, {MAKEINTRESOURCEW(12), 105}};
    for (const auto& r : resources) {
        EXPECT_NE(nullptr, FindResourceExW(file, r.type, MAKEINTRESOURCEW(r.id), kJapanese)) << r.id;
        EXPECT_EQ(nullptr, FindResourceExW(file, r.type, MAKEINTRESOURCEW(r.id), kUsEnglish)) << r.id;
    }
    FreeLibrary(file);
}

}  // namespace
