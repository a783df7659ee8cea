// What the settings reader keeps for any bytes whatever, checked by the fuzzer
// (natively, with the sanitizers) and by FuzzCorpusTest (under Wine, over the
// stored corpus). No Windows dependency.
//
// The input is a settings file's text, optionally followed by a byte FF and a
// script of writes: section, key and value in turn, each ended by FF (a lone
// lead byte before FF, line breaks and NUL bytes inside the names are welcome).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace settingsfuzz {

// The properties the input breaks, one line each; empty when all hold.
std::vector<std::string> CheckSettingsInvariants(std::string_view input);

}  // namespace settingsfuzz
