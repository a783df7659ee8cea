// The hosted panel: loading and refusing KDX plug-ins, the help-text window,
// the tick timer, forwarding, and tearing down, watched through the fake
// plug-ins' event log.
#include <gtest/gtest.h>

#include "AdaptorKit.h"

using namespace adaptortest;
using Events = std::vector<std::string>;

namespace {

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window)
{
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, &text[0], static_cast<int>(text.size())));
    return text;
}

VIPanel* NewPanel(HMODULE module)
{
    auto create = reinterpret_cast<VpiCreateInstanceProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, VPI_CREATEINSTANCE_NAME)));
    VIPluginBase* base = create(0);
    void* panel = nullptr;
    base->QueryInterface(VexInterfacePanel, &panel);
    base->Release();
    static_cast<VIPanel*>(panel)->Initialize();
    return static_cast<VIPanel*>(panel);
}

class HostedPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptHost(host, folder);
        ClearFakeEvents();
    }
    void TearDown() override
    {
        session.Close();
        EXPECT_EQ(host.OutstandingReferences(), 0);
        EXPECT_EQ(host.OutstandingBlocks(), 0);
        EXPECT_EQ(host.Mistakes(), 0);
    }
    bool IsLoaded(const std::string& name) { return GetModuleHandleW(folder.KdxPath(name).c_str()) != nullptr; }

    PluginFolder folder;
    StandInHost host;
    wintest::WindowNest nest;
    PluginSession session;
};

TEST_F(HostedPanelTest, UnusablePluginsGetTheHelpTextWindowAndNoEntryIsCalled)
{
    struct Case {
        const char* name;
        const char* kdx;  // nullptr: no plug-in file at all
        Events events;    // everything the plug-in saw, Destroy included
    } cases[] = {
        {"Missing", nullptr, {}},
        {"KindTwo", "fake_kind2.kdx", {"attach", "info", "detach"}},
        {"KindZero", "fake_kind0.kdx", {"attach", "info", "detach"}},
        {"Refusing", "fake_refuse.kdx", {"attach", "info", "init", "detach"}},
        {"NoInitialize", "fake_noinit.kdx", {"attach", "detach"}},
        // A create that gives no window gets its destroy with that none, at once.
        {"NoWindow", "fake_nowindow.kdx", {"attach", "info", "init", "create", "destroy:?:timer-dead", "detach"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearFakeEvents();
        ASSERT_TRUE(session.Load(folder.Install(c.name, c.kdx ? c.kdx : "")));
        HWND window = session.Create(nest.panelParent());

        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(ClassOf(window), L"Edit");
        EXPECT_EQ(GetParent(window), nest.panelParent());
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & ~(WS_HSCROLL | WS_VSCROLL), 0x50001044u);
        EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE), 0);
        EXPECT_EQ(TextOf(window), kHelpText);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), host.font());
        EXPECT_FALSE(IsLoaded(c.name));
        EXPECT_FALSE(session.Forward(7));

        session.Close();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(FakeEvents(), c.events);
    }
}

TEST_F(HostedPanelTest, WithoutAPluginFolderTheCurrentFolderIsNeverSearched)
{
    std::wstring vx = folder.Install("Planted", "fake_full.kdx");
    host.SetFolder(VexFolderPlugins, L"");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.temp().path().c_str());  // kdx\Planted.kdx lies here
    ASSERT_TRUE(session.Load(vx));
    HWND window = session.Create(nest.panelParent());
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(ClassOf(window), L"Edit");
    EXPECT_EQ(FakeEvents(), Events{});
}

TEST_F(HostedPanelTest, PluginKindIsTheLowByteOfThePluginInfo)
{
    // 0x6701 is taken by fake_full below; a bare 1 is a panel plug-in too.
    ASSERT_TRUE(session.Load(folder.Install("KindOne", "fake_kind1.kdx")));
    HWND window = session.Create(nest.panelParent());
    EXPECT_EQ(ClassOf(window), L"Static");
    EXPECT_EQ(FakeEvents(), (Events{"attach", "info", "init", "create"}));
}

