// QVPaginatedSeries: one page of an answer — its objects in answer order
// (resources, or table sections for sectioned answers), its table meta-data
// objects, its paging header when the answer had one, and the HTTP status.
#pragma once

#include "platform/foundation/Log.h"
#include "platform/foundation/Object.h"

#include <vector>

namespace quorvel {

class QVPaginatedSeriesHeader : public platform::Object {
public:
    static platform::Ref<QVPaginatedSeriesHeader> header() { return platform::adoptRef(new QVPaginatedSeriesHeader); }
    platform::Ref<QVPaginatedSeriesHeader> clone() const
    {
        auto h = header();
        h->currentOffset = currentOffset;
        h->currentPage = currentPage;
        h->totalPages = totalPages;
        h->perPage = perPage;
        h->totalObjects = totalObjects;
        return h;
    }
    // The page shown is the last one (or there are no pages).
    bool isLastPageLoaded() const { return currentPage >= totalPages; }

    unsigned int currentOffset { 0 };
    unsigned int currentPage { 0 };
    unsigned int totalPages { 0 };
    unsigned int perPage { 0 };
    unsigned int totalObjects { 0 };

private:
    QVPaginatedSeriesHeader() = default;
};

class QVPaginatedSeries : public platform::Object {
public:
    using Objects = std::vector<platform::Ref<platform::Object>>;

    static platform::Ref<QVPaginatedSeries> paginatedSeries() { return platform::adoptRef(new QVPaginatedSeries); }
    // A series of one object (an empty series for null).
    static platform::Ref<QVPaginatedSeries> paginatedSeriesWithObject(platform::Object* object)
    {
        auto s = paginatedSeries();
        if (object)
            s->objects_.emplace_back(object);
        return s;
    }
    static platform::Ref<QVPaginatedSeries> paginatedSeriesFromArray(Objects objects)
    {
        auto s = paginatedSeries();
        s->objects_ = std::move(objects);
        return s;
    }
    // The same objects with a copy of the header.
    static platform::Ref<QVPaginatedSeries> paginatedSeriesFromSeries(const QVPaginatedSeries& other)
    {
        auto s = paginatedSeriesFromArray(other.objects_);
        if (other.header_)
            s->header_ = other.header_->clone();
        return s;
    }

    Objects& objects() { return objects_; }
    const Objects& objects() const { return objects_; }
    size_t count() const { return objects_.size(); }
    // Null beyond the end.
    platform::Object* objectAtIndex(size_t i) const { return i < objects_.size() ? objects_[i].get() : nullptr; }
    // The record at `i` as a T, null beyond the end. A record of another kind
    // (the server answered with something else) is logged, naming what was
    // `expected`, and answers null too.
    template <typename T>
    T* recordAtIndex(size_t i, const char* expected) const
    {
        platform::Object* object = objectAtIndex(i);
        auto* record = dynamic_cast<T*>(object);
        if (object && !record)
            platform::logWarning("Quorvel: an answer holds a %s where %s was expected; it is left out",
                                 object->className().c_str(), expected);
        return record;
    }
    auto begin() const { return objects_.begin(); }
    auto end() const { return objects_.end(); }

    // Null when the answer was not paged.
    QVPaginatedSeriesHeader* header() const { return header_.get(); }
    void setHeader(platform::Ref<QVPaginatedSeriesHeader> h) { header_ = std::move(h); }
    const Objects& tableMetaDataObjects() const { return tableMetaData_; }
    Objects& tableMetaDataObjects() { return tableMetaData_; }
    void setTableMetaDataObjects(Objects objects) { tableMetaData_ = std::move(objects); }
    int httpResponseStatusCode() const { return status_; }
    void setHttpResponseStatusCode(int status) { status_ = status; }

private:
    QVPaginatedSeries() = default;
    Objects objects_;
    platform::Ref<QVPaginatedSeriesHeader> header_;
    Objects tableMetaData_;
    int status_ { 0 };
};

} // namespace quorvel
