// Writes a fuzz input to a temporary file for the loaders that take a path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

inline std::string writeFuzzFile(const uint8_t* data, size_t size, const char* suffix)
{
    static const std::string path = "/tmp/brisko-fuzz-" + std::to_string(getpid()) + suffix;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return {};
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}
