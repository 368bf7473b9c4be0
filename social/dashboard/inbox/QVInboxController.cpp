// The subscription lists and their rows.
#include "social/dashboard/inbox/QVInboxController.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/TableView.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVConversationService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVSubscriptionService.h"
#include "social/ui/QVFriendPickerController.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using namespace common;
using namespace layout;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVInboxController);
QV_REGISTER_CLASS(QVInboxCell);

// The action row is loaded by the cell name "InboxAction".
[[maybe_unused]] static const bool qvInboxActionByCellName
    = QVClassRegistry::registerClass("QVInboxActionCell", &QVInboxIMActionCell::qvCreateInstance);

// ---------------------------------------------------------------------------
// Subscription lists

QVService* QVInboxController::getService() { return QVSubscriptionService::sharedService(); }

void QVInboxController::populateResourceMap(QVResourceControllerMap& map) { map.addResource<QVSubscription>("Inbox"); }

void QVInboxController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVInboxController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSubscriptionService::getSubscriptionsPage(page, onSuccess, onFailure);
}

void QVInboxController::onCellWasClicked(Object* resource, IndexPath indexPath)
{
    if (cellTypeAtIndexPath(indexPath) != QVTableSectionDescription::kObjectCell || !navigationController())
        return;
    auto* subscription = dynamic_cast<QVSubscription*>(resource);
    if (!subscription)
        return;
    if (subscription->isForumThread()) {
        auto topic = QVForumTopic::create();
        topic->setResourceId(subscription->topicId());
        QVForumThread* thread = subscription->discussion().get();
        if (thread)
            thread->setIsSubscribed(true);
        if (auto view = QVFeatureScreens::forumThread(thread, topic.get()))
            navigationController()->pushViewController(view.get(), true);
    } else if (subscription->isConversation()) {
        if (auto screen = QVFeatureScreens::conversation(subscription->discussionId(), subscription->otherUser().get()))
            navigationController()->pushViewController(screen.get(), true);
    }
}

void QVInboxController::actionPressedForTag(int tag, IndexPath indexPath)
{
    if (tag != 1)
        return;
    actionIndexPath_ = indexPath;
    deleteSheet_ = ActionSheet::sheet("Deleting IM", this, "Cancel", "Delete");
    deleteSheet_->showInView(tableView());
}

void QVInboxController::actionSheetClickedButtonAtIndex(ActionSheet* sheet, int index)
{
    if (sheet != deleteSheet_.get()) {
        QVTableSequenceControllerHelper::actionSheetClickedButtonAtIndex(sheet, index);
        return;
    }
    deleteSheet_ = nullptr;
    if (index == sheet->cancelButtonIndex() || !actionIndexPath_)
        return;
    auto* subscription = dynamic_cast<QVSubscription*>(getCellAtIndexPath(*actionIndexPath_));
    if (!subscription)
        return;
    QVConversationService::deleteConversation(
        subscription->discussionId(),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVInboxController, deletionWasSuccessful))), QVDelegate());
}

void QVInboxController::deletionWasSuccessful(Object*) { reloadDataFromServer(); }

void QVInboxController::viewDidAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidAppear(animated);
    if (pendingConversationUser_)
        startPendingConversation();
}

void QVInboxController::startPendingConversation()
{
    showLoadingScreen();
    QVConversationService::startConversationWithUser(
        pendingConversationUser_->resourceId(),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVInboxController, _conversationStarted))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVInboxController, _conversationError))));
}

void QVInboxController::_conversationStarted(Object* answer)
{
    if (!pendingConversationUser_)
        return;
    hideLoadingScreen();
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    auto* conversation = series->count() == 1 ? dynamic_cast<QVConversation*>(series->objectAtIndex(0)) : nullptr;
    if (conversation && navigationController()) {
        QVUser* other = conversation->otherUser() ? conversation->otherUser().get() : pendingConversationUser_.get();
        if (auto screen = QVFeatureScreens::conversation(conversation->resourceId(), other))
            navigationController()->pushViewController(screen.get(), true);
    }
    pendingConversationUser_ = nullptr;
}

void QVInboxController::_conversationError(Object*)
{
    pendingConversationUser_ = nullptr;
    hideLoadingScreen();
    showAlert("Error", kStartFailed, "Ok");
}

