// The announcement detail: its header and its discussion.
#include "social/dashboard/forums/QVAnnouncementDetailController.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVAnnouncementService.h"
#include "social/ui/QVFramedContentWrapperView.h"
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

QV_REGISTER_CLASS(QVAnnouncementDetailController);

namespace {

[[maybe_unused]] const bool qvAnnouncementHeaderRegistered = [] {
    InterfaceRegistry::shared().registerLayout("AnnouncementDetailHeaderQv", [](InterfaceBuilder& b) {
        std::vector<Ref<Object>> objects;
        if (auto* screen = b.ownerAs<QVAnnouncementDetailController>())
            objects.emplace_back(screen->buildHeader(b));
        return objects;
    });
    return true;
}();

} // namespace

Ref<QVAnnouncementDetailController> QVAnnouncementDetailController::announcementDetail(QVAnnouncement* announcement)
{
    Ref<ViewController> loaded = QVControllerLoader::load("AnnouncementDetail");
    auto screen = Ref<QVAnnouncementDetailController>(
        loaded ? requireCast<QVAnnouncementDetailController>(loaded, "The announcement page must take its announcement") : nullptr);
    if (screen) {
        screen->setThread(announcement);
        screen->setTopic(QVForumTopic::announcementsTopic().get());
    }
    return screen;
}

QVService* QVAnnouncementDetailController::getService() { return &QVAnnouncementService::service(); }

bool QVAnnouncementDetailController::isLocked() const { return thread_ && thread_->isLocked(); }

void QVAnnouncementDetailController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                           const QVDelegate& onFailure)
{
    QVAnnouncementService::getPostsForAnnouncement(thread_ ? thread_->resourceId() : std::string(), static_cast<int>(page),
                                                   onSuccess, onFailure);
}

void QVAnnouncementDetailController::onHeaderResourceDownloaded(Object* resource)
{
    firstPost_ = dynamic_cast<QVForumPost*>(resource);
}

std::string QVAnnouncementDetailController::getNoDataFoundMessage()
{
    return isLocked() ? "Discussion has been disabled for this announcement." : "No one is discussing this announcement.";
}

Ref<ViewController> QVAnnouncementDetailController::getNoDataFoundViewController()
{
    if (!isLocked())
        return nullptr;
    // A locked announcement shows nothing where the discussion would be.
    auto plain = ViewController::controller();
    plain->setView(View::viewWithFrame(Rect(0, 0, 0, 0)).get());
    return plain;
}

void QVAnnouncementDetailController::onTableFooterCreated(ViewController*)
{
    if (isLocked() && tableView())
        tableView()->setTableFooterView(nullptr);
}

void QVAnnouncementDetailController::viewWillAppear(bool animated)
{
    // The reply goes in the segments below; the star row stays, so the discussion can be followed.
    hideSubscribeAndReplyButtons_ = true;
    QVForumThreadViewController::viewWillAppear(animated);
    std::vector<std::string> titles;
    bool reply = !isLocked();
    if (reply)
        titles.push_back("");
    if (showCloseButton_)
        titles.push_back("Close");
    if (titles.empty()) {
        navigationItem()->setRightBarButtonItem(nullptr);
        return;
    }
    segments_ = SegmentedControl::withItems(titles);
    if (reply)
        segments_->setImage(QVLoadKitImage("QVButtonReplyToThread.png").get(), 0);
    segments_->setMomentary(true);
    segments_->setSegmentedControlStyle(SegmentedControl::Style::Bar);
    segments_->addTarget(this, Control::SenderAction(BRISKO_SELECTOR(QVAnnouncementDetailController, segmentTapped)),
                         ValueChanged);
    navigationItem()->setRightBarButtonItem(BarButtonItem::withCustomView(segments_.get()).get());
}

void QVAnnouncementDetailController::segmentTapped(Object* sender)
{
    auto* control = dynamic_cast<SegmentedControl*>(sender);
    int index = control ? control->selectedSegmentIndex() : -1;
    if (index == 0 && !isLocked())
        _reply();
    else
        QuorvelInternal::dashboardRole().dismissRootControllerOrItsModal();
}

