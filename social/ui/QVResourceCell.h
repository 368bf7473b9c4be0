// QVResourceCell<R>: a list cell that shows one kind of resource. The list
// hands a cell any object; this base passes it on to showResource only when it
// is an R, so a cell states just how it fills its views from its resource. Any
// other object (or none) leaves the cell as it was.
#pragma once

#include "social/ui/QVTableCellHelper.h"

namespace quorvel {

template <typename R, typename Base = QVTableCellHelper>
class QVResourceCell : public Base {
public:
    using Base::onResourceChanged;
    void onResourceChanged(platform::Object* resource) final
    {
        if (auto* typed = dynamic_cast<R*>(resource))
            showResource(typed);
    }

protected:
    QVResourceCell() = default;

    // Fills the cell's views; the resource is never null.
    virtual void showResource(R* resource) = 0;
};

} // namespace quorvel
