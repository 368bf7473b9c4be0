// QVTableSectionDescription: one section of a sectioned answer — its title, its
// identifier and the page of resources it holds. The list screens build on it.
#pragma once

#include "social/runtime/QVPaginatedSeries.h"

#include <string>

namespace quorvel {

class QVTableSectionDescription : public platform::Object {
public:
    static platform::Ref<QVTableSectionDescription> sectionWithTitle(std::string title,
                                                                     platform::Ref<QVPaginatedSeries> page)
    {
        auto s = platform::adoptRef(new QVTableSectionDescription);
        s->initWithTitle(std::move(title), std::move(page));
        return s;
    }
    bool initWithTitle(std::string title, platform::Ref<QVPaginatedSeries> page)
    {
        title_ = std::move(title);
        page_ = std::move(page);
        return true;
    }

    const std::string& title() const { return title_; }
    void setTitle(std::string t) { title_ = std::move(t); }
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string id) { identifier_ = std::move(id); }
    QVPaginatedSeries* page() const { return page_.get(); }
    void setPage(platform::Ref<QVPaginatedSeries> p) { page_ = std::move(p); }

    // Merges a newly loaded section (a refresh or the next page) into this
    // one. With a page here, the new objects not already present are put
    // before (prepend) or after the current ones, and the new page's header
    // replaces the current one; answers how many objects were added. Without
    // a page here, the new page is taken as it is and its count answered.
    size_t addContentsOfSectionWhereUnique(const QVTableSectionDescription& section, bool areSortedDescending,
                                           bool shouldPrependContents);
    // The objects of `objects` that this section's page does not hold yet, in
    // their order. Resources are the same when their resourceId is (resources
    // without id, and other objects, only when they are the same object); an
    // object repeated within `objects` is kept once. The order flag says how
    // both lists are sorted; every object is checked either way.
    QVPaginatedSeries::Objects arrayWithoutDuplicates(const QVPaginatedSeries::Objects& objects,
                                                      bool areSortedDescending) const;

protected:
    QVTableSectionDescription() = default;

private:
    std::string title_;
    std::string identifier_;
    platform::Ref<QVPaginatedSeries> page_;
};

} // namespace quorvel
