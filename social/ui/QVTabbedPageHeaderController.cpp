// The tabbed header of list screens: segments that call back into the list.
#include "social/ui/QVTabbedPageHeaderController.h"

#include "social/ui/QVSegmentedView.h"

#include <cstdlib>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVTabbedPageHeaderController);

QVTabbedPageHeaderController::~QVTabbedPageHeaderController()
{
    callbackTarget_ = nullptr;
    if (tabBar_ && tabBar_->delegate() == this)
        tabBar_->setDelegate(nullptr);
}

void QVTabbedPageHeaderController::setTabBar(QVTabBar* bar)
{
    if (tabBar_ && tabBar_->delegate() == this)
        tabBar_->setDelegate(nullptr);
    tabBar_ = bar;
    if (tabBar_)
        tabBar_->setDelegate(this);
}

void QVTabbedPageHeaderController::loadView()
{
    ViewController::loadView();
    if (tabBar_) {
        if (!tabBar_->superview())
            view()->addSubview(tabBar_.get());
        return;
    }
    Rect b = view()->bounds();
    Ref<QVSegmentedView> segments = QVSegmentedView::withFrame(Rect(0, 0, b.size.width, 0));
    Rect f = view()->frame();
    f.size.height = segments->frame().size.height;
    view()->setFrame(f);
    view()->addSubview(segments.get());
    setTabBar(segments.get());
}

void QVTabbedPageHeaderController::addTab(const std::string& name, TabCallback selectedCallback)
{
    view();
    if (!tabBar_)
        return;
    bool first = mTabCallbacks.empty() && tabBar_->items().empty();
    mTabCallbacks[name] = selectedCallback;
    tabBar_->addSegmentNamed(name, nullptr, nullptr, nullptr);
    if (first)
        showTab(name);
}

void QVTabbedPageHeaderController::showTab(const std::string& name)
{
    if (tabBar_)
        tabBar_->showTabNamedNotifyDelegate(name, false);
}

void QVTabbedPageHeaderController::setBadgeValueForTabNamed(const std::string& text, const std::string& name)
{
    if (tabBar_)
        tabBar_->setBadgeValueForItemNamed(std::atoi(text.c_str()), name);
}

void QVTabbedPageHeaderController::tabBarDidSelectTabNamed(QVTabBar*, const std::string& name)
{
    auto it = mTabCallbacks.find(name);
    auto target = callbackTarget_.lock();
    if (it == mTabCallbacks.end() || !it->second || !target)
        return;
    it->second.invoke(target.get());
}

void QVTabbedPageHeaderController::resizeView(View* over)
{
    if (!over)
        return;
    View* own = view();
    own->setFrame(Rect(0, 0, over->frame().size.width, own->frame().size.height));
}

} // namespace quorvel
