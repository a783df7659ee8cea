// The KDX host services that the adaptor answers from the newer host's client:
// every code against a scripted host, what the host was asked to do, and that
// every object and host string was given back.
#include <gtest/gtest.h>

#include "AdaptorKit.h"
#include "PlatformLayout.h"
#include "kdx.h"

using namespace adaptortest;

namespace {

constexpr int32_t kUntouched = 0x5EEDBEEF;
char* const kUntouchedString = reinterpret_cast<char*>(0x5EED);

enum Arg { kNone, kValue, kOutValue, kOutString, kText };

struct ServiceCase {
    const char* what;
    void (*script)(StandInHost& host);  // changes to the scripted host, or null
    int32_t code;
    Arg arg1;
    uintptr_t value1;
    Arg arg2;
    const char* text2;
    int32_t result;
    int32_t out1;         // the first out variable afterwards
    int32_t out2;         // the second out variable afterwards
    const char* string2;  // the string written to param2; null: untouched
    std::vector<std::wstring> log;
};

void NoTabList(StandInHost& host) { host.SetTabList(false); }
void OpenOutsideTheList(StandInHost& host) { host.SetOpenAddsTab(false); }
void CurrentOutsideTheList(StandInHost& host) { host.SetCurrentTab(-1); }
void NoProfile(StandInHost& host) { host.SetFolder(VexFolderProfile, L""); }

const uintptr_t kMinusOne = static_cast<uintptr_t>(-1);
const int32_t U = kUntouched;

const ServiceCase kCases[] = {
    {"host version", nullptr, 1, kOutValue, 0, kNone, nullptr, 0, 200, U, nullptr, {}},
    {"tab count", nullptr, 2, kOutValue, 0, kNone, nullptr, 0, 4, U, nullptr, {}},
    {"tab count without a tab list", NoTabList, 2, kOutValue, 0, kNone, nullptr, 0, 0, U, nullptr, {}},
    {"tab value", nullptr, 3, kValue, 1, kOutValue, nullptr, 0, U, 22, nullptr, {}},
    {"tab value at the count", nullptr, 3, kValue, 4, kOutValue, nullptr, 1, U, 0, nullptr, {}},
    {"tab value at -1", nullptr, 3, kValue, kMinusOne, kOutValue, nullptr, 1, U, 0, nullptr, {}},
    {"second tab value", nullptr, 18, kValue, 3, kOutValue, nullptr, 0, U, 44, nullptr, {}},
    {"second tab value beyond", nullptr, 18, kValue, 9, kOutValue, nullptr, 1, U, 0, nullptr, {}},
    {"text to a tab", nullptr, 4, kValue, 1, kText, "検索語", 0, U, U, nullptr, {L"put 1|検索語"}},
    {"text to a tab beyond", nullptr, 4, kValue, 4, kText, "x", 1, U, U, nullptr, {}},
    {"open", nullptr, 5, kValue, 0x10, kText, "https://example.jp/表", 0, U, U, nullptr,
     {L"open auto|https://example.jp/表|16"}},
    {"open outside the list", OpenOutsideTheList, 5, kValue, 0, kText, "a", 0, U, U, nullptr, {L"open auto|a|0"}},
    {"first tab operation", nullptr, 6, kValue, 0, kNone, nullptr, 0, U, U, nullptr, {L"select 0"}},
    {"first tab operation at -1", nullptr, 6, kValue, kMinusOne, kNone, nullptr, 1, U, U, nullptr, {}},
    {"first tab operation at the count", nullptr, 6, kValue, 4, kNone, nullptr, 1, U, U, nullptr, {}},
    {"first text", nullptr, 7, kValue, 1, kOutString, nullptr, 0, U, U, "ニュース", {}},
    {"first text beyond", nullptr, 7, kValue, 4, kOutString, nullptr, 1, U, U, nullptr, {}},
    {"second text", nullptr, 8, kValue, 2, kOutString, nullptr, 0, U, U, "https://third.example/", {}},
    {"second text at -1", nullptr, 8, kValue, kMinusOne, kOutString, nullptr, 1, U, U, nullptr, {}},
    {"current tab is the third", nullptr, 9, kOutValue, 0, kNone, nullptr, 0, 2, U, nullptr, {}},
    {"current tab outside the list", CurrentOutsideTheList, 9, kOutValue, 0, kNone, nullptr, 1, U, U, nullptr, {}},
    {"current tab without a tab list", NoTabList, 9, kOutValue, 0, kNone, nullptr, 1, U, U, nullptr, {}},
    {"second tab operation", nullptr, 16, kValue, 3, kNone, nullptr, 0, U, U, nullptr, {L"reload 3"}},
    {"second tab operation at the count", nullptr, 16, kValue, 4, kNone, nullptr, 1, U, U, nullptr, {}},
    {"second tab operation at -1", nullptr, 16, kValue, kMinusOne, kNone, nullptr, 1, U, U, nullptr, {}},
    {"open in a new fifth tab", nullptr, 17, kOutValue, 0, kText, "https://new.example/", 0, 4, U, nullptr,
     {L"open auto|https://new.example/|3"}},
    {"open in a tab outside the list", OpenOutsideTheList, 17, kOutValue, 0, kText, "b", 0, -1, U, nullptr,
     {L"open auto|b|3"}},
    {"program folder", nullptr, 19, kValue, 0, kOutString, nullptr, 0, U, U, "C:\\Vantrel\\", {L"folder 1"}},
    {"setting folder", nullptr, 19, kValue, 1, kOutString, nullptr, 0, U, U, "C:\\Users\\表示\\setting\\",
     {L"folder 5"}},
    {"empty cache folder", nullptr, 19, kValue, 2, kOutString, nullptr, 1, U, U, nullptr, {L"folder 17"}},
    {"setting folder without a profile", NoProfile, 19, kValue, 1, kOutString, nullptr, 1, U, U, nullptr,
     {L"folder 5"}},
    {"unknown folder selector", nullptr, 19, kValue, 3, kOutString, nullptr, 1, U, U, nullptr, {}},
    {"null out pointer", nullptr, 1, kNone, 0, kNone, nullptr, 1, U, U, nullptr, {}},
    {"null out string", nullptr, 7, kValue, 0, kNone, nullptr, 1, U, U, nullptr, {}},
    {"null address", nullptr, 17, kOutValue, 0, kNone, nullptr, 1, U, U, nullptr, {}},
    {"code 0", nullptr, 0, kOutValue, 0, kOutValue, nullptr, 3, U, U, nullptr, {}},
    {"code 10", nullptr, 10, kOutValue, 0, kOutValue, nullptr, 3, U, U, nullptr, {}},
    {"code 12", nullptr, 12, kOutValue, 0, kOutValue, nullptr, 3, U, U, nullptr, {}},
    {"code 20", nullptr, 20, kOutValue, 0, kOutValue, nullptr, 3, U, U, nullptr, {}},
    {"code -1", nullptr, -1, kOutValue, 0, kOutValue, nullptr, 3, U, U, nullptr, {}},
};

void ScriptFourTabs(StandInHost& host)
{
    host.AddTab({L"Start", L"about:start", 11});
    host.AddTab({L"ニュース", L"https://news.example.jp/", 22});
    host.AddTab({L"Third", L"https://third.example/", 33});
    host.AddTab({L"Fourth", L"https://four.example/", 44});
    host.SetCurrentTab(2);
    host.SetFolder(VexFolderProgram, L"C:\\Vantrel\\");
    host.SetFolder(VexFolderProfile, L"C:\\Users\\表示\\");
    host.SetFolder(VexFolderCache, L"");
}

// Each test runs against both builds of the adaptor: the g++ one with the
// scripted host as g++ lays it out, and the shipped one with the same host
// offered in the platform's layout (PlatformLayout.h).
class HostServicesTest : public ::testing::TestWithParam<const char*> {
protected:
    bool Platform() const { return GetParam() == kPlatformAdaptor; }
    void Register(StandInHost& scripted, std::unique_ptr<platform::HostBridge>& bridge)
    {
        scripted.Register();
        if (Platform()) {
            bridge.reset(new platform::HostBridge(scripted));
            bridge->Register();
        }
    }
    void SetUp() override
    {
        ClearFakeEvents();
        ScriptHost(host, folder);
        Register(host, bridge);
        std::wstring vx = folder.Install("Services", "fake_full.kdx", GetParam());
        ASSERT_TRUE(Platform() ? platformSession.Load(vx) : session.Load(vx));
        ASSERT_TRUE(Platform() ? platformSession.Create(nest.panelParent()) : session.Create(nest.panelParent()));
        auto get = reinterpret_cast<KdxHostServices*(KDX_CALL*)()>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(folder.KdxPath("Services").c_str()), "FakeKdxServices")));
        ASSERT_NE(get, nullptr);
        services = get();
        ASSERT_NE(services, nullptr);
    }
    void TearDown() override
    {
        platformSession.Close();
        session.Close();
        EXPECT_EQ(host.OutstandingReferences(), 0);
        EXPECT_EQ(host.OutstandingBlocks(), 0);
        EXPECT_EQ(host.Mistakes(), 0);
    }

    PluginFolder folder;
    StandInHost host;
    std::unique_ptr<platform::HostBridge> bridge;
    wintest::WindowNest nest;
    PluginSession session;
    platform::Session platformSession;
    KdxHostServices* services = nullptr;
};

