// Replaces one entry of any loaded module's import table: unlike ImportHook,
// which patches the test program itself, this reaches product modules that the
// test loads as separate DLLs (Dockmere.kdx, a copy of Brevlin.vx).
#pragma once

#include <windows.h>

namespace wintest {

// Points `module`'s import of `function` from `dll` (case-insensitive) at
// `replacement`. Answers the address the slot held before, or null when the
// module does not import that function by name.
void* PatchModuleImport(HMODULE module, const char* dll, const char* function, void* replacement);

}  // namespace wintest
