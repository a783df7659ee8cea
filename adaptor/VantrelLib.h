// The newer host's library VantrelLib.vx as its plug-ins see it: the interfaces
// of the host's objects, the library's functions and its small classes.
//
// Text on this side is UTF-16. Every interface derives virtually from
// VIPluginBase, whose third operation (Release) drops one reference; every
// interface pointer that a host operation returns or writes out carries one
// reference. Every method takes the interface pointer first, stdcall.
//
// The position of each operation in its interface's own table is fixed, so the
// slots a plug-in does not call are declared as placeholders that keep the
// positions; a host need not override them.
#pragma once

#include <windows.h>

#include <stdint.h>

// Classes are exported by their decorated names; the functions by their plain
// names through hostlib/VantrelLib.def, since lld's mingw mode and the platform
// compiler disagree about the leading underscore of a C name in an export directive.
#ifdef VANTRELLIB_BUILD
#define VANTREL_API __declspec(dllexport)
#define VANTREL_FUNCTION
#else
#define VANTREL_API __declspec(dllimport)
#define VANTREL_FUNCTION __declspec(dllimport)
#endif

#define VCALL __stdcall

// A slot whose operation plug-ins never call; it only holds its position.
#define VANTREL_SLOT(n) \
    virtual void VCALL Slot##n() {}

// The base interface of every object of the host and of every plug-in object.
struct VIPluginBase {
    // Writes the interface with number `id` (one reference added) or null.
    virtual bool VCALL QueryInterface(uint32_t id, void** out) = 0;
    virtual int32_t VCALL AddRef() = 0;
    virtual int32_t VCALL Release() = 0;
};

// The host's memory: blocks that cross between host and plug-in.
struct VIMemory : virtual VIPluginBase {
    virtual void* VCALL Allocate(uint32_t bytes) = 0;  // 0
    virtual void VCALL Free(void* block) = 0;          // 1
};

struct VITabContent;

// One tab of the host; two tabs are the same tab when their pointers are equal.
struct VITab : virtual VIPluginBase {
    virtual VITabContent* VCALL GetContent() = 0;  // 0
};

// What a tab shows. The meaning of the value and the texts is the host's.
struct VITabContent : virtual VIPluginBase {
    VANTREL_SLOT(0) VANTREL_SLOT(1) VANTREL_SLOT(2) VANTREL_SLOT(3) VANTREL_SLOT(4)
    virtual void VCALL GetValue(int32_t* out) = 0;  // 5
    VANTREL_SLOT(6)
    virtual void VCALL PutText(const wchar_t* text) = 0;  // 7
    VANTREL_SLOT(8) VANTREL_SLOT(9) VANTREL_SLOT(10) VANTREL_SLOT(11) VANTREL_SLOT(12)
    VANTREL_SLOT(13) VANTREL_SLOT(14) VANTREL_SLOT(15) VANTREL_SLOT(16) VANTREL_SLOT(17)
    VANTREL_SLOT(18) VANTREL_SLOT(19) VANTREL_SLOT(20) VANTREL_SLOT(21) VANTREL_SLOT(22)
    VANTREL_SLOT(23) VANTREL_SLOT(24) VANTREL_SLOT(25) VANTREL_SLOT(26) VANTREL_SLOT(27)
    VANTREL_SLOT(28) VANTREL_SLOT(29) VANTREL_SLOT(30) VANTREL_SLOT(31) VANTREL_SLOT(32)
    VANTREL_SLOT(33) VANTREL_SLOT(34) VANTREL_SLOT(35) VANTREL_SLOT(36) VANTREL_SLOT(37)
    VANTREL_SLOT(38) VANTREL_SLOT(39) VANTREL_SLOT(40) VANTREL_SLOT(41) VANTREL_SLOT(42)
    VANTREL_SLOT(43) VANTREL_SLOT(44) VANTREL_SLOT(45) VANTREL_SLOT(46) VANTREL_SLOT(47)
    VANTREL_SLOT(48) VANTREL_SLOT(49) VANTREL_SLOT(50)
    // Each writes a string of the host's VIMemory, which the caller frees.
    virtual void VCALL GetTitle(wchar_t** out) = 0;    // 51
    virtual void VCALL GetAddress(wchar_t** out) = 0;  // 52
};

// The host's tabs in their order, counted from 0.
struct VITabList : virtual VIPluginBase {
    virtual uint32_t VCALL Count() = 0;             // 0
    virtual VITab* VCALL GetTab(uint32_t index) = 0;  // 1
    VANTREL_SLOT(2)
    virtual void VCALL SelectTab(VITab* tab) = 0;  // 3
    VANTREL_SLOT(4) VANTREL_SLOT(5)
    virtual VITab* VCALL GetCurrentTab() = 0;     // 6
    virtual void VCALL ReloadTab(VITab* tab) = 0;  // 7
};

