// What the module's static C and C++ runtime (mingw-w64 g++, -win32 thread
// model, linked into Dockmere.kdx) would otherwise leave in its host's process
// at every unload. See ModuleRuntime.cpp.
#pragma once

// Frees what the C++ runtime allocated for the module's life: the emergency
// exception pool (18,944 bytes). Called by DllMain when FreeLibrary unloads the
// module, not at the process's exit.
void ReleaseModuleRuntime();
