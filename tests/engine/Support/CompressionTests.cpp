// File loading and inflation: zlib and gzip in memory, .gz and .ksz files, and
// the malformed inputs each must refuse without leaving a buffer behind.
#include "engine/Support/Compression.h"
#include "platform/foundation/Deflate.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <string>

using namespace kestrel;
using testing_support::TempDir;

namespace {

// windowBits 15 writes a zlib stream, 31 a gzip stream.
std::string deflateText(const std::string& data, int windowBits)
{
    auto packed = platform::deflateBytes(data.data(), data.size(),
                                         windowBits == 31 ? platform::DeflateFormat::Gzip : platform::DeflateFormat::Zlib);
    EXPECT_TRUE(packed.has_value());
    return packed ? std::string(packed->begin(), packed->end()) : std::string();
}
std::string zlibText(const std::string& data) { return deflateText(data, 15); }
std::string gzipText(const std::string& data) { return deflateText(data, 31); }

// Data that does not compress to nothing: a counter pattern.
std::string pattern(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++)
        s[i] = char((i * 7 + i / 251) & 0xff);
    return s;
}

std::string kszFile(const std::string& stream, uint32_t length, uint16_t version = 2, uint16_t type = 0,
                    const char* magic = "KSZ!")
{
    std::string h(magic, 4);
    h += char(type >> 8);
    h += char(type);
    h += char(version >> 8);
    h += char(version);
    h += std::string(4, '\0');
    for (int shift = 24; shift >= 0; shift -= 8)
        h += char(length >> shift);
    return h + stream;
}

// Answers the inflated text, or "<fail>" when the call failed cleanly.
std::string inflateMemory(const std::string& in)
{
    unsigned char* out = reinterpret_cast<unsigned char*>(0x1);
    unsigned n = ksInflateBuffer(reinterpret_cast<const unsigned char*>(in.data()), unsigned(in.size()), &out);
    if (n == 0 && !out)
        return "<fail>";
    std::string s(reinterpret_cast<char*>(out), n);
    std::free(out);
    return s;
}

std::string fromFile(int (*load)(const char*, unsigned char**), const std::string& path)
{
    unsigned char* out = reinterpret_cast<unsigned char*>(0x1);
    int n = load(path.c_str(), &out);
    if (n == -1 && !out)
        return "<fail>";
    if (n < 0 || !out)
        return "<bad>";
    std::string s(reinterpret_cast<char*>(out), size_t(n));
    std::free(out);
    return s;
}

} // namespace

TEST(LoadFileIntoMemory, ReadsWholeFilesAndRefusesWhatIsNotOne)
{
    TempDir dir;
    std::string data = pattern(100000);
    EXPECT_EQ(fromFile(ksLoadFileIntoMemory, dir.write("a.bin", data)), data);
    EXPECT_EQ(fromFile(ksLoadFileIntoMemory, dir.write("empty", "")), "");
    EXPECT_EQ(fromFile(ksLoadFileIntoMemory, dir.file("missing")), "<fail>");
    EXPECT_EQ(fromFile(ksLoadFileIntoMemory, dir.path()), "<fail>");
}

TEST(InflateBuffer, DetectsZlibAndGzipHeaders)
{
    std::string data = "hello, tiles";
    EXPECT_EQ(inflateMemory(zlibText(data)), data);
    EXPECT_EQ(inflateMemory(gzipText(data)), data);
}

TEST(InflateBuffer, GrowsPastTheFirstBuffer)
{
    std::string data = pattern(1300 * 1024); // 256 KiB -> 512 KiB -> 1 MiB -> 2 MiB
    EXPECT_EQ(inflateMemory(gzipText(data)), data);
    std::string exact(512 * 1024, 'x');
    EXPECT_EQ(inflateMemory(zlibText(exact)), exact);
}

TEST(InflateBuffer, FailsOnTruncatedCorruptOrEmptyStreams)
{
    std::string stream = zlibText(pattern(600 * 1024));
    EXPECT_EQ(inflateMemory(stream.substr(0, stream.size() / 2)), "<fail>");
    EXPECT_EQ(inflateMemory(stream.substr(0, stream.size() - 1)), "<fail>"); // checksum cut off
    EXPECT_EQ(inflateMemory("this is not compressed"), "<fail>");
    EXPECT_EQ(inflateMemory(""), "<fail>");
    std::string corrupt = stream;
    corrupt[corrupt.size() / 2] ^= 0x55;
    EXPECT_EQ(inflateMemory(corrupt), "<fail>");
}