TEST_F(HostedPanelTest, HostedPluginTicksForwardsAndIsDestroyedOnceAfterItsTimer)
{
    ASSERT_TRUE(session.Load(folder.Install("Full", "fake_full.kdx")));
    HWND window = session.Create(nest.panelParent());
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(TextOf(window), L"fake panel");
    EXPECT_EQ(GetParent(window), nest.panelParent());

    session.Show(false);
    EXPECT_FALSE(IsWindowVisible(window));
    session.Show(true);
    EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE);

    EXPECT_TRUE(session.Forward(7));
    EXPECT_FALSE(session.Forward(8));

    ASSERT_TRUE(wintest::PumpUntil([] { return CountEvents("tick") >= 1; }, 2500));
    EXPECT_EQ(CountEvents("tick:1"), CountEvents("tick"));  // always its own window

    session.panel()->Destroy();
    Events events = FakeEvents();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2], "destroy:1:timer-dead");
    EXPECT_EQ(events.back(), "detach");
    EXPECT_FALSE(IsLoaded("Full"));

    // Nothing of the plug-in is reached again.
    int ticks = CountEvents("tick");
    EXPECT_FALSE(session.Forward(7));
    session.panel()->Destroy();
    wintest::Pump(1200);
    EXPECT_EQ(CountEvents("tick"), ticks);
    EXPECT_EQ(CountEvents("destroy"), 1);
}

TEST_F(HostedPanelTest, PluginWithoutTickOrForwardIsStillTimedButNeverCalled)
{
    ASSERT_TRUE(session.Load(folder.Install("Quiet", "fake_quiet.kdx")));
    HWND window = session.Create(nest.panelParent());
    EXPECT_FALSE(session.Forward(7));
    wintest::Pump(1200);
    EXPECT_EQ(FakeEvents(), (Events{"attach", "info", "init", "create"}));
    EXPECT_TRUE(KillTimer(window, 12345));  // the timer ran on the panel window
}

TEST_F(HostedPanelTest, PluginCreatingNoWindowLeavesNoTimerBehind)
{
    // The help text stands in, the module is gone before Create returns, and
    // nothing of the plug-in is reached again.
    ASSERT_TRUE(session.Load(folder.Install("NoWindow", "fake_nowindow.kdx")));
    EXPECT_EQ(ClassOf(session.Create(nest.panelParent())), L"Edit");
    EXPECT_FALSE(IsLoaded("NoWindow"));
    wintest::Pump(1300);
    EXPECT_EQ(CountEvents("tick"), 0);

    session.Close();
    EXPECT_EQ(FakeEvents(), (Events{"attach", "info", "init", "create", "destroy:?:timer-dead", "detach"}));
}

TEST_F(HostedPanelTest, ReleasedObjectIsNeitherTickedNorReachedByTheTimer)
{
    // Two objects of one copy, each hosting a panel of the same plug-in. The
    // newer one is released without Destroy: its timer goes with it, the timer
    // of the older one must not reach the freed object, and the older panel
    // keeps its ticks (a host that reads a second object's name must not stop them).
    ASSERT_TRUE(session.Load(folder.Install("Twice", "fake_full.kdx")));
    session.Create(nest.panelParent());
    VIPanel* newer = NewPanel(session.module());
    HWND newerWindow = newer->Create(nest.panelParent());
    ASSERT_TRUE(IsWindow(newerWindow));

    EXPECT_EQ(static_cast<VIPluginBase*>(newer)->Release(), 0);
    ClearFakeEvents();
    wintest::Pump(2200);
    EXPECT_EQ(CountEvents("tick:2"), 0);
    EXPECT_GE(CountEvents("tick:1"), 1);

    // The older panel still tears down cleanly; the module stays loaded for the
    // panel nobody destroyed, which the test removes itself.
    session.Close();
    EXPECT_EQ(CountEvents("destroy:1:timer-dead"), 1);
    EXPECT_TRUE(IsLoaded("Twice"));
    DestroyWindow(newerWindow);
    FreeLibrary(GetModuleHandleW(folder.KdxPath("Twice").c_str()));
    EXPECT_FALSE(IsLoaded("Twice"));
}

TEST_F(HostedPanelTest, SecondCreateTearsTheFirstPanelDown)
{
    ASSERT_TRUE(session.Load(folder.Install("Again", "fake_full.kdx")));
    HWND first = session.Create(nest.panelParent());
    HWND second = session.panel()->Create(nest.panelParent());
    EXPECT_TRUE(IsWindow(second));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(FakeEvents(), (Events{"attach", "info", "init", "create", "destroy:1:timer-dead", "detach", "attach",
                                    "info", "init", "create"}));
}

}  // namespace
