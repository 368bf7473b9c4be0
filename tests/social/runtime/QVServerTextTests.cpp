// Texts the server sends are filled in but never used as a format.
#include "social/runtime/QVServerText.h"

#include <gtest/gtest.h>

TEST(ServerText, IsFilledButNeverUsedAsAFormat)
{
    using quorvel::QVFormatServerText;
    EXPECT_EQ(QVFormatServerText("Please update %@ now", "Brisko"), "Please update Brisko now");
    EXPECT_EQ(QVFormatServerText("%s%n%x %d%% %@%", "G"), "%s%n%x %d% G%");
    EXPECT_EQ(QVFormatServerText("", "G"), "");
}
