// System version tests, including later majors with a small minor.
#include "social/runtime/QVSystemVersion.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

TEST(SystemVersionTest, ParsesMajorAndMinor)
{
    EXPECT_EQ(QVParseVersion("4.1.2").major, 4);
    EXPECT_EQ(QVParseVersion("4.1.2").minor, 1);
    EXPECT_EQ(QVParseVersion("10").major, 10);
    EXPECT_EQ(QVParseVersion("10").minor, 0);
    EXPECT_EQ(QVParseVersion("x.y").major, 0);
    EXPECT_EQ(QVParseVersion("").minor, 0);
}

TEST(SystemVersionTest, ThreePointTwoOrLaterIncludesEveryLaterMajor)
{
    EXPECT_FALSE(QVIsOS3Point2OrLaterFor({ 2, 2 }));
    EXPECT_FALSE(QVIsOS3Point2OrLaterFor({ 3, 1 }));
    EXPECT_TRUE(QVIsOS3Point2OrLaterFor({ 3, 2 }));
    EXPECT_TRUE(QVIsOS3Point2OrLaterFor({ 4, 0 }));
    EXPECT_TRUE(QVIsOS3Point2OrLaterFor({ 4, 1 }));
    EXPECT_TRUE(QVIsOS3Point2OrLaterFor({ 5, 0 }));
}

TEST(SystemVersionTest, OtherThresholds)
{
    EXPECT_TRUE(QVIsOS2For({ 2, 2 }));
    EXPECT_FALSE(QVIsOS2For({ 3, 0 }));
    EXPECT_FALSE(QVIsOS3OrLaterFor({ 2, 9 }));
    EXPECT_TRUE(QVIsOS3OrLaterFor({ 3, 0 }));
    EXPECT_FALSE(QVIsOS4Point1OrLaterFor({ 4, 0 }));
    EXPECT_TRUE(QVIsOS4Point1OrLaterFor({ 4, 1 }));
    EXPECT_TRUE(QVIsOS4Point1OrLaterFor({ 5, 0 }));
    EXPECT_FALSE(QVIsOS4Point1OrLaterFor({ 3, 5 }));
    // The running system answers consistently with its version.
    QVVersion running = QVParseVersion(QVSystemVersionString());
    EXPECT_EQ(QVIsOS4Point1OrLater(), QVIsOS4Point1OrLaterFor(running));
    EXPECT_EQ(QVIsOS3Point2OrLater(), QVIsOS3Point2OrLaterFor(running));
}

} // namespace
