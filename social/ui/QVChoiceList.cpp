// The choice list: backdrop, choice buttons and the answer.
#include "social/ui/QVChoiceList.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "social/ui/QVDashboardRole.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;


Ref<QVChoiceListController> QVChoiceListController::controllerWithDelegate(QVChoiceListDelegate* delegate,
                                                                           platform::Point location,
                                                                           std::vector<std::string> choices)
{
    auto controller = adoptRef(new QVChoiceListController);
    if (!controller->initWithDelegate(delegate, location, std::move(choices)))
        return nullptr;
    return controller;
}

bool QVChoiceListController::initWithDelegate(QVChoiceListDelegate* delegate, platform::Point location,
                                              std::vector<std::string> choices)
{
    if (!init())
        return false;
    delegate_ = delegate;
    delegateObject_ = dynamic_cast<platform::Object*>(delegate);
    location_ = location;
    choices_ = std::move(choices);
    return true;
}

void QVChoiceListController::loadView()
{
    Rect appFrame = Screen::mainScreen().applicationFrame();
    auto root = View::viewWithFrame(appFrame);
    root->setBackgroundColor(std::nullopt);
    root->setOpaque(false);
    setView(root);

    backdrop_ = Button::buttonWithType(Button::Type::Custom);
    backdrop_->setFrame(Rect(0, 0, appFrame.size.width, appFrame.size.height));
    backdrop_->setBackgroundColor(Color::black());
    backdrop_->setAlpha(0);
    backdrop_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVChoiceListController, dismissSelf)), TouchUpInside);
    root->addSubview(backdrop_);
    View::beginAnimations("QVChoiceListBackdrop");
    backdrop_->setAlpha(kBackdropAlpha);
    View::commitAnimations();

    for (size_t i = 0; i < choices_.size(); ++i) {
        auto button = QVChoiceButton::buttonWithList(this, choices_[i], static_cast<int>(i));
        button->setFrame(Rect(location_.x, location_.y + kChoiceHeight * i, kChoiceWidth, kChoiceHeight));
        root->addSubview(button);
    }
}

void QVChoiceListController::dismissWithAnswer(int answer)
{
    Ref<QVChoiceListController> keep(this);
    Ref<platform::Object> keepDelegate = delegateObject_;
    if (delegate_)
        delegate_->userDidChoiceListWithAnswer(answer);
    dismissModalViewControllerAnimated(false);
}

Ref<QVChoiceButton> QVChoiceButton::buttonWithList(QVChoiceListController* controller, const std::string& text, int value)
{
    auto button = adoptRef(new QVChoiceButton);
    button->initWithFrame(Rect());
    button->setTitle(text, StateNormal);
    button->returnValue_ = value;
    button->controller_ = controller;
    button->addTarget(button.get(), Control::PlainAction(BRISKO_SELECTOR(QVChoiceButton, processButton)), TouchUpInside);
    return button;
}

void QVChoiceButton::processButton()
{
    if (auto list = controller_.lock())
        list->dismissWithAnswer(returnValue_);
}

namespace QVChoiceList {

Ref<QVChoiceListController> showChoiceListWithDelegate(QVChoiceListDelegate* delegate, platform::Point location,
                                                       std::vector<std::string> choices)
{
    ViewController* root = QVDashboardRole::current().getRootController();
    if (!root) {
        platform::log("QVChoiceList: no dashboard to show the list over");
        return nullptr;
    }
    auto controller = QVChoiceListController::controllerWithDelegate(delegate, location, std::move(choices));
    root->presentModalViewController(controller, false);
    return controller;
}

} // namespace QVChoiceList

} // namespace quorvel
