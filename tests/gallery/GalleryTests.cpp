// The gallery run as a test: every dashboard screen, in every size, opens
// against the seeded stand-in without logging an error or showing an alert,
// with its texts whole and its views on the screen. The checks themselves are
// tried on small trees first, so a quiet gallery means something.
#include "tools/gallery/Gallery.h"

#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace platform;
using namespace platform::ui;

namespace {

std::string sourceDir()
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    return source ? source : ".";
}

Ref<Label> label(const std::string& text, const Rect& frame)
{
    Ref<Label> l = Label::labelWithFrame(frame);
    l->setText(text);
    return l;
}

TEST(GalleryChecks, FindCutTextAndViewsLeavingTheScreenButNotWhatAClippingViewHolds)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    window->addSubview(label("Instant Message", Rect(10, 10, 60, 21)).get()); // cut
    window->addSubview(label("Fits", Rect(10, 40, 200, 21)).get());
    window->addSubview(View::viewWithFrame(Rect(300, 100, 40, 40)).get()); // past the right edge
    Ref<ScrollView> list = ScrollView::scrollViewWithFrame(Rect(0, 200, 320, 280));
    list->addSubview(View::viewWithFrame(Rect(0, 250, 320, 200)).get()); // scrolled: clipped by the list
    window->addSubview(list.get());
    Ref<Label> hidden = label("A hidden text that is far too long", Rect(500, 10, 20, 21));
    hidden->setHidden(true);
    window->addSubview(hidden.get());

    auto findings = gallery::checkTree(window.get());
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].kind, "cut");
    EXPECT_NE(findings[0].detail.find("\"Instant Message\" at (10, 10) 60 x 21"), std::string::npos) << findings[0].detail;
    EXPECT_EQ(findings[1].kind, "overflow");
    EXPECT_NE(findings[1].detail.find("at (300, 100) 40 x 40"), std::string::npos) << findings[1].detail;
}

TEST(GalleryChecks, FindWhatARowLaidOutForAnotherWidthPutsPastItsRow)
{
    Ref<View> window = View::viewWithFrame(Rect(0, 0, 320, 480));
    Ref<TableViewCell> cell = TableViewCell::cellWithStyle(TableViewCellStyle::Default, "row");
    cell->setFrame(Rect(0, 0, 320, 44));
    Ref<Label> count = label("12", Rect(290, 10, 24, 21)); // placed for 320 points
    cell->contentView()->addSubview(count.get());
    Ref<Label> title = label("Fits", Rect(10, 10, 200, 21));
    title->setAutoresizingMask(FlexibleWidth);
    cell->contentView()->addSubview(title.get());
    window->addSubview(cell.get());
    EXPECT_TRUE(gallery::checkTree(window.get()).empty());

    cell->setFrame(Rect(6, 0, 290, 44)); // the list's inset: the count runs past the row
    auto findings = gallery::checkTree(window.get());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, "row");
    EXPECT_NE(findings[0].detail.find("\"12\""), std::string::npos) << findings[0].detail;
}

TEST(Gallery, EveryScreenOpensWithoutErrorsCutTextOrOverflowInEverySize)
{
    testing_support::TempDir out;
    gallery::Options options;
    options.outputDir = out.path();
    options.sourceDir = sourceDir();
    gallery::Result result = gallery::run(options);
    ASSERT_TRUE(result.failure.empty()) << result.failure;

    EXPECT_GE(result.shots.size(), 60u) << "every screen in three sizes";
    for (auto& shot : result.shots)
        EXPECT_TRUE(std::filesystem::exists(out.path() + "/" + shot.file)) << shot.file;
    EXPECT_TRUE(std::filesystem::exists(out.path() + "/index.html"));
    for (auto& f : result.findings)
        ADD_FAILURE() << f.line();
}

} // namespace