void QVInboxController::_newMessagePressed()
{
    if (BarButtonItem* item = navigationItem()->rightBarButtonItem())
        item->setEnabled(false);
    QVFriendPickerController::launchPickerWithDelegate(this, "Select a friend to message");
}

void QVInboxController::pickerFinishedWithSelectedUser(QVUser* user)
{
    if (BarButtonItem* item = navigationItem()->rightBarButtonItem())
        item->setEnabled(true);
    if (!user)
        return;
    pendingConversationUser_ = user;
    startPendingConversation();
}

bool QVInboxController::pickerCancelled()
{
    if (BarButtonItem* item = navigationItem()->rightBarButtonItem())
        item->setEnabled(true);
    return true;
}

int QVInboxController::countUnreadLoadedRows(const std::function<bool(const QVSubscription&)>& kind)
{
    int count = 0;
    if (!sections_)
        return 0;
    for (const auto& section : *sections_)
        if (QVPaginatedSeries* page = section->page())
            for (const auto& o : page->objects())
                if (auto* s = dynamic_cast<QVSubscription*>(o.get()); s && kind(*s) && s->unreadCount() > 0)
                    ++count;
    return count;
}

void QVInboxController::removeSubscriptions(QVPaginatedSeries* series, bool keepConversations)
{
    if (!series)
        return;
    auto& objects = series->objects();
    const size_t before = objects.size();
    objects.erase(std::remove_if(objects.begin(), objects.end(),
                                 [keepConversations](const Ref<Object>& o) {
                                     auto* s = dynamic_cast<QVSubscription*>(o.get());
                                     return !s || (keepConversations ? !s->isConversation() : !s->isForumThread());
                                 }),
                  objects.end());
    // The page's count names what the list holds: the other kind's rows are not in it
    // (one conversation read "Showing 2 of 2" beside a starred thread).
    if (QVPaginatedSeriesHeader* header = series->header()) {
        const auto removed = static_cast<unsigned>(before - objects.size());
        header->totalObjects = header->totalObjects > removed ? header->totalObjects - removed : 0;
    }
}

// ---------------------------------------------------------------------------
// Rows

bool QVInboxCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, kMinHeight));
    iconView_ = ImageView::imageViewWithFrame(Rect(4, 5, 48, 44));
    profilePictureView_ = QVImageView::imageViewWithFrame(Rect(10, 8, 38, 38));
    typeLabel_ = makeLabel(Rect(72, 3, 140, 14), 11, false);
    typeLabel_->setTextColor(Color::rgb(0.45f, 0.45f, 0.45f));
    // The texts end before the unread badge (at width - 88), so it never lies over them.
    titleLabel_ = makeLabel(Rect(72, 17, width - 164, 18), 15, true);
    titleLabel_->setNumberOfLines(2);
    bodyPreviewLabel_ = makeLabel(Rect(72, 35, width - 164, 16), 12, false);
    bodyPreviewLabel_->setNumberOfLines(2);
    expandButton_ = Button::buttonWithType(Button::Type::Custom);
    expandButton_->setFrame(Rect(width - 56, 12, 30, 30));
    expandButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVInboxCell, toggleExpansion)), TouchUpInside);
    unreadBadge_ = QVBadgeView::redBadge();
    unreadBadge_->setFrame(Rect(width - 88, 12, 29, 29));
    addSubviews(contentView(), { iconView_.get(), profilePictureView_.get(), typeLabel_.get(), titleLabel_.get(),
                                 bodyPreviewLabel_.get(), expandButton_.get(), unreadBadge_.get() });
    // The heights the labels may grow to: their height times their line count.
    cachedTitleMaxHeight_ = titleLabel_->frame().size.height * static_cast<float>(std::max(titleLabel_->numberOfLines(), 1));
    cachedBodyMaxHeight_ = bodyPreviewLabel_->frame().size.height * static_cast<float>(std::max(bodyPreviewLabel_->numberOfLines(), 1));
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVInboxCell::showResource(QVSubscription* s)
{
    Rect icon = iconView_->frame();
    if (s->isForumThread()) {
        bool locked = s->discussion() && s->discussion()->isLocked();
        iconName_ = locked ? "QVForumThreadLockedIcon.png" : "QVForumThreadNormalIcon.png";
        typeLabel_->setText("Forum Posting");
        titleLabel_->setText(s->title());
        profilePictureView_->setHidden(true);
        expandButton_->setHidden(true);
        icon.size.width = 48;
    } else if (s->isConversation()) {
        iconName_ = "QVPlayerFrameIM.png";
        typeLabel_->setText("IM Conversation");
        titleLabel_->setText(s->otherUser() ? s->otherUser()->name() : std::string());
        profilePictureView_->useProfilePictureFromUser(s->otherUser().get());
        profilePictureView_->setUnframed(true);
        profilePictureView_->setHidden(false);
        expandButton_->setHidden(false);
        icon.size.width = 65;
    } else {
        titleLabel_->setText("");
    }
    iconView_->setImage(QVLoadKitImage(iconName_).get());
    iconView_->setFrame(icon);

    fitLabelHeight(titleLabel_.get(), 0, cachedTitleMaxHeight_);
    bodyPreviewLabel_->setText(s->summary());
    Rect body = bodyPreviewLabel_->frame();
    body.origin.y = maxY(titleLabel_.get());
    bodyPreviewLabel_->setFrame(body);
    fitLabelHeight(bodyPreviewLabel_.get(), 0, cachedBodyMaxHeight_);

    unreadBadge_->setHidden(s->unreadCount() == 0);
    if (s->unreadCount() != 0)
        unreadBadge_->setValue(s->unreadCount());

    setHeightForContent(std::max(maxY(bodyPreviewLabel_.get()) + 5, kMinHeight));
    fixupExpandIcon();
}

