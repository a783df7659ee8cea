#include "AdaptorKit.h"

namespace adaptortest {

namespace {
constexpr char kLogVariable[] = "FAKE_KDX_LOG";

// UTF-8 with a byte order mark; a value is one line, "\n" stands for a break.
constexpr char kHelpIni[] =
    u8"\xEF\xBB\xBF; help text shown instead of an unusable plug-in\r\n"
    u8"[Strings]\r\n"
    u8"HowToUseKdxAdaptor=プラグインを kdx\\\\ に置いてください。\\nPut the plug-in into kdx\\\\.\r\n";
}  // namespace

const wchar_t kHelpText[] = L"プラグインを kdx\\ に置いてください。\r\nPut the plug-in into kdx\\.";

std::wstring Wide(const std::string& ansi)
{
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], length);
    wide.resize(length > 0 ? length - 1 : 0);
    return wide;
}

std::vector<std::string> FakeEvents()
{
    static char log[32768];
    DWORD length = GetEnvironmentVariableA(kLogVariable, log, sizeof log);
    std::vector<std::string> events;
    std::string text(log, length < sizeof log ? length : 0);
    size_t start = 0;
    for (size_t end; (end = text.find(';', start)) != std::string::npos; start = end + 1)
        events.push_back(text.substr(start, end - start));
    return events;
}

void ClearFakeEvents() { SetEnvironmentVariableA(kLogVariable, ""); }

int CountEvents(const std::string& prefix)
{
    int count = 0;
    for (const std::string& event : FakeEvents())
        count += event.compare(0, prefix.size(), prefix) == 0;
    return count;
}

PluginFolder::PluginFolder()
{
    CreateDirectoryA(temp_.File("kdx").c_str(), nullptr);
    wintest::WriteFileBytes(temp_.File("KdxPanel.ini"), kHelpIni);
}

std::wstring PluginFolder::root() const { return Wide(temp_.path()) + L"\\"; }

std::wstring PluginFolder::Install(const std::string& name, const std::string& kdx)
{
    std::string program = wintest::ProgramFolder();
    std::string vx = temp_.File(name + ".vx");
    CopyFileA((program + "Brevlin.vx").c_str(), vx.c_str(), FALSE);
    if (!kdx.empty())
        CopyFileA((program + kdx).c_str(), temp_.File("kdx\\" + name + ".kdx").c_str(), FALSE);
    return Wide(vx);
}

std::wstring PluginFolder::KdxPath(const std::string& name) const
{
    return Wide(temp_.File("kdx\\" + name + ".kdx"));
}

void ScriptHost(StandInHost& host, const PluginFolder& folder)
{
    host.AddTab({L"Start", L"about:start", 11});
    host.AddTab({L"ニュース", L"https://news.example.jp/", 22});
    host.AddTab({L"Third", L"https://third.example/", 33});
    host.SetFolder(VexFolderProgram, L"C:\\Vantrel\\");
    host.SetFolder(VexFolderPlugins, folder.root());
    host.SetFolder(VexFolderProfile, L"C:\\Users\\me\\Vantrel\\");
    host.SetFolder(VexFolderCache, L"");
    host.Register();
}

}  // namespace adaptortest
