// STOMP frames of the presence channel: bodies delimited by NUL or by their
// content-length (which lets a body carry NULs), frames split across reads,
// lengths no frame can have refused at once.
#include "social/runtime/QVStompFrame.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quorvel;

namespace {

TEST(StompFrameTest, ContentLengthCarriesNulsAndPartialFramesWait)
{
    std::string body("a\0b", 3);
    std::string wire(1, '\n'); // a heart-beat first
    wire += QVStompMakeFrame("MESSAGE", { { "correlation-id", "4" }, { "status", "200" } }, body);
    wire += QVStompMakeFrame("RECEIPT", { { "receipt-id", "9" } });
    QVStompFrame frame;
    // Byte by byte: nothing is taken before the whole frame is there.
    std::string buffer;
    size_t i = 0;
    for (; i < wire.size(); ++i) {
        buffer += wire[i];
        if (QVStompTakeFrame(buffer, frame) == QVStompTake::Frame)
            break;
    }
    ASSERT_LT(i, wire.size());
    EXPECT_EQ(frame.command, "MESSAGE");
    EXPECT_EQ(frame.header("correlation-id"), "4");
    EXPECT_EQ(frame.body, body);
    buffer += wire.substr(i + 1);
    ASSERT_EQ(QVStompTakeFrame(buffer, frame), QVStompTake::Frame);
    EXPECT_EQ(frame.command, "RECEIPT");
    EXPECT_EQ(frame.header("receipt-id"), "9");
    EXPECT_EQ(frame.body, "");
    EXPECT_EQ(QVStompTakeFrame(buffer, frame), QVStompTake::NeedMore);
    EXPECT_TRUE(buffer.empty());
}

TEST(StompFrameTest, FramesWithoutLengthEndAtTheirNul)
{
    std::string buffer = std::string("MESSAGE\ndestination:/queue/q\n\n<resources/>") + '\0' + "CONNECTED\n" + '\0';
    QVStompFrame frame;
    ASSERT_EQ(QVStompTakeFrame(buffer, frame), QVStompTake::Frame);
    EXPECT_EQ(frame.body, "<resources/>");
    ASSERT_EQ(QVStompTakeFrame(buffer, frame), QVStompTake::Frame);
    EXPECT_EQ(frame.command, "CONNECTED");
    EXPECT_TRUE(frame.headers.empty());
    // A length that undercounts loses only the rest of its own frame.
    buffer = std::string("MESSAGE\ncontent-length:2\n\nabcd") + '\0' + "RECEIPT\n\n" + '\0';
    ASSERT_EQ(QVStompTakeFrame(buffer, frame), QVStompTake::Frame);
    EXPECT_EQ(frame.body, "ab");
    ASSERT_EQ(QVStompTakeFrame(buffer, frame), QVStompTake::Frame);
    EXPECT_EQ(frame.command, "RECEIPT");
}

TEST(StompFrameTest, ALengthThatIsNoPlainNumberOrExceedsAFrameIsRefusedAtOnce)
{
    const std::string limit = std::to_string(kQVStompFrameLimit);
    const std::vector<std::string> lengths { "-1", "18446744073709551615", "99999999999999999999999", "12abc", " 3",
                                             "0x10", "", std::to_string(kQVStompFrameLimit + 1) };
    for (const std::string& length : lengths) {
        SCOPED_TRACE("content-length:" + length);
        std::string buffer = "MESSAGE\ncontent-length:" + length + "\n\nabc";
        QVStompFrame frame;
        std::string why;
        EXPECT_EQ(QVStompTakeFrame(buffer, frame, &why), QVStompTake::Refused);
        EXPECT_NE(why.find("content-length"), std::string::npos) << why;
    }
    // The largest body a frame may hold is still waited for.
    std::string buffer = "MESSAGE\ncontent-length:" + limit + "\n\nabc";
    QVStompFrame frame;
    EXPECT_EQ(QVStompTakeFrame(buffer, frame), QVStompTake::NeedMore);
}

} // namespace
