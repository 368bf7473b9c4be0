// The game's forum topics ("Forums & Chat"); the topic without an id leads to
// the global chat rooms.
#include "social/dashboard/forums/QVForumTopicListController.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVForumService.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using namespace layout;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVForumTopicListController);
QV_REGISTER_CLASS(QVForumTopicCell);

Ref<QVForumTopicListController> QVForumTopicListController::topicBrowser()
{
    Ref<ViewController> loaded = QVControllerLoader::load("ForumTopicList");
    return Ref<QVForumTopicListController>(
        loaded ? requireCast<QVForumTopicListController>(loaded, "The forum list must browse the topics") : nullptr);
}

QVService* QVForumTopicListController::getService() { return QVForumService::sharedService(); }

void QVForumTopicListController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVForumTopic>("ForumTopic");
}

void QVForumTopicListController::viewWillAppear(bool animated)
{
    setTitle("Forums & Chat");
    QVTableSequenceControllerHelper::viewWillAppear(animated);
}

void QVForumTopicListController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto* game = dynamic_cast<QVResource*>(getPageContextGame());
    Ref<Object> local;
    if (!game) {
        local = QuorvelInternal::sessionRole().localGameProfileInfo();
        game = dynamic_cast<QVResource*>(local.get());
    }
    QVForumService::getTopicsForApplication(game ? game->resourceId() : std::string(), onSuccess, onFailure);
}

void QVForumTopicListController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* topic = dynamic_cast<QVForumTopic*>(resource);
    if (!topic || !navigationController())
        return;
    if (!topic->resourceId().empty()) {
        if (auto threads = QVFeatureScreens::forumThreadList(topic))
            navigationController()->pushViewController(threads.get(), true);
        return;
    }
    // The entry without an id is the global chat.
    if (Ref<ViewController> rooms = QVFeatureScreens::chatRooms(true, false, false))
        navigationController()->pushViewController(rooms.get(), true);
}

bool QVForumTopicCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 44));
    topicIcon_ = ImageView::imageViewWithFrame(Rect(8, 8, 28, 28));
    titleLabel_ = makeLabel(Rect(44, 0, width - 76, 44), 16, true);
    titleLabel_->setAutoresizingMask(FlexibleWidth); // the row is narrower than the dashboard
    contentView()->addSubview(topicIcon_.get());
    contentView()->addSubview(titleLabel_.get());
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVForumTopicCell::showResource(QVForumTopic* topic)
{
    titleLabel_->setText(topic->title());
    topicIcon_->setImage(QVLoadKitImage(topic->resourceId().empty() ? "QVIconChat.png" : "QVForumTopicSmall.png").get());
}

} // namespace quorvel
