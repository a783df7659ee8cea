// The adaptor object as the host sees it: names taken from the copy's file
// name, interface query and reference counting through every interface, the
// module's exports and what it imports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "AdaptorKit.h"

using namespace adaptortest;

namespace {

const std::wstring kIdPrefix = L"{C46E8446-BD99-4ef6-BE49-6D3751BF28DD-";

template <class Proc>
Proc Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class AdaptorObjectTest : public ::testing::Test {
protected:
    void SetUp() override { ScriptHost(host, folder); }
    void TearDown() override
    {
        session.Close();
        EXPECT_EQ(host.OutstandingBlocks(), 0);
        EXPECT_EQ(host.Mistakes(), 0);
    }

    PluginFolder folder;
    StandInHost host;
    PluginSession session;
};

TEST_F(AdaptorObjectTest, NamesComeFromTheCopysFileTitle)
{
    CreateDirectoryA(folder.temp().File("Vantrel [beta]").c_str(), nullptr);
    struct Case {
        std::string file;  // below the plug-in folder, without ".vx"
        std::wstring title;
        bool hosts;  // kdx\<title>.kdx is installed, and the copy must host it
    } cases[] = {
        {"Dockmere", L"Dockmere", false},
        {"a.b", L"a.b", false},
        {"Vantrel [beta]\\Dockmere", L"Dockmere", false},  // a path GetFileTitleW refuses
        {"Tab.Tools", L"Tab.Tools", true},  // whatever Explorer would show, kdx\Tab.Tools.kdx
    };
    wintest::WindowNest nest;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(session.Load(folder.Install(c.file, c.hosts ? "fake_full.kdx" : "")));
        EXPECT_EQ(session.Name(), c.title);
        EXPECT_EQ(session.IconPath(), L"panel\\kdx\\" + c.title + L".ico");
        EXPECT_EQ(session.Id(), kIdPrefix + c.title + L"}");
        EXPECT_EQ(session.info()->GetVersion(), 100u);
        if (c.hosts) {
            HWND panel = session.Create(nest.panelParent());
            wchar_t className[16] = {};
            GetClassNameW(panel, className, 16);
            EXPECT_STREQ(className, L"Static");  // the plug-in's panel, not the help text
            EXPECT_NE(GetModuleHandleW(folder.KdxPath(c.file).c_str()), nullptr);
        }
        session.Close();
    }
}

TEST_F(AdaptorObjectTest, OverlongTitleKeepsTheIdentityWithin255Characters)
{
    // A short folder leaves room for a title far beyond what the identity holds.
    const std::string shortFolder = "C:\\vxlong";
    CreateDirectoryA(shortFolder.c_str(), nullptr);
    std::string title(240, 'L');
    std::string path = shortFolder + "\\" + title + ".vx";
    ASSERT_TRUE(CopyFileA((wintest::ProgramFolder() + kGxxAdaptor).c_str(), path.c_str(), FALSE));
    ASSERT_TRUE(session.Load(Wide(path)));
    EXPECT_EQ(session.Name(), Wide(title));
    std::wstring id = session.Id();
    EXPECT_EQ(id, kIdPrefix + std::wstring(216, L'L') + L"}");
    EXPECT_EQ(id.size(), 255u);
    session.Close();
    DeleteFileA(path.c_str());
    RemoveDirectoryA(shortFolder.c_str());
}

