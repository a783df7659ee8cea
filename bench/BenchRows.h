// The rows a benchmark program prints: tab-separated cells after the program's
// name, which scripts/bench.sh lines up as one table.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

inline void Row(const char* program, const std::vector<std::string>& cells)
{
    std::string line = program;
    for (const std::string& cell : cells)
        line += "\t" + cell;
    printf("%s\n", line.c_str());
    fflush(stdout);
}

inline std::string Ms(double ms)
{
    char text[32];
    snprintf(text, sizeof text, ms < 10 ? "%.2f ms" : ms < 1000 ? "%.1f ms" : "%.0f ms", ms);
    return text;
}
