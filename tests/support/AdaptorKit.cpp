#include "AdaptorKit.h"

namespace adaptortest {

namespace {
constexpr char kLogVariable[] = "FAKE_KDX_LOG";

// UTF-16LE with a byte order mark, as the shipped KdxPanel.ini: the platform's
// profile functions read it as it is, a backslash included.
constexpr wchar_t kHelpIni[] =
    L"\xFEFF; help text shown instead of an unusable plug-in\r\n"
    L"[Strings]\r\n"
    L"HowToUseKdxAdaptor=プラグインを kdx\\ に置いてください。Put the plug-in into kdx\\new.\r\n";
}  // namespace

const char kPlatformAdaptor[] = "Brevlin.vx";
const char kGxxAdaptor[] = "Brevlin-gxx.vx";
const char kGxxLibrary[] = "VantrelLib-gxx.vx";

const wchar_t kHelpText[] = L"プラグインを kdx\\ に置いてください。Put the plug-in into kdx\\new.";

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
    wintest::WriteFileBytes(temp_.File("KdxPanel.ini"),
                            std::string(reinterpret_cast<const char*>(kHelpIni), sizeof kHelpIni - sizeof(wchar_t)));
}

std::wstring PluginFolder::root() const { return Wide(temp_.path()) + L"\\"; }

std::wstring PluginFolder::Install(const std::string& name, const std::string& kdx, const char* adaptor)
{
    std::string program = wintest::ProgramFolder();
    std::string vx = temp_.File(name + ".vx");
    CopyFileA((program + adaptor).c_str(), vx.c_str(), FALSE);
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
