// The platform's profile functions as the oracle for the settings file: a file they
// answer on, the look-ups LoadSettings makes, the INI corpus of tests/ini-corpus and
// a generator of random INI texts and write sequences.
#pragma once

#include <windows.h>

#include <random>
#include <string>
#include <vector>

namespace inioracle {

// A file that GetPrivateProfileStringA / GetPrivateProfileIntA answer on. Wine
// re-reads a file younger than 2.1 s at every call; the file is dated back a
// little more per file so that Wine caches it and a look-up costs microseconds.
class ProfileFile {
public:
    ProfileFile(std::string path, const std::string& bytes);
    ~ProfileFile();
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    const std::string& path() const { return path_; }
    // Into a zero-filled buffer of `size` bytes (see IniDocument.h on the stale
    // byte Wine leaves when it cuts inside a double-byte character), without
    // Wine's off-by-one on a quoted value that exactly fills the buffer.
    std::string GetString(const std::string& section, const std::string& key, const std::string& defaultValue,
                          UINT size = 520) const;
    // What Wine's GetPrivateProfileStringA itself answers.
    std::string GetWineString(const std::string& section, const std::string& key, const std::string& defaultValue,
                          UINT size = 520) const;
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;

private:
    std::string path_;
};

// Drops Wine's cached copy of a profile file, so that the next profile call reads
// the file itself. Wine keeps the last files it read and serves a file from that
// copy while its write time is unchanged and more than 2.1 s old: a file rewritten
// within one timestamp tick and read after a stall on a loaded machine would
// otherwise answer with its old content.
void ForgetProfile(const std::string& path);

// One look-up: a text with its default, or a number with its default.
struct Lookup {
    std::string section;
    std::string key;
    bool number;
    std::string textDefault;
    int numberDefault;
};

// The look-ups LoadSettings makes for pages 1..pages and items 1..items of each,
// except IconPath, whose default is the answer for Path (the caller asks it).
std::vector<Lookup> SettingsLookups(int pages, int items);

// Every section and key name-like token in the text (bytes between '[' and ']',
// and before '=' or the end of a line), to ask about beyond the launcher's own.
std::vector<Lookup> TokenLookups(const std::string& bytes);

struct CorpusFile {
    std::string name;
    std::string bytes;
};
// The files of tests/ini-corpus (copied next to the test programs by the build).
std::vector<CorpusFile> Corpus();

// A random INI text: odd spacing, both quote characters, duplicate sections and
// keys, comments, lines without '=', CP932 text with trail bytes 5C, 5B and 5D,
// values of 518 to 525 characters, CR, LF and CRLF line ends, no final line end.
// Counts (PageCount, ItemCount) stay within 0..5 however they are spelled.
std::string RandomIni(std::mt19937& random);

struct WriteCall {
    std::string section;
    std::string key;
    std::string value;
};
// A random sequence of WritePrivateProfileStringA calls: names in any case and
// with blanks around them, repeated keys and sections, empty names, values with
// blanks, quotes, CP932 text, and the odd ones (line breaks, '=' in a key, a key
// line that reads as a section header).
std::vector<WriteCall> RandomWrites(std::mt19937& random);

// Bytes shown with escapes, for failure messages.
std::string Escape(const std::string& bytes);

}  // namespace inioracle
