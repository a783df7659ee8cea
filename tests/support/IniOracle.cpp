#include "IniOracle.h"

#include <cstdio>
#include <set>

#include "WinTest.h"

namespace inioracle {

namespace {

// Each file gets its own date in the past, so Wine's cache never mistakes one
// content for another under the same name.
void DateBack(const std::string& path)
{
    static ULONGLONG counter;
    SYSTEMTIME base = {2000, 1, 0, 1, 0, 0, 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&base, &time);
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    value.QuadPart += ++counter * 10000000ULL;
    time.dwLowDateTime = value.LowPart;
    time.dwHighDateTime = value.HighPart;
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

template <typename T>
const T& Pick(std::mt19937& random, const std::vector<T>& choices)
{
    return choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(random)];
}

bool Chance(std::mt19937& random, int percent)
{
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
}

int Between(std::mt19937& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

std::string Format(const std::string& pattern, const std::string& name, const std::string& value = "")
{
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == 'v')) {
            out += pattern[i + 1] == 's' ? name : value;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

// CP932 pieces: 表 ソ 能 end in 5C, ゾ in 5D, ゼ in 5B, ア in 41 (a letter).
const std::vector<std::string> kJapanese = {"ページ", "表", "ソ", "能", "ゾ", "ゼ", "ア", "日本語", "ｱｲｳ", "表示ソフト"};

std::string LongText(std::mt19937& random)
{
    int length = Between(random, 515, 525);
    std::string text;
    bool japanese = Chance(random, 40);
    while (static_cast<int>(text.size()) < length)
        text += japanese && Chance(random, 50) ? std::string("表") : std::string("a");
    return text;
}

std::string RandomText(std::mt19937& random)
{
    std::string body;
    int parts = Between(random, 0, 4);
    for (int i = 0; i < parts; ++i) {
        switch (Between(random, 0, 5)) {
        case 0: body += Pick(random, kJapanese); break;
        case 1: body += " "; break;
        case 2: body += "C:\\Tools\\"; break;
        case 3: body += "App.exe"; break;
        case 4: body += Chance(random, 50) ? "\"" : "'"; break;
        default: body += "x y"; break;
        }
    }
    if (Chance(random, 8))
        body = LongText(random);
    switch (Between(random, 0, 7)) {
    case 0: case 1: return "\"" + body + "\"";
    case 2: return "'" + body + "'";
    case 3: return "\"" + body + "'";
    case 4: return "\"" + body;
    case 5: return Chance(random, 50) ? "\"\"" : "''";
    default: return body;
    }
}

const std::vector<std::string> kCountValues = {
    "0", "1", "2", "3", "4", "5", "-1", "-5", " 3", "\"2\"", "'4'", "0x3", "0b11", "0o4", "+2",
    "3abc", "", "\"\"", "\" 2\"", "0X3", "5 ", "\t1"};
const std::vector<std::string> kNumberValues = {
    "-1", "0", "12", "0x10", "12abc", "  -5", "+7", "\"42\"", "'-3'", "99999999999", "-2147483649",
    "4294967296", "0b101", "", "abc", "- 5", "\"", "0x", "10011", "10009", "5", "\"-0x10\""};
const std::vector<std::string> kSections = {
    "Launcher", "launcher", "LAUNCHER", "Page1", "page1", "PAGE2", "Page2", "Page3", "Page1:Item1",
    "page1:item1", "Page1:Item2", "Page1:Item3", "Page2:Item1", "Page2:Item2", "Page3:Item1", "PAGE1:ITEM2",
    "ページ", "表", "ゾ]", "a]b", "", "Page01", "Page1:Item01", "Page 1"};
const std::vector<std::string> kHeaders = {
    "[%s]", "[%s]", "[%s]", " [%s] ", "[ %s ]", "[\t%s]\t", "[%s] junk", "[%s", "[%s]]", "[%s]\x1a"};
const std::vector<std::string> kKeys = {
    "PageCount", "ItemCount", "Name", "name", "NAME", "Path", "Parameter", "WorkDir", "IconPath",
    "IconIndex", "PosX", "PosY", "DoubleClick", "ShowTab", "ViewStyle", "AutoArrange", "GridArrange",
    ";Name", "表", "ア", ""};
const std::vector<std::string> kKeyLines = {
    "%s=%v", "%s=%v", "%s=%v", "%s = %v", "  %s\t=\t%v  ", "%s", "%s==%v", "; comment %v", "%s=%v\x1a"};
const std::vector<std::string> kLineEnds = {"\r\n", "\r\n", "\r\n", "\r\n", "\n", "\r", "\r\n\r\n", "\n \t\n"};

std::string ValueFor(std::mt19937& random, const std::string& key)
{
    if (key == "PageCount" || key == "ItemCount")
        return Pick(random, kCountValues);
    if (key == "IconIndex" || key == "PosX" || key == "PosY" || key == "DoubleClick" || key == "ShowTab"
        || key == "ViewStyle" || key == "AutoArrange" || key == "GridArrange")
        return Chance(random, 85) ? Pick(random, kNumberValues) : RandomText(random);
    return RandomText(random);
}

}  // namespace

void ForgetProfile(const std::string& path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

ProfileFile::ProfileFile(std::string path, const std::string& bytes) : path_(std::move(path))
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
    wintest::WriteFileBytes(path_, bytes);
    DateBack(path_);
}

ProfileFile::~ProfileFile()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
    DeleteFileA(path_.c_str());
}

std::string ProfileFile::GetWineString(const std::string& section, const std::string& key,
                                       const std::string& defaultValue, UINT size) const
{
    std::vector<char> buffer(size + 8, '\0');
    GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(), size, path_.c_str());
    return std::string(buffer.data());
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue, UINT size) const
{
    // Wine drops the last character of a quoted value that exactly fills the
    // buffer. One character more of buffer moves its off-by-one onto the closing
    // quote; whenever that answer still fits the real buffer, it is the answer
    // without the fault.
    std::string wider = GetWineString(section, key, defaultValue, size + 1);
    return wider.size() <= size - 1 ? wider : GetWineString(section, key, defaultValue, size);
}

