// TGA reading: raw and run-length pixels, byte and row order, short files, and
// headers that must be refused before anything is allocated or read.
#include "engine/Support/TGAImage.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace kestrel;
using testing_support::TempDir;

namespace {

std::string header(uint8_t type, int w, int h, uint8_t depth, uint8_t descriptor = 0)
{
    std::string s(18, '\0');
    s[2] = char(type);
    s[12] = char(w & 0xff);
    s[13] = char((w >> 8) & 0xff);
    s[14] = char(h & 0xff);
    s[15] = char((h >> 8) & 0xff);
    s[16] = char(depth);
    s[17] = char(descriptor);
    return s;
}

struct TGADeleter {
    void operator()(sImageTGA* p) const { tgaFree(p); }
};
using TGAPtr = std::unique_ptr<sImageTGA, TGADeleter>;

class TGAImage : public ::testing::Test {
protected:
    TGAPtr load(const std::string& bytes)
    {
        TGAPtr t(tgaLoadFile(dir.write("t.tga", bytes).c_str()));
        EXPECT_TRUE(t);
        return t;
    }
    std::string pixels(const sImageTGA& t)
    {
        return std::string(reinterpret_cast<char*>(t.imageData), size_t(t.width) * t.height * (t.pixelDepth / 8));
    }
    TempDir dir;
};

} // namespace

TEST_F(TGAImage, RawTrueColourSwapsRedAndBlue)
{
    auto t = load(header(2, 2, 1, 24) + "\x01\x02\x03\x04\x05\x06");
    ASSERT_EQ(t->status, kTGAStatusOK);
    EXPECT_EQ(pixels(*t), "\x03\x02\x01\x06\x05\x04");
    auto a = load(header(2, 1, 1, 32) + std::string("\x0a\x0b\x0c\x0d", 4));
    EXPECT_EQ(pixels(*a), "\x0c\x0b\x0a\x0d");
    auto g = load(header(3, 2, 1, 8) + "\x10\x20");
    ASSERT_EQ(g->status, kTGAStatusOK);
    EXPECT_EQ(pixels(*g), "\x10\x20"); // one byte per pixel: nothing swapped
}

TEST_F(TGAImage, RunLengthPackets)
{
    // 0x83: a run of 4 from one stored value; 0x01: a raw packet of 2.
    auto t = load(header(10, 6, 1, 24) + "\x83\x01\x02\x03" "\x01\x04\x05\x06\x07\x08\x09");
    ASSERT_EQ(t->status, kTGAStatusOK);
    EXPECT_EQ(pixels(*t), "\x03\x02\x01\x03\x02\x01\x03\x02\x01\x03\x02\x01\x06\x05\x04\x09\x08\x07");
}

TEST_F(TGAImage, TopDownFilesComeOutBottomUp)
{
    auto t = load(header(3, 2, 3, 8, 0x20) + "abcdef");
    ASSERT_EQ(t->status, kTGAStatusOK);
    EXPECT_EQ(t->flipped, 0);
    EXPECT_EQ(pixels(*t), "efcdab");
}

TEST_F(TGAImage, ShortFilesLoadWithMissingPixelsLeftZero)
{
    auto raw = load(header(3, 4, 1, 8) + "ab");
    EXPECT_EQ(raw->status, kTGAStatusOK);
    EXPECT_EQ(pixels(*raw), std::string("ab\0\0", 4));
    auto rle = load(header(10, 4, 1, 32) + "\x81\x01\x02\x03\x04" "\x85\x01");
    EXPECT_EQ(rle->status, kTGAStatusOK);
    EXPECT_EQ(pixels(*rle).substr(0, 8), "\x03\x02\x01\x04\x03\x02\x01\x04");
    EXPECT_EQ(pixels(*rle).substr(8), std::string(8, '\0'));
}

TEST_F(TGAImage, ReportsUnreadableAndUnsupportedFiles)
{
    TGAPtr missing(tgaLoadFile(dir.file("none.tga").c_str()));
    EXPECT_EQ(missing->status, kTGAStatusOpenFailed);
    EXPECT_EQ(load("")->status, kTGAStatusReadError);
    EXPECT_EQ(load(header(2, 1, 1, 24).substr(0, 17))->status, kTGAStatusReadError);
    EXPECT_EQ(load(header(1, 1, 1, 8) + "x")->status, kTGAStatusIndexedColor);
    EXPECT_EQ(load(header(9, 1, 1, 8) + "x")->status, kTGAStatusUnsupported);
    EXPECT_EQ(load(header(11, 1, 1, 8) + "x")->status, kTGAStatusUnsupported);
}

TEST_F(TGAImage, RefusesImpossibleSizesAndDepths)
{
    for (int depth : { 0, 1, 15, 40, 48, 64, 255 }) {
        auto t = load(header(10, 2, 2, uint8_t(depth)) + std::string(64, '\xff'));
        EXPECT_EQ(t->status, kTGAStatusUnsupported) << depth;
        EXPECT_EQ(t->imageData, nullptr);
    }
    for (auto [w, h] : { std::pair { 0, 4 }, { 4, 0 }, { -2, -2 }, { -1, 3 } })
        EXPECT_EQ(load(header(2, w, h, 32) + std::string(64, 'x'))->status, kTGAStatusUnsupported) << w << "x" << h;
    auto huge = load(header(2, 32767, 32767, 32) + "x");
    EXPECT_EQ(huge->status, kTGAStatusNoMemory);
    EXPECT_EQ(huge->imageData, nullptr);
}
