// The framed pictures of the lists' rows: a picture's photo frame stays inside
// its row, an even margin above and below it, clear of the list's edge, on a
// phone's row and on a tablet's taller one, so the frames of a list never
// meet.
#include "DashboardTestSupport.h"

#include "platform/ui/TableView.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVImageView.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace quorvel;
using namespace dashboard_testing;

namespace {

class RowPictureTest : public DashboardTest { };

// The square framed pictures of a view tree.
void framedPictures(platform::ui::View* view, std::vector<QVImageView*>& out)
{
    for (auto& sub : view->subviews()) {
        auto* picture = dynamic_cast<QVImageView*>(sub.get());
        const platform::Size size = sub->frame().size;
        if (picture && !picture->unframed() && !picture->useSharpCorners() && size.width == size.height)
            out.push_back(picture);
        framedPictures(sub.get(), out);
    }
}

TEST_F(RowPictureTest, APicturesFrameSitsInTheMiddleOfItsRowClearOfItsEdges)
{
    for (Device device : { Device::Phone, Device::Tablet }) { // a tablet's rows are stretched taller
        useDevice(device);
        for (const char* name : { "HighScore", "User", "WhosPlaying", "AchievementProgressionList" }) {
            auto cell = platform::dynamicRef<platform::ui::TableViewCell>(QVControllerLoader::loadCell(name));
            ASSERT_TRUE(cell) << name;
            const platform::Rect row = cell->bounds();
            std::vector<QVImageView*> pictures;
            framedPictures(cell.get(), pictures);
            ASSERT_FALSE(pictures.empty()) << name;
            for (QVImageView* picture : pictures) {
                // The frame's art reaches 7 points past the picture's sides and bottom, 5 past its top.
                const platform::Size side = picture->bounds().size;
                const platform::Rect art = picture->convertRectTo(platform::Rect(-7, -5, side.width + 14, side.height + 12), cell.get());
                // (Below counts the row's last point, the line between it and the next row.)
                const float above = art.minY() - row.minY(), below = row.maxY() - art.maxY();
                SCOPED_TRACE(std::string(name) + " row " + std::to_string(row.size.height));
                EXPECT_GE(art.minX(), 3);
                EXPECT_GE(std::min(above, below), 3);
                EXPECT_LE(std::fabs(above - below), 1) << above << " above, " << below << " below";
            }
        }
    }
}

} // namespace