void QVAnnouncementDetailController::pressedBuy()
{
    auto* announcement = dynamic_cast<QVAnnouncement*>(thread_.get());
    if (!announcement || announcement->linkedClientApplicationId().empty() || !navigationController())
        return;
    // The game's description page, when the dashboard has one.
    if (auto screen = QVFeatureScreens::applicationDescription(announcement->linkedClientApplicationId(),
                                                               "announcementDetailBuy"))
        navigationController()->pushViewController(screen.get(), true);
}

Ref<View> QVAnnouncementDetailController::buildHeader(InterfaceBuilder& b)
{
    float width = rowWidth();
    auto header = b.makeView<View>(Rect(0, 0, width, 160));
    header->setBackgroundColor(Color::whiteColor());
    detailWrapperView_ = b.makeView<View>(Rect(0, 0, width, kMinDetailHeight));
    titleLabel_ = makeLabel(Rect(12, 8, width - 24, 22), 17, true);
    bodyWrapperView_ = b.makeView<View>(Rect(0, 34, width, 60));
    bodyLabel_ = makeLabel(Rect(12, 0, width - 24, 60), 14, false);
    bodyLabel_->setNumberOfLines(0);
    bodyWrapperView_->addSubview(bodyLabel_.get());
    buyButton_ = b.makeButton(Button::Type::RoundedRect, Rect(width - 92, 8, 80, 26));
    buyButton_->setTitle("Buy", StateNormal);
    buyButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVAnnouncementDetailController, pressedBuy)), TouchUpInside);
    detailWrapperView_->addSubview(titleLabel_.get());
    detailWrapperView_->addSubview(bodyWrapperView_.get());
    detailWrapperView_->addSubview(buyButton_.get());
    headerToolbarView_ = b.makeView<View>(Rect(0, kMinDetailHeight, width, 32));
    headerToolbarView_->setBackgroundColor(Color::rgb(0.85f, 0.87f, 0.9f));
    discussionLabel_ = makeLabel(Rect(12, 0, width - 24, 32), 13, true);
    discussionLabel_->setText("Discussion");
    headerToolbarView_->addSubview(discussionLabel_.get());
    header->addSubview(detailWrapperView_.get());
    header->addSubview(headerToolbarView_.get());
    return header;
}

void QVAnnouncementDetailController::onTableHeaderCreated(ViewController*)
{
    View* header = tableHeaderView_.get();
    if (!header || !titleLabel_)
        return;
    View* sizing = view();
    if (auto* wrapper = dynamic_cast<QVFramedContentWrapperView*>(sizing))
        sizing = wrapper->wrappedView();
    float width = sizing ? sizing->frame().size.width : rowWidth();

    titleLabel_->setText(thread_ ? thread_->title() : std::string());
    bodyLabel_->setText(firstPost_ ? firstPost_->body() : std::string());
    float bodyHeight = textSize(bodyLabel_.get(), bodyLabel_->text(), width - 24).height;
    Rect body = bodyLabel_->frame();
    body.size = platform::Size(width - 24, bodyHeight);
    bodyLabel_->setFrame(body);
    Rect wrapper = bodyWrapperView_->frame();
    wrapper.size = platform::Size(width, bodyHeight);
    bodyWrapperView_->setFrame(wrapper);
    float detailHeight = std::max(bodyHeight + 12 + wrapper.origin.y, kMinDetailHeight);
    detailWrapperView_->setFrame(Rect(0, 0, width, detailHeight));

    headerToolbarView_->setHidden(isLocked());
    Rect toolbar = headerToolbarView_->frame();
    toolbar.origin.y = detailHeight;
    toolbar.size.width = width;
    headerToolbarView_->setFrame(toolbar);
    float height = detailHeight + (isLocked() ? 0 : toolbar.size.height - 1);
    header->setFrame(Rect(0, 0, width, height));

    auto* announcement = dynamic_cast<QVAnnouncement*>(thread_.get());
    buyButton_->setHidden(!announcement || announcement->linkedClientApplicationId().empty());
    if (tableView())
        tableView()->setTableHeaderView(header);
}

} // namespace quorvel
