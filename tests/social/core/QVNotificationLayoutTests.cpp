// Where a notice bar goes: every position on a phone and a tablet, upright,
// upside down and in both landscape orientations inside portrait bounds.
#include "support/TestSupport.h"

#include "social/core/QVNotificationView.h"

namespace {

using platform::AffineTransform;
using platform::Point;
using platform::Rect;
using quorvel::QVNoticeLayout;
using quorvel::QVNoticeLayoutInput;
using quorvel::QVNotificationView;

constexpr float kBar = 44;
constexpr float kStatus = 20;

QVNoticeLayout layoutFor(bool tablet, int position, int orientation)
{
    QVNoticeLayoutInput in;
    in.width = tablet ? 768 : 320;
    in.height = tablet ? 1024 : 480;
    in.barHeight = kBar;
    in.statusBar = kStatus;
    in.largeScreen = tablet;
    in.orientation = orientation;
    in.position = position;
    in.rotatedInternally = orientation == 3 || orientation == 4;
    return QVNotificationView::calcLayout(in);
}

struct UprightRow {
    bool tablet;
    int position;
    int orientation;
    float x, y, width, nudge;
};

TEST(QVNotificationLayout, UprightAndUpsideDownBarsSitAtTheirEdge)
{
    const UprightRow rows[] = {
        // phone: one bar across the screen; the right-hand positions are the left-hand ones
        { false, 0, 1, 0, 20, 320, -2 },  { false, 0, 2, 0, 416, 320, 2 },
        { false, 1, 1, 0, 436, 320, 2 },  { false, 1, 2, 0, 0, 320, -2 },
        { false, 2, 1, 0, 20, 320, -2 },  { false, 2, 2, 0, 416, 320, 2 },
        { false, 3, 1, 0, 436, 320, 2 },  { false, 3, 2, 0, 0, 320, -2 },
        // tablet: a 480-point bar in its corner
        { true, 0, 1, 0, 20, 480, -2 },   { true, 0, 2, 288, 960, 480, 2 },
        { true, 1, 1, 0, 980, 480, 2 },   { true, 1, 2, 288, 0, 480, -2 },
        { true, 2, 1, 288, 20, 480, -2 }, { true, 2, 2, 0, 960, 480, 2 },
        { true, 3, 1, 288, 980, 480, 2 }, { true, 3, 2, 0, 0, 480, -2 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.tablet ? "tablet" : "phone") << " position " << row.position
                                        << " orientation " << row.orientation);
        QVNoticeLayout l = layoutFor(row.tablet, row.position, row.orientation);
        EXPECT_EQ(l.frame, Rect(row.x, row.y, row.width, kBar));
        EXPECT_EQ(l.nudge, Point(0, row.nudge));
        EXPECT_EQ(l.transform, row.orientation == 2 ? AffineTransform(-1, 0, 0, -1, 0, 0) : AffineTransform());
    }
}

struct RotatedRow {
    bool tablet;
    int position;
    int orientation;
    float tx, ty, nudge;
};

TEST(QVNotificationLayout, LandscapeBarsInsidePortraitBoundsAreTurnedIntoPlace)
{
    const RotatedRow rows[] = {
        { false, 0, 3, 278, 240, -2 }, { false, 0, 4, 42, 240, 2 },
        { false, 1, 3, 22, 240, 2 },   { false, 1, 4, 298, 240, -2 },
        { false, 2, 3, 278, 240, -2 }, { false, 3, 4, 298, 240, -2 },
        { true, 0, 3, 726, 240, -2 },  { true, 0, 4, 42, 784, 2 },
        { true, 1, 3, 22, 240, 2 },    { true, 1, 4, 746, 784, -2 },
        { true, 2, 3, 726, 784, -2 },  { true, 2, 4, 42, 240, 2 },
        { true, 3, 3, 22, 784, 2 },    { true, 3, 4, 746, 240, -2 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.tablet ? "tablet" : "phone") << " position " << row.position
                                        << " orientation " << row.orientation);
        QVNoticeLayout l = layoutFor(row.tablet, row.position, row.orientation);
        EXPECT_EQ(l.frame, Rect(-240, -22, 480, kBar));
        const float turn = row.orientation == 3 ? 1 : -1;
        EXPECT_EQ(l.transform, AffineTransform(0, turn, -turn, 0, row.tx, row.ty));
        EXPECT_EQ(l.nudge, Point(row.nudge, 0));
    }
}

TEST(QVNotificationLayout, WithTheStatusBarHiddenATopBarSitsAtTheTop)
{
    QVNoticeLayoutInput in;
    in.width = 320;
    in.height = 480;
    in.barHeight = kBar;
    in.statusBar = 0;
    in.position = 0;
    EXPECT_EQ(QVNotificationView::calcLayout(in).frame, Rect(0, 0, 320, kBar));
}

TEST(QVNotificationLayout, BarsStartAndEndOneBarHeightBeyondTheirEdge)
{
    const Point p(160, 42);
    // Upright: a top bar comes from above, a bottom bar from below; upside down the reverse.
    EXPECT_EQ(QVNotificationView::calcOffScreenPosition(p, kBar, 1, 0, false), Point(160, -2));
    EXPECT_EQ(QVNotificationView::calcOffScreenPosition(p, kBar, 1, 1, false), Point(160, 86));
    EXPECT_EQ(QVNotificationView::calcOffScreenPosition(p, kBar, 2, 0, false), Point(160, 86));
    EXPECT_EQ(QVNotificationView::calcOffScreenPosition(p, kBar, 2, 3, false), Point(160, -2));
    // Turned bars come from the side the turn makes their edge.
    EXPECT_EQ(QVNotificationView::calcOffScreenPosition(p, kBar, 3, 1, true), Point(116, 42));
    EXPECT_EQ(QVNotificationView::calcOffScreenPosition(p, kBar, 3, 0, true), Point(204, 42));
    EXPECT_EQ(QVNotificationView::calcOffScreenPosition(p, kBar, 4, 1, true), Point(204, 42));
    EXPECT_EQ(QVNotificationView::calcOffScreenPosition(p, kBar, 4, 2, true), Point(116, 42));
}

} // namespace
