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

protected:
    QVTableSectionDescription() = default;

private:
    std::string title_;
    std::string identifier_;
    platform::Ref<QVPaginatedSeries> page_;
};

} // namespace quorvel
