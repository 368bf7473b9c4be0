// The overlay announcing an invitation ("InviteNotification").
#include "social/dashboard/invites/QVInviteNotificationController.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImageView.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVInviteNotificationController);

Ref<QVInviteNotificationController> QVInviteNotificationController::showInviteNotification(const std::string& text,
                                                                                          QVUser* user,
                                                                                          const std::string& header)
{
    Ref<ViewController> loaded = QVControllerLoader::load("InviteNotification");
    auto overlay = Ref<QVInviteNotificationController>(
        loaded ? requireCast<QVInviteNotificationController>(loaded, "The invite notice must show its text") : nullptr);
    if (!overlay)
        return nullptr;
    overlay->header_ = header;
    overlay->text_ = text;
    const std::string picture = user ? user->profilePictureUrl().value_or(std::string()) : std::string();
    overlay->picture_ = picture.empty() ? std::nullopt : std::optional<std::string>(picture);
    overlay->headerText()->setText(header);
    overlay->notificationText()->setText(text);
    overlay->userIcon()->setImageUrl(overlay->picture_);
    QuorvelInternal::dashboardRole().presentModalOverlay(overlay);
    return overlay;
}

void QVInviteNotificationController::loadView()
{
    Ref<View> root = View::viewWithFrame(Rect(0, 0, 300, 120));
    bgImage_ = ImageView::imageViewWithFrame(root->bounds());
    if (auto art = QVLoadKitImage("QVInviteNotificationBackground.png"))
        bgImage_->setImage(art->stretchableImage(static_cast<int>(art->size().width / 2),
                                                 static_cast<int>(art->size().height / 2)).get());
    bgImage_->setContentMode(ContentMode::ScaleToFill);
    userIcon_ = QVImageView::imageViewWithFrame(Rect(10, 10, 48, 48));
    headerText_ = layout::makeLabel(Rect(66, 10, 224, 22), 15, true);
    notificationText_ = layout::makeLabel(Rect(66, 34, 224, 60), 13, false);
    notificationText_->setNumberOfLines(0);
    Ref<Button> close = Button::buttonWithType(Button::Type::Custom);
    close->setFrame(root->bounds());
    close->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVInviteNotificationController, dismiss)), TouchUpInside);
    layout::addSubviews(root, { bgImage_.get(), userIcon_.get(), headerText_.get(), notificationText_.get(),
                                close.get() });
    headerText_->setText(header_);
    notificationText_->setText(text_);
    if (picture_)
        userIcon_->setImageUrl(picture_);
    setView(root.get());
}

void QVInviteNotificationController::dismiss() { QuorvelInternal::dashboardRole().dismissDashboard(); }

} // namespace quorvel