int ProfileFile::GetInt(const std::string& section, const std::string& key, int defaultValue) const
{
    return static_cast<int>(GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, path_.c_str()));
}

std::vector<Lookup> SettingsLookups(int pages, int items)
{
    std::vector<Lookup> lookups;
    auto number = [&](const std::string& section, const char* key, int value) {
        lookups.push_back(Lookup{section, key, true, "", value});
    };
    auto text = [&](const std::string& section, const char* key, const std::string& value) {
        lookups.push_back(Lookup{section, key, false, value, 0});
    };
    for (const char* key : {"DoubleClick", "ShowTab", "AutoArrange", "GridArrange", "PageCount"})
        number("Launcher", key, 1);
    number("Launcher", "ViewStyle", 10009);
    for (int n = 1; n <= pages; ++n) {
        std::string page = "Page" + std::to_string(n);
        number(page, "ItemCount", 0);
        text(page, "Name", "ページ &" + std::to_string(n));
        for (int m = 1; m <= items; ++m) {
            std::string item = page + ":Item" + std::to_string(m);
            for (const char* key : {"Name", "Path", "Parameter", "WorkDir"})
                text(item, key, "");
            for (const char* key : {"IconIndex", "PosX", "PosY"})
                number(item, key, -1);
        }
    }
    return lookups;
}

