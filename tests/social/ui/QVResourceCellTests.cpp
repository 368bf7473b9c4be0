// A typed resource cell fills itself only from its own kind of resource.
#include "social/ui/QVResourceCell.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quorvel;

namespace {

class Thing : public platform::Object {
public:
    explicit Thing(int number) : number(number) { }
    int number;
};

class OtherThing : public platform::Object { };

class ThingCell : public QVResourceCell<Thing> {
public:
    std::vector<int> shown;

protected:
    void showResource(Thing* thing) override { shown.push_back(thing->number); }
};

TEST(ResourceCellTest, ShowsItsKindOfResourceAndIgnoresAnyOther)
{
    auto cell = platform::adoptRef(new ThingCell);
    auto first = platform::adoptRef(new Thing(1));
    auto second = platform::adoptRef(new Thing(2));
    auto other = platform::adoptRef(new OtherThing);
    cell->changeResource(first.get());
    cell->changeResource(other.get());
    cell->changeResource(nullptr);
    // A row of a streamed list comes with its index.
    cell->changeResource(second.get(), 4);
    EXPECT_EQ(cell->shown, (std::vector<int> { 1, 2 }));
}

} // namespace
