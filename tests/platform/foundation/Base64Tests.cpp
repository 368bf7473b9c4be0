// Base64: encoding with padding, the strict decoding of property lists and
// credentials, and the lenient decoding of the engine's files.
#include "platform/foundation/Base64.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform;

namespace {

TEST(Base64, EncodesWithPaddingAndDecodesBack)
{
    EXPECT_EQ(base64Encode("", 0), "");
    EXPECT_EQ(base64Encode("f", 1), "Zg==");
    EXPECT_EQ(base64Encode("fo", 2), "Zm8=");
    EXPECT_EQ(base64Encode("foo", 3), "Zm9v");
    EXPECT_EQ(base64Encode("foobar", 6), "Zm9vYmFy");
    for (std::string s : { "", "f", "fo", "foo", "foob", "fooba", "foobar" }) {
        auto d = base64Decode(base64Encode(s.data(), s.size()));
        ASSERT_TRUE(d);
        EXPECT_EQ(std::string(d->begin(), d->end()), s);
    }
}

TEST(Base64, DecodeSkipsWhitespaceAndRefusesJunkOrBadPadding)
{
    auto d = base64Decode(" Zm9v\n\tYmFy\r\n");
    ASSERT_TRUE(d);
    EXPECT_EQ(std::string(d->begin(), d->end()), "foobar");
    EXPECT_TRUE(base64Decode("Zm8")); // unpadded final group
    for (const char* bad : { "Zm9v!", "Z", "Zg=", "Zg===", "=Zg=", "Zg==Zg==", "Zm9vY", "Z===" })
        EXPECT_FALSE(base64Decode(bad)) << bad;
}

TEST(Base64, LenientDecodingSkipsForeignBytesAndStopsAtPadding)
{
    auto text = [](std::string_view in) {
        auto d = base64Decode(in, Base64Mode::Lenient);
        return d ? std::string(d->begin(), d->end()) : std::string("<error>");
    };
    EXPECT_EQ(text("Zm9v!Ym*Fy"), "foobar");
    EXPECT_EQ(text("Zm9v=Zm9v"), "foo");
    EXPECT_EQ(text("Zm8"), "fo");
    EXPECT_EQ(text("Zm9vY"), "<error>") << "a lone final digit";
    Bytes partial;
    EXPECT_FALSE(base64DecodeInto("Zm9vY", Base64Mode::Lenient, partial));
    EXPECT_EQ(std::string(partial.begin(), partial.end()), "foo") << "the whole groups before the fault stay";
}

} // namespace
