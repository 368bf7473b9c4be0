// Font test helpers: raw sfnt reading and 'name' table building.
#include "FontSupport.h"

#include <fstream>
#include <sstream>

namespace font_test {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

uint16_t be16(const std::string& s, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) << 8 | static_cast<uint8_t>(s[at + 1]));
}

static uint32_t be32(const std::string& s, size_t at) { return uint32_t(be16(s, at)) << 16 | be16(s, at + 2); }

bool findTable(const std::string& file, const char tag[4], uint32_t& offset, uint32_t& length)
{
    uint16_t count = be16(file, 4);
    for (uint16_t i = 0; i < count; ++i) {
        size_t at = 12 + 16 * size_t(i);
        if (file.compare(at, 4, tag, 4) == 0) {
            offset = be32(file, at + 8);
            length = be32(file, at + 12);
            return true;
        }
    }
    return false;
}

static void put16(platform::Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}

platform::Bytes NameTable::build() const
{
    platform::Bytes out;
    put16(out, format);
    put16(out, uint16_t(records.size()));
    size_t storage = 6 + 12 * records.size() + (format == 1 ? 2 : 0);
    put16(out, uint16_t(storage));
    std::string strings;
    for (const auto& r : records) {
        put16(out, r.platform);
        put16(out, r.encoding);
        put16(out, r.language);
        put16(out, r.nameID);
        put16(out, uint16_t(r.bytes.size()));
        put16(out, uint16_t(strings.size()));
        strings += r.bytes;
    }
    if (format == 1)
        put16(out, 0); // no language tags
    out.insert(out.end(), strings.begin(), strings.end());
    return out;
}

std::string utf16be(const std::u16string& s)
{
    std::string out;
    for (char16_t c : s) {
        out.push_back(char(c >> 8));
        out.push_back(char(c & 0xFF));
    }
    return out;
}

} // namespace font_test
