// Writes a fuzz input to a temporary file for the loaders that take a path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// One file per process, removed when the process exits.
struct FuzzFile {
    std::string path;
    ~FuzzFile() { unlink(path.c_str()); }
};

inline std::string writeFuzzFile(const uint8_t* data, size_t size, const char* suffix)
{
    static const FuzzFile file { "/tmp/brisko-fuzz-" + std::to_string(getpid()) + suffix };
    const std::string& path = file.path;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return {};
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}
