// VantrelLib.vx: the library the newer host lends its plug-ins. This build is
// the project's stand-in: it keeps what the host installs with VexRegisterHost
// and implements the library's functions and classes on top of it.
#define VANTRELLIB_BUILD
#include "VantrelLib.h"

#include <string.h>
#include <wchar.h>

namespace {

HMODULE libraryModule;
VIClient* hostClient;
VIMemory* hostMemory;

// Blocks of the process heap, used until a host installs its own memory.
class HeapMemory : public VIMemory {
public:
    bool VCALL QueryInterface(uint32_t, void** out) override
    {
        if (out)
            *out = nullptr;
        return false;
    }
    int32_t VCALL AddRef() override { return 1; }  // lives as long as the library
    int32_t VCALL Release() override { return 1; }
    void* VCALL Allocate(uint32_t bytes) override { return HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1); }
    void VCALL Free(void* block) override
    {
        if (block)
            HeapFree(GetProcessHeap(), 0, block);
    }
};

HeapMemory heapMemory;

// Never null: an exhausted heap raises STATUS_NO_MEMORY.
void* HeapBlock(size_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_GENERATE_EXCEPTIONS, bytes ? bytes : 1); }
void FreeHeapBlock(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

bool IsRelativePath(const wchar_t* path)
{
    if (path[0] == L'\\' || path[0] == L'/')
        return false;
    return !(path[0] && path[1] == L':');
}

// The folder that relative file names of VexLoadString start from: the host's
// plug-in folder, or this library's own folder when the host names none.
VString StringFolder()
{
    VString folder;
    wchar_t* plugins = nullptr;
    if (hostClient && hostClient->GetFolder(VexFolderPlugins, &plugins) && plugins) {
        folder = plugins;
        VexGetMemory()->Free(plugins);
    }
    if (folder.GetLength() == 0) {
        wchar_t path[MAX_PATH] = {};
        DWORD length = GetModuleFileNameW(libraryModule, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            wchar_t* slash = wcsrchr(path, L'\\');
            if (slash)
                slash[1] = 0;
            folder = path;
        }
    }
    return folder;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        libraryModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

// ---- VObject

VObject::VObject() = default;
VObject::~VObject() = default;

// ---- VString

VString::VString() : text_(nullptr), length_(0), capacity_(0) {}

VString::VString(const wchar_t* text) : VString() { *this = text; }

VString::VString(const VString& other) : VString() { *this = other.GetText(); }

VString::~VString() { FreeHeapBlock(text_); }

// Makes room for `length` units and a terminator. Answers the buffer it replaced,
// which the caller frees once it has copied from it: the text being appended may
// lie inside this string.
wchar_t* VString::Grow(uint32_t length)
{
    if (length < capacity_)
        return nullptr;
    uint32_t capacity = capacity_ ? capacity_ : 16;
    while (capacity <= length)
        capacity *= 2;
    auto* text = static_cast<wchar_t*>(HeapBlock(capacity * sizeof(wchar_t)));
    if (text_)
        memcpy(text, text_, (length_ + 1) * sizeof(wchar_t));
    else
        text[0] = 0;
    wchar_t* old = text_;
    text_ = text;
    capacity_ = capacity;
    return old;
}

VString& VString::operator=(const wchar_t* text)
{
    if (text == text_)
        return *this;
    length_ = 0;
    if (text_)
        text_[0] = 0;
    return *this += text;
}

VString& VString::operator=(const VString& other) { return *this = other.GetText(); }

VString& VString::operator+=(const wchar_t* text)
{
    if (!text)
        return *this;
    uint32_t added = static_cast<uint32_t>(wcslen(text));
    wchar_t* old = Grow(length_ + added);
    memmove(text_ + length_, text, added * sizeof(wchar_t));
    length_ += added;
    text_[length_] = 0;
    FreeHeapBlock(old);
    return *this;
}

const wchar_t* VString::GetText() const { return text_ ? text_ : L""; }

uint32_t VString::GetLength() const { return length_; }

// ---- VCharConv

struct VCharConv::Block {
    Block* next;
};

VCharConv::VCharConv() : blocks_(nullptr) {}

VCharConv::~VCharConv()
{
    while (blocks_) {
        Block* next = blocks_->next;
        FreeHeapBlock(blocks_);
        blocks_ = next;
    }
}

void* VCharConv::Keep(uint32_t bytes)
{
    auto* block = static_cast<Block*>(HeapBlock(sizeof(Block) + bytes));
    block->next = blocks_;
    blocks_ = block;
    return block + 1;
}

const wchar_t* VCharConv::a2t(const char* text)
{
    if (!text)
        text = "";
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return L"";
    auto* wide = static_cast<wchar_t*>(Keep(length * sizeof(wchar_t)));
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length);
    return wide;
}

const char* VCharConv::t2a(const wchar_t* text)
{
    if (!text)
        text = L"";
    int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return "";
    auto* narrow = static_cast<char*>(Keep(length));
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, length, nullptr, nullptr);
    return narrow;
}

// ---- VMisc

bool VMisc::IsFileExist(const wchar_t* path)
{
    if (!path || !path[0])
        return false;
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ---- functions

VIClient* VexGetClient() { return hostClient; }

VIMemory* VexGetMemory() { return hostMemory ? hostMemory : &heapMemory; }

void VexRegisterHost(VIClient* client, VIMemory* memory)
{
    hostClient = client;
    hostMemory = memory;
}

int VexMessageBox(const wchar_t* text, uint32_t flags)
{
    return MessageBoxW(GetActiveWindow(), text ? text : L"", L"Vantrel", flags);
}

// Reads `key` of the section [Strings] of `file` with the profile functions and
// answers the value as they give it, so a file the host reads on any system
// reads the same here: UTF-16LE with a byte order mark, or the system code page.
// A relative file name starts from the host's plug-in folder.
VString VexLoadString(const wchar_t* file, const wchar_t* key)
{
    VString result;
    if (!file || !file[0] || !key || !key[0])
        return result;
    VString path;
    if (IsRelativePath(file))
        path = StringFolder();
    path += file;

    DWORD size = 1024;
    wchar_t* value = nullptr;
    for (;;) {
        value = static_cast<wchar_t*>(HeapBlock(size * sizeof(wchar_t)));
        DWORD length = GetPrivateProfileStringW(L"Strings", key, L"", value, size, path.GetText());
        if (length < size - 1 || size >= 65536)
            break;
        FreeHeapBlock(value);
        size *= 4;
    }
    result = value;
    FreeHeapBlock(value);
    return result;
}

wchar_t* VexAllocString(const wchar_t* text)
{
    if (!text)
        text = L"";
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(VexGetMemory()->Allocate(static_cast<uint32_t>(bytes)));
    if (copy)
        memcpy(copy, text, bytes);
    return copy;
}

void VexFreeString(wchar_t* text)
{
    if (text)
        VexGetMemory()->Free(text);
}
