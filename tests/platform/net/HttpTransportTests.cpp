// The URL encoding helpers shared by every transport.
#include "platform/net/HttpTransport.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(UrlEncoding, UnreservedOnlyAndTolerantDecoding)
{
    EXPECT_EQ(percentEncode("a b+c/~é"), "a%20b%2Bc%2F~%C3%A9");
    EXPECT_EQ(percentDecode("a%20b+c%2"), "a b+c%2");
    EXPECT_EQ(percentDecode("a+b%zz%41", true), "a b%zzA");
}

} // namespace