void QVInboxCell::layoutSubviews()
{
    QVTableCellHelper::layoutSubviews();
    fixupExpandIcon();
}

std::optional<IndexPath> QVInboxCell::myIndexPath() const
{
    QVTableControllerHelper* table = owningTable();
    TableView* view = table ? table->tableView() : nullptr;
    return view ? view->indexPathForCell(this) : std::nullopt;
}

void QVInboxCell::fixupExpandIcon()
{
    if (!expandButton_)
        return;
    QVTableControllerHelper* table = owningTable();
    auto path = myIndexPath();
    bool expanded = table && path && table->isExpandedAtIndexPath(*path);
    expandIconName_ = expanded ? "QVButtonArrowUp.png" : "QVButtonArrowDown.png";
    expandButton_->setImage(QVLoadKitImage(expandIconName_).get(), StateNormal);
}

void QVInboxCell::toggleExpansion()
{
    Ref<QVInboxCell> keep(this);
    QVTableControllerHelper* table = owningTable();
    if (!table || !table->tableView())
        return;
    // One conversation open at a time: close the other first.
    for (TableViewCell* visible : table->tableView()->visibleCells()) {
        auto* other = dynamic_cast<QVInboxCell*>(visible);
        if (!other || other == this)
            continue;
        auto path = other->myIndexPath();
        if (path && table->isExpandedAtIndexPath(*path)) {
            table->toggleExpansionAtIndexPath(*path);
            other->fixupExpandIcon();
            break;
        }
    }
    if (auto path = myIndexPath()) {
        table->toggleExpansionAtIndexPath(*path);
        fixupExpandIcon();
    }
}

bool QVInboxIMActionCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelperActionCell::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 44));
    setSelectionStyle(CellSelectionStyle::None);
    addInlay();
    deleteButton_ = Button::buttonWithType(Button::Type::RoundedRect);
    deleteButton_->setTitle("Delete", StateNormal);
    deleteButton_->setTag(1);
    deleteButton_->setFrame(Rect(width - 110, 7, 90, 30));
    deleteButton_->addTarget(this, Control::SenderAction(BRISKO_SELECTOR(QVTableCellHelperActionCell, buttonPressed)),
                             TouchUpInside);
    contentView()->addSubview(deleteButton_.get());
    return true;
}

void QVInboxIMActionCell::addInlay()
{
    if (inlayView_)
        return;
    auto inlay = ImageView::imageViewWithFrame(Rect(0, 0, frame().size.width, frame().size.height));
    if (auto image = QVLoadKitImage("QVIMActionInlay.png"))
        inlay->setImage(image->stretchableImage(15, 35).get());
    inlay->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    contentView()->insertSubviewAt(inlay.get(), 0);
    inlayView_ = inlay;
}

} // namespace quorvel
