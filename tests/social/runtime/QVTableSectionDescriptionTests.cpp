// Merging refreshes and next pages into a list section: only new objects are
// added, before or after the current ones, and the paging header follows the
// newest page.
#include "social/runtime/QVResource.h"
#include "social/runtime/QVTableSectionDescription.h"

#include <gtest/gtest.h>

#include <initializer_list>

using namespace quorvel;
using platform::Ref;

namespace {

class Post : public QVResource {
    QV_DECLARE_RESOURCE(Post)
public:
    static std::string getResourceName() { return "post"; }
};

Ref<QVPaginatedSeries> pageOf(std::initializer_list<const char*> ids, unsigned currentPage = 0)
{
    auto page = QVPaginatedSeries::paginatedSeries();
    for (const char* id : ids) {
        auto p = Post::staticResourceClass().create();
        p->initWithId(id);
        page->objects().push_back(p);
    }
    if (currentPage) {
        auto header = QVPaginatedSeriesHeader::header();
        header->currentPage = currentPage;
        header->totalPages = 3;
        page->setHeader(header);
    }
    return page;
}

std::string idsOf(const QVTableSectionDescription& section)
{
    std::string out;
    for (auto& o : section.page()->objects())
        out += (out.empty() ? "" : " ") + static_cast<QVResource*>(o.get())->resourceId();
    return out;
}

TEST(TableSectionMergeTest, RefreshPrependsOnlyNewObjects)
{
    auto shown = QVTableSectionDescription::sectionWithTitle("", pageOf({ "7", "6", "5" }));
    auto refresh = QVTableSectionDescription::sectionWithTitle("", pageOf({ "9", "8", "7", "6" }));
    EXPECT_EQ(shown->addContentsOfSectionWhereUnique(*refresh, true, true), 2u);
    EXPECT_EQ(idsOf(*shown), "9 8 7 6 5");
    // Nothing new: nothing added, nothing lost.
    EXPECT_EQ(shown->addContentsOfSectionWhereUnique(*refresh, true, true), 0u);
    EXPECT_EQ(idsOf(*shown), "9 8 7 6 5");
}

TEST(TableSectionMergeTest, NextPageAppendsAndTakesItsHeader)
{
    auto shown = QVTableSectionDescription::sectionWithTitle("", pageOf({ "9", "8" }, 1));
    // The list moved on between pages: "8" comes again at the top of page 2.
    auto next = QVTableSectionDescription::sectionWithTitle("", pageOf({ "8", "7", "7", "6" }, 2));
    EXPECT_EQ(shown->addContentsOfSectionWhereUnique(*next, true, false), 2u);
    EXPECT_EQ(idsOf(*shown), "9 8 7 6");
    ASSERT_NE(shown->page()->header(), nullptr);
    EXPECT_EQ(shown->page()->header()->currentPage, 2u);
}

TEST(TableSectionMergeTest, ASectionWithoutPageAdoptsTheNewOne)
{
    auto empty = QVTableSectionDescription::sectionWithTitle("Friends", nullptr);
    auto loaded = QVTableSectionDescription::sectionWithTitle("", pageOf({ "1", "2", "2" }));
    EXPECT_EQ(empty->addContentsOfSectionWhereUnique(*loaded, true, false), 3u);
    EXPECT_EQ(empty->page(), loaded->page());
    EXPECT_EQ(empty->title(), "Friends");
    auto none = QVTableSectionDescription::sectionWithTitle("", nullptr);
    EXPECT_EQ(empty->addContentsOfSectionWhereUnique(*none, true, false), 0u);
    EXPECT_EQ(empty->page()->count(), 3u);
}

TEST(TableSectionMergeTest, ObjectsWithoutIdAreComparedByIdentity)
{
    auto shown = QVTableSectionDescription::sectionWithTitle("", pageOf({ "", "4" }));
    Ref<platform::Object> sameBlank = shown->page()->objects()[0];
    auto otherBlank = pageOf({ "" });
    QVPaginatedSeries::Objects incoming { sameBlank, otherBlank->objects()[0], pageOf({ "4" })->objects()[0] };
    auto unique = shown->arrayWithoutDuplicates(incoming, true);
    ASSERT_EQ(unique.size(), 1u);
    EXPECT_EQ(unique[0], otherBlank->objects()[0]);
}

} // namespace
