// The KDX panel plug-in interface: the binary contract between a panel plug-in
// module (a 32-bit DLL named *.kdx) and the program that hosts it.
//
// Both tables belong to the host, are zero-filled before use and are byte-packed,
// so a host may embed them at any address. Every field is 32 bits wide and every
// function uses the stdcall convention.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

static_assert(sizeof(void*) == 4, "KDX modules are 32-bit");

#define KDX_CALL __stdcall

struct KdxHostServices;
struct KdxPluginTable;

// Entries of the plug-in, written into KdxPluginTable by KDX_Initialize.
typedef HWND(KDX_CALL* KdxCreateProc)(KdxHostServices* services, HWND parent);
typedef int32_t(KDX_CALL* KdxDestroyProc)(KdxHostServices* services, HWND panel);
typedef int32_t(KDX_CALL* KdxTickProc)(KdxHostServices* services, HWND panel);
// Only the second value (the window that owns the menu) has a meaning.
typedef int32_t(KDX_CALL* KdxMenuProc)(uint32_t value1, HWND owner, uint32_t value3, uint32_t value4);
// Nonzero: the plug-in consumed the value.
typedef int32_t(KDX_CALL* KdxForwardProc)(uint32_t value);

// Entries of the host, written into KdxHostServices by the host.
typedef int32_t(KDX_CALL* KdxServiceProc)(int32_t code, uintptr_t param1, uintptr_t param2);
typedef int32_t(KDX_CALL* KdxService2Proc)(uint32_t a, uint32_t b, uint32_t c);
typedef void*(KDX_CALL* KdxAllocProc)(uint32_t size);
typedef int32_t(KDX_CALL* KdxFreeProc)(void* block);
typedef int32_t(KDX_CALL* KdxMessageBoxProc)(const char* text, uint32_t flags);

// The two exports of a plug-in module.
typedef uint16_t(KDX_CALL* KdxGetPluginInfoProc)(void);
typedef int32_t(KDX_CALL* KdxInitializeProc)(KdxPluginTable* table);

#define KDX_GETPLUGININFO_NAME "KDX_GetPluginInfo"
#define KDX_INITIALIZE_NAME "KDX_Initialize"

#pragma pack(push, 1)

struct KdxPluginTable {
    uint32_t size;  // 144, written by the host before KDX_Initialize
    KdxCreateProc create;
    KdxDestroyProc destroy;
    KdxTickProc tick;
    KdxMenuProc menu;
    KdxForwardProc forward;
    uint32_t reserved[30];
};

struct KdxHostServices {
    uint32_t size;  // 148
    KdxServiceProc service;
    KdxService2Proc service2;
    KdxAllocProc alloc;
    KdxFreeProc free;
    KdxMessageBoxProc messageBox;
    uint32_t reserved[31];
};

#pragma pack(pop)

constexpr uint32_t kKdxPluginTableSize = 144;
constexpr uint32_t kKdxHostServicesSize = 148;

static_assert(sizeof(KdxPluginTable) == kKdxPluginTableSize, "KdxPluginTable is 144 bytes");
static_assert(alignof(KdxPluginTable) == 1, "KdxPluginTable is byte-packed");
static_assert(offsetof(KdxPluginTable, size) == 0, "size");
static_assert(offsetof(KdxPluginTable, create) == 4, "create");
static_assert(offsetof(KdxPluginTable, destroy) == 8, "destroy");
static_assert(offsetof(KdxPluginTable, tick) == 12, "tick");
static_assert(offsetof(KdxPluginTable, menu) == 16, "menu");
static_assert(offsetof(KdxPluginTable, forward) == 20, "forward");
static_assert(offsetof(KdxPluginTable, reserved) == 24, "reserved");

static_assert(sizeof(KdxHostServices) == kKdxHostServicesSize, "KdxHostServices is 148 bytes");
static_assert(alignof(KdxHostServices) == 1, "KdxHostServices is byte-packed");
static_assert(offsetof(KdxHostServices, size) == 0, "size");
static_assert(offsetof(KdxHostServices, service) == 4, "service");
static_assert(offsetof(KdxHostServices, service2) == 8, "service2");
static_assert(offsetof(KdxHostServices, alloc) == 12, "alloc");
static_assert(offsetof(KdxHostServices, free) == 16, "free");
static_assert(offsetof(KdxHostServices, messageBox) == 20, "messageBox");
static_assert(offsetof(KdxHostServices, reserved) == 24, "reserved");

// The plug-in kind is the low byte of KDX_GetPluginInfo's result; hosts read nothing else.
constexpr uint8_t kKdxPanelPluginKind = 1;

inline bool IsKdxPanelPlugin(uint16_t pluginInfo) { return (pluginInfo & 0xFF) == kKdxPanelPluginKind; }

// Codes of the host's `service` entry. Tabs are counted from 0 in the host's order;
// "out" parameters point at a 32-bit variable; strings are ANSI, allocated with `alloc`.
enum KdxService : int32_t {
    KdxServiceHostVersion = 1,   // out param1: 200
    KdxServiceTabCount = 2,      // out param1: number of tabs
    KdxServiceTabValue = 3,      // param1 tab, out param2: the tab content's value
    KdxServiceTabSetText = 4,    // param1 tab, param2 text handed to the tab content
    KdxServiceOpen = 5,          // param1 flags, param2 address
    KdxServiceTabAction = 6,     // param1 tab: the host's first tab operation
    KdxServiceTabText1 = 7,      // param1 tab, out param2: new string
    KdxServiceTabText2 = 8,      // param1 tab, out param2: new string
    KdxServiceCurrentTab = 9,    // out param1: index of the current tab
    KdxServiceTabAction2 = 16,   // param1 tab: the host's second tab operation
    KdxServiceOpenInTab = 17,    // out param1 (signed): tab the open produced, param2 address
    KdxServiceTabValue2 = 18,    // as KdxServiceTabValue
    KdxServiceFolder = 19,       // param1 selector, out param2: new string
};

// Selectors of KdxServiceFolder.
enum KdxFolder : int32_t {
    KdxFolder0 = 0,
    KdxFolderSetting = 1,  // the setting folder, ending in "setting\"
    KdxFolder2 = 2,
};

// Results of the `service` entry.
enum KdxResult : int32_t {
    KdxResultDone = 0,
    KdxResultNotDone = 1,
    KdxResultUnknownCode = 3,
};

constexpr uint32_t kKdxHostVersion = 200;