std::vector<Lookup> TokenLookups(const std::string& bytes)
{
    std::set<std::string> sections = {"", "Launcher"};
    std::set<std::string> keys = {"", "Name"};
    size_t start = 0;
    while (start <= bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        size_t first = line.find_first_not_of(" \t\x1a");
        if (first != std::string::npos) {
            line = line.substr(first);
            size_t close = line.rfind(']');
            if (line[0] == '[' && close != std::string::npos) {
                sections.insert(line.substr(1, close - 1));
            } else {
                keys.insert(line.substr(0, line.find('=')));
            }
        }
        start = end + 1;
    }
    std::vector<Lookup> lookups;
    size_t sectionCount = 0;
    for (const std::string& section : sections) {
        if (++sectionCount > 8)
            break;
        size_t keyCount = 0;
        for (const std::string& key : keys) {
            if (++keyCount > 8)
                break;
            lookups.push_back(Lookup{section, key, false, "dflt  ", 0});
            lookups.push_back(Lookup{section, key, true, "", -7});
        }
    }
    return lookups;
}

std::vector<CorpusFile> Corpus()
{
    std::vector<CorpusFile> files;
    std::string folder = wintest::ProgramFolder() + "ini-corpus\\";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.ini").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        CorpusFile file{found.cFileName, ""};
        wintest::ReadFileBytes(folder + found.cFileName, &file.bytes);
        files.push_back(file);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

std::string RandomIni(std::mt19937& random)
{
    std::string text;
    auto lineEnd = [&] { text += Pick(random, kLineEnds); };
    if (Chance(random, 20)) {
        text += Format(Pick(random, kKeyLines), Pick(random, kKeys), RandomText(random));
        lineEnd();
    }
    int blocks = Between(random, 1, 10);
    for (int b = 0; b < blocks; ++b) {
        std::string section = b == 0 && Chance(random, 70) ? "Launcher" : Pick(random, kSections);
        text += Format(Pick(random, kHeaders), section);
        lineEnd();
        if (Chance(random, 15)) {
            text += Chance(random, 50) ? " \t " : "; a comment = with equals";
            lineEnd();
        }
        int lines = Between(random, 0, 7);
        for (int i = 0; i < lines; ++i) {
            std::string key = Pick(random, kKeys);
            text += Format(Pick(random, kKeyLines), key, ValueFor(random, key));
            lineEnd();
        }
    }
    if (Chance(random, 30)) {
        // No line end after the last line.
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
            text.pop_back();
    }
    return text;
}

std::vector<WriteCall> RandomWrites(std::mt19937& random)
{
    static const std::vector<std::string> sections = {
        "Launcher", "launcher", " Page1", "Page1 ", "\tPage1:Item1\t", "", "  ", "Sec", "SEC", "表", "ソ", "ア"};
    static const std::vector<std::string> oddSections = {"A\r\nB", "x]y", "[z", "C\nK=v"};
    static const std::vector<std::string> keys = {"Name", " name ", "NAME\t", "Path", "", "  ", ";c", "表", "ア", "k"};
    static const std::vector<std::string> oddKeys = {"k=v", "[k", "[k]", "a\rb", "e="};
    static const std::vector<std::string> values = {
        "1", "  lead", "trail  ", "\"quoted\"", "''", "\" spaced \"", "表ソ能", "", "\t", "x]", "-5",
        "\"ページ &1\"", "C:\\Tools\\"};
    static const std::vector<std::string> oddValues = {"a\r\nb=c", "x\ny", "]", "\r\n[New]\r\nk=1"};
    std::vector<WriteCall> calls;
    int count = Between(random, 3, 25);
    for (int i = 0; i < count; ++i) {
        WriteCall call;
        call.section = Chance(random, 5) ? Pick(random, oddSections) : Pick(random, sections);
        call.key = Chance(random, 8) ? Pick(random, oddKeys) : Pick(random, keys);
        call.value = Chance(random, 6) ? Pick(random, oddValues) : Chance(random, 4) ? LongText(random) : Pick(random, values);
        calls.push_back(call);
    }
    return calls;
}

std::string Escape(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        char piece[8];
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n\n";
        else if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else {
            snprintf(piece, sizeof piece, "\\x%02X", c);
            out += piece;
        }
    }
    return out;
}

}  // namespace inioracle
