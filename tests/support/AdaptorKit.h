// Helpers of the adaptor's tests: plug-in folders laid out as the newer host
// expects them, and the event log that the fake KDX plug-ins leave behind.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "StandInHost.h"
#include "WinTest.h"

namespace adaptortest {

std::wstring Wide(const std::string& ansi);

// The fake plug-ins' events, in order (see tests/plugins/fake_kdx.cpp).
std::vector<std::string> FakeEvents();
void ClearFakeEvents();
int CountEvents(const std::string& prefix);  // events that start with `prefix`

// The help text as the adaptor's KdxPanel.ini of these tests holds it, and as
// the fallback window must show it.
extern const wchar_t kHelpText[];

// The adaptor's two builds in the program folder: the shipped one in the
// platform's C++ layout, and the g++ build of the same sources that g++ code
// can call through its own virtual calls (it imports VantrelLib-gxx.vx).
extern const char kPlatformAdaptor[];
extern const char kGxxAdaptor[];
extern const char kGxxLibrary[];

// A plug-in folder in a fresh temporary folder: copies of the adaptor named
// after KDX plug-ins, kdx\ with the plug-ins, and KdxPanel.ini.
class PluginFolder {
public:
    PluginFolder();
    // Root of the folder with a final backslash, as the host's folder 2 gives it.
    std::wstring root() const;
    // Copies the adaptor (the g++ build unless told) to <root>\<name>.vx and,
    // when `kdx` names a built module (e.g. "fake_full.kdx"), that module to
    // kdx\<name>.kdx. Answers the .vx path.
    std::wstring Install(const std::string& name, const std::string& kdx = "", const char* adaptor = kGxxAdaptor);
    std::wstring KdxPath(const std::string& name) const;
    const wintest::TempFolder& temp() const { return temp_; }

private:
    wintest::TempFolder temp_;
};

// A host with three scripted tabs whose folder 2 is `folder`, registered with
// the host library for as long as it lives.
void ScriptHost(StandInHost& host, const PluginFolder& folder);

}  // namespace adaptortest
