// The kinds of chat room the player can join; the room joined last leads the
// list. A kind with one room is joined at once, else its rooms are listed.
#include "social/dashboard/chat/QVSelectChatRoomDefinitionController.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/chat/QVSelectChatRoomInstanceController.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVChatServices.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using namespace common;
using namespace layout;
using platform::Object;
using platform::Rect;
using platform::Ref;

namespace {

bool boxedBool(Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    return boxed && boxed->value().asBool();
}

} // namespace

QV_REGISTER_CLASS(QVSelectChatRoomDefinitionController);
QV_REGISTER_CLASS(QVChatRoomDefinitionCell);

QVService* QVSelectChatRoomDefinitionController::getService() { return QVChatRoomDefinitionService::sharedService(); }

void QVSelectChatRoomDefinitionController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVChatRoomDefinition>("ChatRoomDefinition");
    map.addResource<QVChatRoomInstance>("ChatRoomInstance");
}

void QVSelectChatRoomDefinitionController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVChatRoomDefinitionService::getPage(1, includeGlobalRooms, includeDeveloperRooms, includeApplicationRooms, true,
                                         onSuccess, onFailure);
}

bool QVSelectChatRoomDefinitionController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setIncludeGlobalRooms")
        includeGlobalRooms = boxedBool(value);
    else if (setterName == "setIncludeApplicationRooms")
        includeApplicationRooms = boxedBool(value);
    else if (setterName == "setIncludeDeveloperRooms")
        includeDeveloperRooms = boxedBool(value);
    else
        return QVTableSequenceControllerHelper::performSetter(setterName, value);
    return true;
}

void QVSelectChatRoomDefinitionController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    if (title().empty() && navigationItem()->title().empty())
        setTitle("Chat Rooms");
    // The room joined last leads the list with its current occupancy.
    QVChatRoomInstance* last = QVChatRoomInstanceService::getCachedLastRoomJoined();
    if (!last || !sections_ || sections_->empty())
        return;
    QVPaginatedSeries* first = (*sections_)[0]->page();
    if (first && first->count() == 1 && dynamic_cast<QVChatRoomInstance*>(first->objectAtIndex(0))) {
        first->objects()[0] = Ref<Object>(last);
    } else {
        auto section = QVTableSectionDescription::sectionWithTitle(kLastVisitedTitle,
                                                                   QVPaginatedSeries::paginatedSeriesWithObject(last));
        sections_->insert(sections_->begin(), section);
    }
    _reloadTableData();
}

void QVSelectChatRoomDefinitionController::onCellWasClicked(Object* resource, IndexPath)
{
    if (auto* definition = dynamic_cast<QVChatRoomDefinition*>(resource)) {
        showLoadingScreen();
        QVChatRoomInstanceService::getPage(
            1, definition,
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomDefinitionController, onLoadedInstances))),
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomDefinitionController, onFailedLoadingInstances))));
    } else if (auto* room = dynamic_cast<QVChatRoomInstance*>(resource)) {
        showLoadingScreen();
        attemptToJoinRoom(room);
    }
}

bool QVSelectChatRoomDefinitionController::hideLoadingScreenIfInHiddenTab()
{
    if (!isInHiddenTab())
        return false;
    hideLoadingScreen();
    return true;
}

void QVSelectChatRoomDefinitionController::onLoadedInstances(Object* answer)
{
    if (hideLoadingScreenIfInHiddenTab())
        return;
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    std::vector<Ref<QVChatRoomInstance>> rooms;
    for (const auto& o : series->objects())
        if (auto* room = dynamic_cast<QVChatRoomInstance*>(o.get()))
            rooms.emplace_back(room);
    if (rooms.empty()) {
        onFailedLoadingInstances(nullptr);
    } else if (rooms.size() == 1) {
        attemptToJoinRoom(rooms.front().get());
    } else {
        hideLoadingScreen();
        Ref<ViewController> loaded = QVControllerLoader::load("SelectChatRoomInstance");
        auto screen = Ref<QVSelectChatRoomInstanceController>(
            loaded ? requireCast<QVSelectChatRoomInstanceController>(loaded, "The room choice must take its rooms") : nullptr);
        if (screen && navigationController()) {
            screen->setPreLoadedChatRoomInstances(QVPaginatedSeries::paginatedSeriesFromSeries(*series));
            navigationController()->pushViewController(screen.get(), true);
        }
    }
}

void QVSelectChatRoomDefinitionController::onFailedLoadingInstances(Object*)
{
    hideLoadingScreen();
    if (!isShowingErrorScreen(navigationController()))
        pushDeadEnd(navigationController(), kLoadRoomsFailed);
}

void QVSelectChatRoomDefinitionController::attemptToJoinRoom(QVChatRoomInstance* room)
{
    if (hideLoadingScreenIfInHiddenTab())
        return;
    QVChatRoomInstanceService::attemptToJoinRoom(
        room, false,
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomDefinitionController, onJoinedRoom))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomDefinitionController, onFailedToJoinRoom))));
}

void QVSelectChatRoomDefinitionController::onJoinedRoom(Object*)
{
    if (hideLoadingScreenIfInHiddenTab())
        return;
    hideLoadingScreen();
    QVSelectChatRoomInstanceController::pushChatRoom(QVChatRoomInstanceService::getCachedLastRoomJoined(),
                                                     navigationController());
}

void QVSelectChatRoomDefinitionController::onFailedToJoinRoom(Object*)
{
    hideLoadingScreen();
    if (!isShowingErrorScreen(navigationController()))
        QVSelectChatRoomInstanceController::pushRoomFullScreen(navigationController());
}

void QVSelectChatRoomDefinitionController::onClickedButton()
{
    if (QVChatRoomInstance* last = QVChatRoomInstanceService::getCachedLastRoomJoined()) {
        showLoadingScreen();
        attemptToJoinRoom(last);
    }
}

Ref<ImageAsset> QVChatRoomDefinitionCell::getChatIconForChatType(const std::string&, bool full)
{
    return QVLoadKitImage(std::string("QVIconChat") + (full ? "Full" : "") + ".png");
}

bool QVChatRoomDefinitionCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    setUpChatRoomRow(*this, 5, rowWidth() - 80);
    return true;
}

void QVChatRoomDefinitionCell::showResource(QVChatRoomDefinition* definition)
{
    if (auto* label = dynamic_cast<Label*>(contentView()->viewWithTag(1)))
        label->setText(definition->roomName());
    if (auto* icon = dynamic_cast<ImageView*>(contentView()->viewWithTag(5)))
        icon->setImage(getChatIconForChatType(definition->roomType(), false).get());
}

} // namespace quorvel
