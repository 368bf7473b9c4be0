// Writes a fuzz input to a temporary file for the loaders that take a path,
// and gives the targets whose loaders read files beside each other a folder
// of their own.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

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

// Writes the bytes to the path; false when they could not all be written.
inline bool writeFuzzBytes(const std::string& path, std::string_view bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

// The process's own folder, /tmp/brisko-fuzz-NAME-PID, made when this is
// made and removed with what it holds when the process exits. Hold it in a
// static.
struct FuzzFolder {
    std::string path;
    explicit FuzzFolder(const char* name)
        : path("/tmp/brisko-fuzz-" + std::string(name) + "-" + std::to_string(getpid()))
    {
        mkdir(path.c_str(), 0700);
    }
    ~FuzzFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;
};
