// Puts a replacement in place of one function that the test program imports
// from a system DLL, for as long as the object lives. The product code linked
// into the test program calls through the same import table, so its calls reach
// the replacement, which can record the arguments and call original().
#pragma once

#include <windows.h>

namespace wintest {

class ImportHook {
public:
    ImportHook(const char* dll, const char* function, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool installed() const { return original_ != nullptr; }
    void* original() const { return original_; }

private:
    const char* dll_;
    const char* function_;
    void* original_ = nullptr;
};

}  // namespace wintest