TEST_P(HostServicesTest, EveryCodeAnswersFromTheHostAndGivesEverythingBack)
{
    for (const ServiceCase& c : kCases) {
        SCOPED_TRACE(c.what);
        StandInHost caseHost;
        ScriptFourTabs(caseHost);
        if (c.script)
            c.script(caseHost);
        std::unique_ptr<platform::HostBridge> caseBridge;
        Register(caseHost, caseBridge);

        int32_t var1 = kUntouched;
        int32_t var2 = kUntouched;
        char* string2 = kUntouchedString;
        auto param = [&](Arg arg, uintptr_t value, const char* text, int32_t* var) -> uintptr_t {
            switch (arg) {
            case kValue: return value;
            case kOutValue: return reinterpret_cast<uintptr_t>(var);
            case kOutString: return reinterpret_cast<uintptr_t>(&string2);
            case kText: return reinterpret_cast<uintptr_t>(text);
            default: return 0;
            }
        };
        int32_t result = services->service(c.code, param(c.arg1, c.value1, nullptr, &var1),
                                           param(c.arg2, 0, c.text2, &var2));

        EXPECT_EQ(result, c.result);
        EXPECT_EQ(var1, c.out1);
        EXPECT_EQ(var2, c.out2);
        if (c.string2) {
            ASSERT_NE(string2, kUntouchedString);
            EXPECT_STREQ(string2, c.string2);
            EXPECT_EQ(services->free(string2), 1);
        } else {
            EXPECT_EQ(string2, kUntouchedString);
        }
        EXPECT_EQ(caseHost.log(), c.log);
        EXPECT_EQ(caseHost.OutstandingReferences(), 0);
        EXPECT_EQ(caseHost.OutstandingBlocks(), 0);
        EXPECT_EQ(caseHost.Mistakes(), 0);
        EXPECT_EQ(caseBridge ? caseBridge->Strangers() : 0, 0);
    }
    Register(host, bridge);
}

