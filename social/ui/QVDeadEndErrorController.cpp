// The dead-end error screen: made by name with its message, built from its
// layout, and its offline and close buttons.
#include "social/ui/QVDeadEndErrorController.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Boxed.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "social/ui/QVNavigationController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVDeadEndErrorController);

namespace {

// An error screen loaded by name with its message; null when none could be loaded.
Ref<QVDeadEndErrorController> withMessage(const Ref<ViewController>& loaded, const std::string& message)
{
    if (!loaded)
        return nullptr;
    Ref<QVDeadEndErrorController> screen(requireCast<QVDeadEndErrorController>(loaded, "An error screen must take its message"));
    screen->setMessage(message);
    return screen;
}

} // namespace

Ref<QVDeadEndErrorController> QVDeadEndErrorController::deadEndErrorWithMessage(const std::string& message)
{
    return withMessage(QVControllerLoader::load("DeadEndError"), message);
}

Ref<QVDeadEndErrorController> QVDeadEndErrorController::deadEndErrorWithMessageAndOfflineButton(const std::string& message)
{
    auto screen = deadEndErrorWithMessage(message);
    if (screen) {
        screen->view();
        if (screen->offlineButton())
            screen->offlineButton()->setHidden(false);
    }
    return screen;
}

Ref<QVDeadEndErrorController> QVDeadEndErrorController::mustBeOnlineErrorWithMessage(const std::string& message)
{
    return withMessage(QVControllerLoader::load("MustBeOnlineError"), message);
}

void QVDeadEndErrorController::buildInterface(InterfaceBuilder* builder, const char* layoutName)
{
    Rect screen = Screen::mainScreen().bounds();
    Rect frame(0, 0, screen.size.width, screen.size.height * kHeightFraction);
    Ref<View> root = builder ? builder->makeView<View>(frame) : View::viewWithFrame(frame);
    root->setBackgroundColor(Color::clear());
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);

    Rect labelFrame(20, 20, frame.size.width - 40, frame.size.height - 90);
    Ref<Label> label = builder ? builder->makeView<Label>(labelFrame) : Label::labelWithFrame(labelFrame);
    label->setNumberOfLines(0);
    label->setTextAlignment(platform::TextAlignment::Center);
    label->setTextColor(Color::whiteColor());
    label->setBackgroundColor(std::nullopt);
    label->setOpaque(false);
    label->setFont(platform::Font::boldSystemFont(16));
    label->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->addSubview(label);

    Rect buttonFrame((frame.size.width - 200) / 2, frame.size.height - 56, 200, 37);
    Ref<QVDefaultButton> button;
    if (builder)
        button = builder->makeView<QVGreenBorderedButton>(buttonFrame).get();
    else
        button = QVDefaultButton::greenBoderedButton(buttonFrame);
    button->setTitleForAllStates("Go Offline");
    button->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin | FlexibleTopMargin);
    button->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVDeadEndErrorController, offlinePressed)), TouchUpInside);
    root->addSubview(button);

    setMessageView(QVOutlet<Label>(label.get(), layoutName, "messageView"));
    setOfflineButton(QVOutlet<QVDefaultButton>(button.get(), layoutName, "offlineButton"));
    setView(root);
}

void QVDeadEndErrorController::loadView()
{
    if (!nibName().empty()) {
        QVViewController::loadView();
        return;
    }
    buildInterface(nullptr, "DeadEndErrorController");
    // Made by class: the same start as from the layout.
    if (mOfflineButton)
        mOfflineButton->setHidden(true);
}

void QVDeadEndErrorController::awakeFromNib()
{
    QVViewController::awakeFromNib();
    if (mOfflineButton)
        mOfflineButton->setHidden(true);
}

void QVDeadEndErrorController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    NavigationController* nav = navigationController();
    if (nav && nav->modalViewController())
        QVNavigationController::addCloseButtonToViewController(this, this,
            BRISKO_SELECTOR(QVDeadEndErrorController, dismiss), false, BarButtonItem::SystemItem::Done);
    Rect screen = Screen::mainScreen().bounds();
    view()->setFrame(Rect(0, 0, screen.size.width, kHeightFraction * screen.size.height));
}

void QVDeadEndErrorController::deadEndWillAppear(bool animated)
{
    QVViewController::viewWillAppear(animated);
    setTitle("Error");
    view();
    if (mMessageView)
        mMessageView->setText(mMessage);
}

void QVDeadEndErrorController::viewWillAppear(bool animated)
{
    deadEndWillAppear(animated);
    offerAWayOut(animated);
}

void QVDeadEndErrorController::offerAWayOut(bool animated)
{
    // Pushed onto a stack that hides its bar (the account set-up screens do),
    // the page would leave the player no Back and no button: the bar comes
    // back for it, and the screen below hides it again when it reappears.
    NavigationController* nav = navigationController();
    NavigationItem* item = navigationItem();
    if (!nav || !item)
        return;
    const bool canGoBack = nav->viewControllers().size() > 1 && !item->hidesBackButton();
    bool hasButton = item->leftBarButtonItem() || item->rightBarButtonItem();
    // Back hidden (a maintenance or upgrade notice) on a stack whose frame has no close of its own
    // (the game's framed screens, the intro frame, a modal over the root): a Done closes the frame.
    if (item->hidesBackButton() && !hasButton && !QVDashboardRole::current().frameClosesStack(nav)) {
        QVNavigationController::addCloseButtonToViewController(this, this,
            BRISKO_SELECTOR(QVDeadEndErrorController, dismiss), false, BarButtonItem::SystemItem::Done);
        hasButton = true;
    }
    if (!canGoBack && !hasButton)
        return;
    if (nav->isNavigationBarHidden() || nav->navigationBar()->isHidden())
        nav->setNavigationBarHidden(false, animated);
    // A bar slid above the top edge would be shown yet out of reach.
    Rect bar = nav->navigationBar()->frame();
    if (bar.origin.y < 0) {
        bar.origin.y = 0;
        nav->navigationBar()->setFrame(bar);
    }
}

bool QVDeadEndErrorController::performSetter(const std::string& setterName, platform::Object* value)
{
    if (setterName == "setMessage") {
        auto* boxed = dynamic_cast<platform::Boxed*>(value);
        setMessage(boxed ? boxed->value().asString() : std::string());
        return true;
    }
    return QVViewController::performSetter(setterName, value);
}

void QVDeadEndErrorController::offlinePressed() { QVDashboardRole::current().switchToOfflineDashboard(); }

void QVDeadEndErrorController::dismiss()
{
    // A frame opened with a close of its own carries it on the stack's first screen (a challenge
    // screen's Cancel, which tells the game the screen closed): the Done closes the frame that way,
    // so whoever waits for that close hears it.
    NavigationController* nav = navigationController();
    ViewController* first = nav && !nav->viewControllers().empty() ? nav->viewControllers().front().get() : nullptr;
    if (first && first != this) {
        NavigationItem* item = first->navigationItem();
        for (BarButtonItem* close : { item->leftBarButtonItem(), item->rightBarButtonItem() }) {
            if (!close || close->systemItem() != BarButtonItem::SystemItem::Cancel || !close->isEnabled())
                continue;
            Ref<QVDeadEndErrorController> keep(this);
            if (close->trigger())
                return;
        }
    }
    QVDashboardRole::current().dismissDashboard();
}

} // namespace quorvel