TEST_F(AdaptorObjectTest, QueryAndReferencesThroughEveryInterface)
{
    ASSERT_TRUE(session.Load(folder.Install("Counted")));
    VIPluginBase* base = session.base();
    // The session holds three references: the object's own and two queries.
    EXPECT_EQ(base->AddRef(), 4);
    EXPECT_EQ(base->Release(), 3);

    const uint32_t known[] = {VexInterfaceBase, VexInterfaceInfo, VexInterfacePanel};
    for (uint32_t id : known) {
        SCOPED_TRACE(id);
        void* out = nullptr;
        ASSERT_TRUE(base->QueryInterface(id, &out));
        ASSERT_NE(out, nullptr);
        // Reach the base through the pointer's own virtual base.
        VIPluginBase* through = id == VexInterfaceBase   ? static_cast<VIPluginBase*>(out)
                                : id == VexInterfaceInfo ? static_cast<VIPluginInfo*>(out)
                                                         : static_cast<VIPanel*>(out);
        EXPECT_EQ(through->AddRef(), 5);
        EXPECT_EQ(through->Release(), 4);
        EXPECT_EQ(through->Release(), 3);
    }
    EXPECT_EQ(static_cast<VIPluginBase*>(session.info())->AddRef(), 4);
    EXPECT_EQ(static_cast<VIPluginBase*>(session.panel())->Release(), 3);

    // Every interface answers every query, to the same three pointers.
    void* panel = nullptr;
    ASSERT_TRUE(static_cast<VIPluginBase*>(session.info())->QueryInterface(VexInterfacePanel, &panel));
    EXPECT_EQ(panel, session.panel());
    static_cast<VIPluginBase*>(session.panel())->Release();
    EXPECT_EQ(session.panel()->GetVersion(), 100u);

    for (uint32_t id : {1u, 2u, 4u, 0x1000001u, 0x1000003u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(id);
        void* out = reinterpret_cast<void*>(0x5EED);
        EXPECT_FALSE(base->QueryInterface(id, &out));
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(base->AddRef(), 4);
    base->Release();

    // The session's three releases: the last one frees the object.
    EXPECT_EQ(session.Close(), 0);
}

TEST_F(AdaptorObjectTest, ExportsAndTheHostLibraryForwards)
{
    ASSERT_TRUE(session.Load(folder.Install("Exports")));
    HMODULE adaptor = session.module();
    HMODULE library = GetModuleHandleA(kGxxLibrary);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetProcAddress(adaptor, "VPI_CreateInstance"), GetProcAddress(adaptor, "_VPI_CreateInstance@4"));

    // Each forward is one indirect jump through the import of the library's
    // function of the same name.
    for (const char* name : {"VexAllocString", "VexFreeString", "VexLoadString"}) {
        SCOPED_TRACE(name);
        auto* code = reinterpret_cast<const uint8_t*>(GetProcAddress(adaptor, (std::string("VLIB_") + name).c_str()));
        ASSERT_NE(code, nullptr);
        ASSERT_EQ(code[0], 0xFF);
        ASSERT_EQ(code[1], 0x25);
        void* const* slot;
        memcpy(&slot, code + 2, sizeof slot);
        EXPECT_EQ(*slot, reinterpret_cast<void*>(GetProcAddress(library, name)));
    }

    auto alloc = Export<wchar_t* (*)(const wchar_t*)>(adaptor, "VLIB_VexAllocString");
    auto release = Export<void (*)(wchar_t*)>(adaptor, "VLIB_VexFreeString");
    auto load = Export<VString (*)(const wchar_t*, const wchar_t*)>(adaptor, "VLIB_VexLoadString");
    wchar_t* copy = alloc(L"コピー");
    EXPECT_STREQ(copy, L"コピー");
    EXPECT_EQ(host.OutstandingBlocks(), 1);  // from the host's memory
    release(copy);
    EXPECT_EQ(host.OutstandingBlocks(), 0);
    EXPECT_STREQ(load(L"KdxPanel.ini", L"HowToUseKdxAdaptor").GetText(), kHelpText);
}

TEST_F(AdaptorObjectTest, ShippedBuildImportsOnlySystemModulesAndTheHostLibraryByPlatformNames)
{
    HMODULE adaptor = LoadLibraryExA((wintest::ProgramFolder() + kPlatformAdaptor).c_str(), nullptr, 0);
    ASSERT_NE(adaptor, nullptr);
    auto* base = reinterpret_cast<const uint8_t*>(adaptor);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> imports;
    std::vector<std::string> fromLibrary;  // what comes from VantrelLib.vx, by name
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); entry->Name;
         ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(tolower(c)); });
        imports.push_back(name);
        if (name != "vantrellib.vx")
            continue;
        for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + entry->OriginalFirstThunk);
             thunk->u1.AddressOfData; ++thunk) {
            if (!(thunk->u1.Ordinal & IMAGE_ORDINAL_FLAG32))
                fromLibrary.push_back(
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData)->Name);
        }
    }
    FreeLibrary(adaptor);
    std::sort(imports.begin(), imports.end());
    // No comdlg32: the title comes from the file name itself, not from GetFileTitleW.
    EXPECT_EQ(imports, (std::vector<std::string>{"kernel32.dll", "msvcrt.dll", "user32.dll", "vantrellib.vx"}));
    // The host library's classes by the platform compiler's decorated names.
    for (const char* name : {"?IsFileExist@VMisc@@SA_NPB_W@Z", "??0VObject@@QAE@XZ", "??0VCharConv@@QAE@XZ",
                             "?a2t@VCharConv@@QAEPB_WPBD@Z", "VexGetMemory"}) {
        EXPECT_NE(std::find(fromLibrary.begin(), fromLibrary.end(), name), fromLibrary.end()) << name;
    }
    for (const std::string& name : fromLibrary)
        EXPECT_NE(name.compare(0, 2, "_Z"), 0) << name;
}

}  // namespace