TEST_P(HostServicesTest, TableAndPlainEntries)
{
    EXPECT_EQ(services->size, 148u);
    EXPECT_EQ(services->service2(1, 2, 3), 0);
    auto* block = static_cast<char*>(services->alloc(520));
    ASSERT_NE(block, nullptr);
    memset(block, 'x', 520);
    EXPECT_EQ(services->free(block), 1);
    for (uint32_t word : services->reserved)
        EXPECT_EQ(word, 0u);
    // The adaptor's timer ticks the plug-in in its own window.
    EXPECT_TRUE(wintest::PumpUntil([] { return CountEvents("tick:1") >= 1; }, 2500));
}

struct MessageBoxSeen {
    HWND box = nullptr;
    std::wstring caption;
    std::wstring text;
    bool hasNoButton = false;
};
MessageBoxSeen seen;
HHOOK hook;

// Runs inside the message box's own loop, once its controls hold their texts.
void CALLBACK ReadAndAnswerNo(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    wchar_t text[256] = {};
    GetWindowTextW(seen.box, text, 256);
    seen.caption = text;
    GetDlgItemTextW(seen.box, 0xFFFF, text, 256);
    seen.text = text;
    seen.hasNoButton = GetDlgItem(seen.box, IDNO) != nullptr;
    PostMessageW(seen.box, WM_COMMAND, IDNO, 0);
}

LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && !seen.box) {
        // Wine activates the box before its controls exist (see tests/README.md).
        seen.box = reinterpret_cast<HWND>(wParam);
        SetTimer(nullptr, 0, 0, ReadAndAnswerNo);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

TEST_P(HostServicesTest, MessageBoxShowsTheAnsiTextAsUtf16AndAnswersTheHostsResult)
{
    seen = {};
    hook = SetWindowsHookExW(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId());
    int32_t result = services->messageBox("表示を保存しますか？", MB_YESNO);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(seen.text, L"表示を保存しますか？");
    EXPECT_EQ(seen.caption, L"Vantrel");
    EXPECT_TRUE(seen.hasNoButton);
}

INSTANTIATE_TEST_SUITE_P(Builds, HostServicesTest, ::testing::Values(kGxxAdaptor, kPlatformAdaptor),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param == kPlatformAdaptor ? "Platform" : "Gxx");
                         });

}  // namespace
