// Merging incremental answers (refreshes and next pages) into a section.
#include "social/runtime/QVTableSectionDescription.h"

#include "social/runtime/QVResource.h"

#include <set>
#include <string>

namespace quorvel {

using platform::Object;

namespace {

// Resources compare by id; everything else (and a resource without id) by identity.
struct Identity {
    std::set<std::string> ids;
    std::set<const Object*> objects;

    bool contains(const Object* o) const
    {
        auto* r = dynamic_cast<const QVResource*>(o);
        return r && !r->resourceId().empty() ? ids.count(r->resourceId()) > 0 : objects.count(o) > 0;
    }
    void add(const Object* o)
    {
        auto* r = dynamic_cast<const QVResource*>(o);
        if (r && !r->resourceId().empty())
            ids.insert(r->resourceId());
        else
            objects.insert(o);
    }
};

} // namespace

QVPaginatedSeries::Objects QVTableSectionDescription::arrayWithoutDuplicates(const QVPaginatedSeries::Objects& objects,
                                                                             bool) const
{
    Identity seen;
    if (page_)
        for (const auto& o : page_->objects())
            seen.add(o.get());
    QVPaginatedSeries::Objects unique;
    for (const auto& o : objects) {
        if (!o || seen.contains(o.get()))
            continue;
        seen.add(o.get());
        unique.push_back(o);
    }
    return unique;
}

size_t QVTableSectionDescription::addContentsOfSectionWhereUnique(const QVTableSectionDescription& section,
                                                                 bool areSortedDescending, bool shouldPrependContents)
{
    QVPaginatedSeries* incoming = section.page();
    if (!incoming)
        return 0;
    if (!page_) {
        setPage(platform::Ref<QVPaginatedSeries>(incoming));
        return incoming->count();
    }
    // The incoming objects are copied first: the section may be this one.
    QVPaginatedSeries::Objects added = arrayWithoutDuplicates(incoming->objects(), areSortedDescending);
    auto& objects = page_->objects();
    objects.insert(shouldPrependContents ? objects.begin() : objects.end(), added.begin(), added.end());
    page_->setHeader(platform::Ref<QVPaginatedSeriesHeader>(incoming->header()));
    return added.size();
}

} // namespace quorvel
