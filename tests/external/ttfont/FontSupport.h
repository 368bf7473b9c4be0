// Helpers for the TrueType font tests: the DejaVu Sans file, its sfnt tables
// read independently of FreeType, and hand-built 'name' tables.
#pragma once

#include "platform/foundation/Value.h"

#include <cstdint>
#include <string>

namespace font_test {

inline const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string readAll(const std::string& path);
// Offset and length of a table in an sfnt file's directory; false when absent.
bool findTable(const std::string& file, const char tag[4], uint32_t& offset, uint32_t& length);
uint16_t be16(const std::string& s, size_t at);

// A 'name' table builder: records are appended with their string bytes.
struct NameTable {
    uint16_t format { 0 };
    struct Record {
        uint16_t platform, encoding, language, nameID;
        std::string bytes;
    };
    std::vector<Record> records;
    platform::Bytes build() const;
};

std::string utf16be(const std::u16string& s);

} // namespace font_test
