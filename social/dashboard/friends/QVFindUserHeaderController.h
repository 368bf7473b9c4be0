// QVFindUserHeaderController ("FindUserHeader"): the search bar above the
// search by name's list.
#pragma once

#include "platform/ui/SearchBar.h"
#include "social/ui/QVTableControllerHelper.h"

namespace quorvel {

class QVFindUserHeaderController : public platform::ui::ViewController, public QVTableControllerHeader {
    QV_DECLARE_CLASS(QVFindUserHeaderController)
public:
    platform::ui::SearchBar* searchBar() { view(); return searchBar_.get(); }
    void resizeView(platform::ui::View* over) override;
    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFindUserHeaderController() = default;

private:
    platform::Ref<platform::ui::SearchBar> searchBar_;
};

} // namespace quorvel