// The host's user-interface font.
struct VIFontSource : virtual VIPluginBase {
    VANTREL_SLOT(0) VANTREL_SLOT(1) VANTREL_SLOT(2) VANTREL_SLOT(3) VANTREL_SLOT(4)
    VANTREL_SLOT(5) VANTREL_SLOT(6) VANTREL_SLOT(7) VANTREL_SLOT(8) VANTREL_SLOT(9)
    VANTREL_SLOT(10) VANTREL_SLOT(11)
    virtual HFONT* VCALL GetFont() = 0;  // 12
};

// Component ids of VIClient::GetComponent.
enum VexComponent : uint32_t {
    VexComponentFontSource = 9,  // VIFontSource
    VexComponentTabList = 24,    // VITabList
};

// Folder ids of VIClient::GetFolder; each path ends in a backslash.
enum VexFolder : uint32_t {
    VexFolderProgram = 1,  // the host's program folder
    VexFolderPlugins = 2,  // the plug-in folder, holding kdx\ and KdxPanel.ini
    VexFolderProfile = 5,  // the user's profile folder
    VexFolderCache = 17,   // the profile's cache folder
};

// The host itself.
struct VIClient : virtual VIPluginBase {
    VANTREL_SLOT(0) VANTREL_SLOT(1) VANTREL_SLOT(2) VANTREL_SLOT(3) VANTREL_SLOT(4)
    VANTREL_SLOT(5)
    // Writes the component (one reference) to `out`, or null, and returns it too.
    virtual void* VCALL GetComponent(uint32_t id, void** out) = 0;  // 6
    VANTREL_SLOT(7) VANTREL_SLOT(8) VANTREL_SLOT(9)
    // Writes the folder path as a string of VIMemory, or null for an unknown id.
    virtual bool VCALL GetFolder(uint32_t id, wchar_t** out) = 0;  // 10
    // Opens an address; answers the tab that shows it (one reference) or null.
    virtual VITab* VCALL Open(const wchar_t* target, const wchar_t* address,
                              uint32_t flags) = 0;  // 11
};

// Base class of the plug-ins' objects.
class VANTREL_API VObject {
public:
    VObject();
    virtual ~VObject();
};

// A UTF-16 string. A null text counts as empty.
class VANTREL_API VString {
public:
    VString();
    VString(const wchar_t* text);
    VString(const VString& other);
    ~VString();
    VString& operator=(const wchar_t* text);
    VString& operator=(const VString& other);
    VString& operator+=(const wchar_t* text);
    const wchar_t* GetText() const;  // never null
    uint32_t GetLength() const;      // in UTF-16 units, without the terminator

private:
    wchar_t* Grow(uint32_t length);
    wchar_t* text_;
    uint32_t length_;
    uint32_t capacity_;
};

// Converts between the ANSI code page and UTF-16. Every converted text lives
// until its converter is destroyed. A null text converts to an empty one.
class VANTREL_API VCharConv {
public:
    VCharConv();
    ~VCharConv();
    VCharConv(const VCharConv&) = delete;
    VCharConv& operator=(const VCharConv&) = delete;
    const wchar_t* a2t(const char* text);
    const char* t2a(const wchar_t* text);

private:
    void* Keep(uint32_t bytes);
    struct Block;
    Block* blocks_;
};

class VANTREL_API VMisc {
public:
    // True when `path` names an existing file (not a folder).
    static bool IsFileExist(const wchar_t* path);
};

extern "C" {

// The host's client and memory; borrowed, never released by the caller.
VANTREL_FUNCTION VIClient* VexGetClient();
VANTREL_FUNCTION VIMemory* VexGetMemory();

// A message box owned by the host's active window.
VANTREL_FUNCTION int VexMessageBox(const wchar_t* text, uint32_t flags);

// The text stored under `key` in `file`; empty when there is none. See the
// library's source for where the file is looked up and how it is read.
VANTREL_FUNCTION VString VexLoadString(const wchar_t* file, const wchar_t* key);

// A copy of `text` in the host's memory, and its release.
VANTREL_FUNCTION wchar_t* VexAllocString(const wchar_t* text);
VANTREL_FUNCTION void VexFreeString(wchar_t* text);

// Installs the host's client and memory (both borrowed; null removes them).
// Without a memory object the library uses its own heap.
VANTREL_FUNCTION void VexRegisterHost(VIClient* client, VIMemory* memory);
}
