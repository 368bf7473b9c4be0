// QVTabbedPageHeaderController: a header over a list screen whose tab strip
// works as segments. Each segment names an action of the callback target
// (the list screen); choosing a segment calls it. The first segment added is
// shown without calling its action.
#pragma once

#include "platform/foundation/Selector.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/ViewController.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVTabBar.h"
#include "social/ui/QVTableControllerHelper.h"

#include <map>
#include <string>

namespace quorvel {

class QVTabbedPageHeaderController : public platform::ui::ViewController,
                                     public QVTabBarDelegate,
                                     public QVTableControllerHeader {
    QV_DECLARE_CLASS(QVTabbedPageHeaderController)
public:
    using TabCallback = platform::Selector<>;

    QVTabBar* tabBar() const { return tabBar_.get(); }
    // Set from the header's interface; a header made in code gets a segmented view.
    void setTabBar(QVTabBar* bar);
    // The list screen, while it exists (a segment's tap can come after it went).
    platform::Object* callbackTarget() const { return callbackTarget_.get(); }
    void setCallbackTarget(platform::Object* target) { callbackTarget_ = target; }

    void addTab(const std::string& name, TabCallback selectedCallback);
    // Selects the segment without calling its action.
    void showTab(const std::string& name);
    // The text's integer value; a name without a segment changes nothing.
    void setBadgeValueForTabNamed(const std::string& text, const std::string& name);
    void tabBarDidSelectTabNamed(QVTabBar* bar, const std::string& name) override;
    // Full width of the view it is placed over, at its own height.
    void resizeView(platform::ui::View* over) override;

    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTabbedPageHeaderController() = default;
    ~QVTabbedPageHeaderController() override;

private:
    std::map<std::string, TabCallback> mTabCallbacks;
    platform::Ref<QVTabBar> tabBar_;
    platform::WeakLink<platform::Object> callbackTarget_;
};

} // namespace quorvel