TEST(InflateBuffer, RefusesOutputAboveTheLimit)
{
    std::string bomb = gzipText(std::string(kKSInflateMaxLength + 1, '\0'));
    EXPECT_EQ(inflateMemory(bomb), "<fail>");

    // A caller's own limit: a stream that fits it exactly, and one a byte over,
    // told apart from a broken one.
    const std::string data = pattern(300 * 1024), stream = gzipText(data);
    for (auto [limit, fits] : { std::pair { data.size(), true }, std::pair { data.size() - 1, false } }) {
        unsigned char* out = nullptr;
        bool beyond = true;
        const unsigned n = ksInflateBuffer(reinterpret_cast<const unsigned char*>(stream.data()),
                                           unsigned(stream.size()), &out, limit, &beyond);
        EXPECT_EQ(n, fits ? data.size() : 0u);
        EXPECT_EQ(out != nullptr, fits);
        EXPECT_EQ(beyond, !fits);
        std::free(out);
    }
    bool beyond = true;
    unsigned char* out = nullptr;
    EXPECT_EQ(ksInflateBuffer(reinterpret_cast<const unsigned char*>("broken"), 6, &out, 1024, &beyond), 0u);
    EXPECT_FALSE(beyond);
}

TEST(InflateGZipFile, ReadsLargeFilesAndRefusesBrokenOnes)
{
    TempDir dir;
    std::string data = pattern(2 * 1024 * 1024 + 17);
    std::string gz = gzipText(data);
    EXPECT_EQ(fromFile(ksInflateGZipFile, dir.write("a.gz", gz)), data);
    EXPECT_EQ(fromFile(ksInflateGZipFile, dir.write("cut.gz", gz.substr(0, gz.size() / 2))), "<fail>");
    std::string corrupt = gz;
    corrupt[gz.size() / 3] ^= 0x55;
    EXPECT_EQ(fromFile(ksInflateGZipFile, dir.write("bad.gz", corrupt)), "<fail>");
    EXPECT_EQ(fromFile(ksInflateGZipFile, dir.file("missing.gz")), "<fail>");
    EXPECT_EQ(fromFile(ksInflateGZipFile, dir.write("bomb.gz", gzipText(std::string(kKSInflateMaxLength, 'z')))),
              "<fail>");
}

TEST(InflateKSZFile, ReadsTheDocumentedContainer)
{
    TempDir dir;
    std::string data = pattern(70000);
    for (uint16_t version : { 0, 1, 2 })
        EXPECT_EQ(fromFile(ksInflateKSZFile, dir.write("a.ksz", kszFile(zlibText(data), 70000, version))), data);
    EXPECT_EQ(fromFile(ksInflateKSZFile, dir.write("e.ksz", kszFile(zlibText(""), 0))), "");
}

TEST(InflateKSZFile, RefusesBadHeaders)
{
    TempDir dir;
    std::string stream = zlibText("payload");
    auto load = [&](const std::string& bytes) { return fromFile(ksInflateKSZFile, dir.write("x.ksz", bytes)); };
    EXPECT_EQ(load(kszFile(stream, 7, 2, 0, "KSZ?")), "<fail>");
    EXPECT_EQ(load(kszFile(stream, 7, 3)), "<fail>");
    EXPECT_EQ(load(kszFile(stream, 7, 2, 1)), "<fail>");
    EXPECT_EQ(load(kszFile(stream, 7).substr(0, 15)), "<fail>"); // shorter than the header
    EXPECT_EQ(load("KSZ!"), "<fail>");
    EXPECT_EQ(load(""), "<fail>");
    EXPECT_EQ(fromFile(ksInflateKSZFile, dir.file("missing.ksz")), "<fail>");
}

TEST(InflateKSZFile, RefusesLengthsThatDisagreeWithTheData)
{
    TempDir dir;
    std::string stream = zlibText("payload");
    auto load = [&](const std::string& bytes) { return fromFile(ksInflateKSZFile, dir.write("x.ksz", bytes)); };
    EXPECT_EQ(load(kszFile(stream, 7)), "payload");
    EXPECT_EQ(load(kszFile(stream, 6)), "<fail>");
    EXPECT_EQ(load(kszFile(stream, 8)), "<fail>");
    EXPECT_EQ(load(kszFile(stream, 0xffffffffu)), "<fail>");
    EXPECT_EQ(load(kszFile(stream.substr(0, stream.size() - 2), 7)), "<fail>");
}
