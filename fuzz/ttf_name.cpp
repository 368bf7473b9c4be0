// Fuzzes the 'name' table reader with arbitrary table bytes: every read must
// stay inside the table, for the names the fonts ask for and for any ID.
#include "external/ttfont/TTFont.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    platform::Bytes table(data, data + size);
    std::string out;
    for (uint16_t id : { 1, 4, 6 })
        (void)ttfont::readNameTableEntry(table, id, out);
    if (size >= 8)
        (void)ttfont::readNameTableEntry(table, static_cast<uint16_t>(data[6] << 8 | data[7]), out);
    return 0;
}
