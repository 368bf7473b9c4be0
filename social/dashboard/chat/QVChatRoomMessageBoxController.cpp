// The one-line box under a chat room.
#include "social/dashboard/chat/QVChatRoomMessageBoxController.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/TextField.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVChatServices.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVViewHelper.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVChatRoomMessageBoxController);

QVChatRoomMessageBoxController::~QVChatRoomMessageBoxController()
{
    // A box released while shown must not be told about the keyboard any more.
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

std::string QVChatRoomMessageBoxController::singularResourceName() { return QVChatMessage::getResourceName(); }

void QVChatRoomMessageBoxController::loadView()
{
    float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
    auto root = View::viewWithFrame(Rect(0, 0, width, kHeight));
    root->setBackgroundColor(Color::rgb(0.91f, 0.91f, 0.91f));
    backgroundView_ = ImageView::imageViewWithFrame(root->bounds());
    backgroundView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->addSubview(backgroundView_.get());
    field_ = TextField::textFieldWithFrame(Rect(6, 6, width - 52, 33));
    field_->setTag(1);
    field_->setBorderStyle(TextField::BorderStyle::RoundedRect);
    field_->setPlaceholder("Say something");
    root->addSubview(field_.get());
    button_ = Button::buttonWithType(Button::Type::Custom);
    button_->setFrame(Rect(width - 40, 6, 34, 31));
    button_->setImage(QVLoadKitImage("QVKeyboardUp.png").get(), StateNormal);
    button_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVChatRoomMessageBoxController, toggleKeyboardNow)),
                                   TouchUpInside);
    root->addSubview(button_.get());
    setView(root.get());
}

void QVChatRoomMessageBoxController::viewDidLoad()
{
    QVFormControllerHelper::viewDidLoad();
    view()->setFrame(Rect(0, 0, QuorvelInternal::dashboardRole().getDashboardBounds().size.width, kHeight));
    Rect f = field_->frame();
    f.origin.y -= 2;
    f.size.height = 35;
    field_->setFrame(f);
    view()->setBackgroundColor(std::nullopt);
    keyboardUp_ = false;
}

void QVChatRoomMessageBoxController::viewWillAppear(bool animated)
{
    QVCommunityMessageBoxController::viewWillAppear(animated);
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, kKeyboardWillShowNotification, [this](const platform::Notification&) { keyboardShown(true); });
    center.addObserver(this, kKeyboardWillHideNotification, [this](const platform::Notification&) { keyboardShown(false); });
}

void QVChatRoomMessageBoxController::viewWillDisappear(bool animated)
{
    QVCommunityMessageBoxController::viewWillDisappear(animated);
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this, kKeyboardWillShowNotification);
    center.removeObserver(this, kKeyboardWillHideNotification);
}

void QVChatRoomMessageBoxController::keyboardShown(bool shown)
{
    if (shown == keyboardUp_)
        return;
    keyboardUp_ = shown;
    button_->setImage(QVLoadKitImage(shown ? "QVKeyboardDown.png" : "QVKeyboardUp.png").get(), StateNormal);
    Rect f = button_->frame();
    f.origin.y += shown ? 3 : -3;
    button_->setFrame(f);
}

void QVChatRoomMessageBoxController::toggleKeyboardNow()
{
    if (keyboardUp_)
        field_->resignFirstResponder();
    else
        field_->becomeFirstResponder();
}

} // namespace quorvel
