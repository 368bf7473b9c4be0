// The received invitations ("Invitations") and their rows.
#include "social/dashboard/invites/QVInvitationsController.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVViewInviteController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVInviteService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVInviteCell);
QV_REGISTER_CLASS(QVInvitationsController);

bool QVInviteCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = layout::rowWidth();
    setFrame(Rect(0, 0, width, 66));
    const Rect picture = layout::pictureInRow(44, 66);
    const float text = layout::besidePicture(picture);
    inviteIcon_ = QVImageView::imageViewWithFrame(picture);
    gameTitle_ = layout::makeLabel(Rect(text, 4, width - 30 - text, 20), 15, true);
    invitedBy_ = layout::makeLabel(Rect(text, 24, width - 30 - text, 18), 12, false);
    userMessage_ = layout::makeLabel(Rect(text, 42, width - 30 - text, 18), 12, false);
    // The unread marker keeps an accessory's 10 points from the row's right edge, whatever the list's width.
    freshnessIndicator_ = View::viewWithFrame(Rect(width - 22, 27, 12, 12));
    freshnessIndicator_->setAutoresizingMask(FlexibleLeftMargin);
    freshnessIndicator_->setBackgroundColor(Color::rgb(0.2f, 0.5f, 0.95f));
    layout::addSubviews(contentView(), { inviteIcon_.get(), gameTitle_.get(), invitedBy_.get(), userMessage_.get(),
                                         freshnessIndicator_.get() });
    return true;
}

void QVInviteCell::showResource(QVInvite* invite)
{
    QVUser* sender = invite->senderUser();
    // The sender's picture, or the kit's default one for a player without a picture.
    inviteIcon_->useProfilePictureFromUser(sender);
    gameTitle_->setText(invite->clientApplicationName);
    invitedBy_->setText("Invited by " + (sender ? sender->name() : std::string()));
    userMessage_->setText(invite->userMessage);
    freshnessIndicator_->setHidden(invite->state != "unviewed");
}

void QVInvitationsController::viewDidLoad()
{
    setTitle("Invitations");
    QVTableSequenceControllerHelper::viewDidLoad();
}

void QVInvitationsController::populateResourceMap(QVResourceControllerMap& map) { map.addResource<QVInvite>("Invite"); }

void QVInvitationsController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                    const QVDelegate& onFailure)
{
    QVInviteService::getInvitesForUser(QuorvelInternal::sessionRole().localUser().get(), page, onSuccess, onFailure);
}

void QVInvitationsController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVInvitationsController::_onDataLoaded(QVPaginatedSeries* series, bool isIncremental)
{
    int unviewed = 0;
    size_t received = 0;
    auto count = [&](const QVPaginatedSeries* page) {
        if (!page)
            return;
        for (const auto& o : page->objects())
            if (auto* invite = dynamic_cast<QVInvite*>(o.get())) {
                ++received;
                unviewed += invite->state == "unviewed";
            }
    };
    if (series) {
        count(series);
        for (const auto& o : series->objects())
            if (auto* section = dynamic_cast<QVTableSectionDescription*>(o.get()))
                count(section->page());
    }
    QVTableSequenceControllerHelper::_onDataLoaded(series, isIncremental);
    // The server marks what it sends as viewed; the count never goes below zero.
    QuorvelInternal::options().setUnreadInviteCount(std::max(0, QuorvelInternal::options().unreadInviteCount() - unviewed));
    if (received > 0 || (sections() && !sections()->empty()))
        _installEditButton();
}

void QVInvitationsController::_installEditButton()
{
    const bool editing = tableView() && tableView()->isEditing();
    navigationItem()->setRightBarButtonItem(
        BarButtonItem::withSystemItem(editing ? BarButtonItem::SystemItem::Done : BarButtonItem::SystemItem::Edit, this,
                                      BarButtonItem::PlainAction(BRISKO_SELECTOR(QVInvitationsController, toggleEditing)))
            .get());
}

void QVInvitationsController::toggleEditing()
{
    setEditing(!(tableView() && tableView()->isEditing()), true);
    _installEditButton();
}

void QVInvitationsController::onResourceWasDeleted(Object* resource)
{
    if (auto* invite = dynamic_cast<QVInvite*>(resource))
        QVInviteService::ignoreInvite(invite->resourceId(), QVDelegate(), QVDelegate());
}

void QVInvitationsController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* invite = dynamic_cast<QVInvite*>(resource);
    if (!invite || !navigationController())
        return;
    if (auto page = QVViewInviteController::viewInviteControllerWithInviteId(invite->resourceId()))
        navigationController()->pushViewController(page.get(), true);
}

void QVInvitationsController::viewWillAppear(bool animated)
{
    if (reloadOnWillAppear_)
        reloadDataFromServer();
    QVTableSequenceControllerHelper::viewWillAppear(animated);
}

} // namespace quorvel
