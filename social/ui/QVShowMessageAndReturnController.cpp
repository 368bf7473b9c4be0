// The message screen with a continue button.
#include "social/ui/QVShowMessageAndReturnController.h"

#include "social/ui/QVDashboardRole.h"

#include "platform/device/Screen.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVInterfaceOutlets.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVShowMessageAndReturnController);

void QVShowMessageAndReturnController::buildInterface(InterfaceBuilder* builder, const char* layoutName)
{
    Rect frame = Screen::mainScreen().applicationFrame();
    frame.origin = platform::Point(0, 0);
    Ref<View> root = builder ? builder->makeView<View>(frame) : View::viewWithFrame(frame);
    root->setBackgroundColor(Color::clear());
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);

    auto makeLabel = [&](const Rect& r, float size) {
        Ref<Label> l = builder ? builder->makeView<Label>(r) : Label::labelWithFrame(r);
        l->setNumberOfLines(0);
        l->setTextAlignment(platform::TextAlignment::Center);
        l->setTextColor(Color::whiteColor());
        l->setBackgroundColor(std::nullopt);
        l->setOpaque(false);
        l->setFont(platform::Font::boldSystemFont(size));
        l->setAutoresizingMask(FlexibleWidth);
        root->addSubview(l);
        return l;
    };
    auto title = makeLabel(Rect(20, 30, frame.size.width - 40, 30), 20);
    auto message = makeLabel(Rect(20, 70, frame.size.width - 40, 120), 15);
    Rect buttonFrame((frame.size.width - 200) / 2, 210, 200, 37);
    Ref<QVDefaultButton> button;
    if (builder)
        button = builder->makeView<QVGreenBorderedButton>(buttonFrame).get();
    else
        button = QVDefaultButton::greenBoderedButton(buttonFrame);
    button->setTitleForAllStates("Continue");
    button->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
    button->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVShowMessageAndReturnController, clickedContinue)),
                      TouchUpInside);
    root->addSubview(button);

    setMessageTitleLabel(QVOutlet<Label>(title.get(), layoutName, "messageTitleLabel"));
    setMessageLabel(QVOutlet<Label>(message.get(), layoutName, "messageLabel"));
    setContinueButton(QVOutlet<Button>(button.get(), layoutName, "continueButton"));
    setView(root);
}

void QVShowMessageAndReturnController::loadView()
{
    if (!nibName().empty()) {
        QVViewController::loadView();
        return;
    }
    buildInterface(nullptr, "ShowMessageAndReturnController");
}

void QVShowMessageAndReturnController::clickedContinue()
{
    NavigationController* nav = navigationController();
    if (controllerToPopTo_) {
        Ref<ViewController> target = controllerToPopTo_;
        controllerToPopTo_ = nullptr;
        if (nav)
            nav->popToViewController(target, true);
        return;
    }
    if (continueInvocation_) {
        auto invocation = continueInvocation_;
        invocation();
        return;
    }
    ViewController* parent = nav ? nav->parentViewController() : nullptr;
    if (parent && parent->modalViewController()) {
        dismissModalViewControllerAnimated(true);
        return;
    }
    if (nav)
        nav->popToRootViewControllerAnimated(true);
}

void QVShowMessageAndReturnController::viewWillAppear(bool)
{
    if (QVIntroFrame* intro = QVDashboardRole::current().activeIntroFrame())
        intro->setFullscreenFrame(true);
}

void QVShowMessageAndReturnController::viewWillDisappear(bool)
{
    if (QVIntroFrame* intro = QVDashboardRole::current().activeIntroFrame())
        intro->setFullscreenFrame(false);
}

} // namespace quorvel
