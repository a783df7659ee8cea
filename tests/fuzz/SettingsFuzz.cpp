// libFuzzer target: the settings reader (IniDocument and the records above it)
// and its writes, on any bytes. Built natively with the sanitizers by
// scripts/fuzz.sh; every property lives in SettingsInvariants.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "SettingsInvariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> faults =
        settingsfuzz::CheckSettingsInvariants(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!faults.empty()) {
        for (const std::string& fault : faults)
            fprintf(stderr, "settings fuzz: %s\n", fault.c_str());
        abort();
    }
    return 0;
}
