// Base64 decoding: full and padded groups, skipped bytes, incomplete encodings.
#include "engine/Support/Base64.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace kestrel;

namespace {

// The decoded text, or "<error>" when decoding failed.
std::string decode(const std::string& text)
{
    unsigned char* out = reinterpret_cast<unsigned char*>(0x1);
    unsigned n = ksBase64Decode(reinterpret_cast<const unsigned char*>(text.data()), unsigned(text.size()), &out);
    if (!out)
        return n == 0 ? "<error>" : "<bad>";
    std::string s(reinterpret_cast<char*>(out), n);
    std::free(out);
    return s;
}

} // namespace

TEST(Base64, DecodesFullAndPaddedGroups)
{
    EXPECT_EQ(decode("TWFu"), "Man");
    EXPECT_EQ(decode("TWE="), "Ma");
    EXPECT_EQ(decode("TQ=="), "M");
    EXPECT_EQ(decode("TWFu TWFu\nTWFu\r\n"), "ManManMan");
    EXPECT_EQ(decode(""), "");
    EXPECT_EQ(decode("TWFu=TWFu"), "Man"); // "=" ends the text
}

TEST(Base64, UnpaddedFinalGroupKeepsItsBytes)
{
    EXPECT_EQ(decode("TWE"), "Ma");
    EXPECT_EQ(decode("TQ"), "M");
    // A lone stray character at the end, with no "=", carries no byte.
    testing::internal::CaptureStderr();
    EXPECT_EQ(decode("TWFuT"), "Man");
    EXPECT_EQ(decode("TWFu\nT\n"), "Man");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Base64, SingleCharacterGroupIsAnError)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(decode("T==="), "<error>");
    EXPECT_EQ(decode("TWFuT="), "<error>");
    std::string err = testing::internal::GetCapturedStderr();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(err.find("base64Decode: encoding incomplete: at least 2 bits missing"), std::string::npos);
    EXPECT_NE(out.find("Base64Utils: error decoding"), std::string::npos);

    unsigned char buf[8];
    unsigned n = 99;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ksBase64DecodeRaw(reinterpret_cast<const unsigned char*>("TWFuT="), 6, buf, &n), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(n, 3u); // bytes decoded before the bad group stay counted
}

TEST(Base64, LargeInputFitsTheAllocatedBuffer)
{
    // 2^26 + 3 characters: a size computed in 32-bit float comes out one byte short.
    std::string text(67108867, '/');
    unsigned char* out = nullptr;
    unsigned n = ksBase64Decode(reinterpret_cast<const unsigned char*>(text.data()), unsigned(text.size()), &out);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(n, 50331650u);
    EXPECT_EQ(out[n - 1], 0xff);
    std::free(out);
}
