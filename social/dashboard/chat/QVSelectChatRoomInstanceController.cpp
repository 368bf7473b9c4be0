// The rooms of one kind of chat room, and joining one.
#include "social/dashboard/chat/QVSelectChatRoomInstanceController.h"

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/chat/QVChatRoomController.h"
#include "social/dashboard/chat/QVSelectChatRoomDefinitionController.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVChatServices.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVScreenProtocols.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using namespace common;
using namespace layout;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVSelectChatRoomInstanceController);
QV_REGISTER_CLASS(QVChatRoomInstanceCell);

void QVSelectChatRoomInstanceController::pushChatRoom(QVChatRoomInstance* room, NavigationController* nav)
{
    if (!nav || !room)
        return;
    Ref<ViewController> loaded = QVControllerLoader::load("ChatRoom");
    auto screen = Ref<QVChatRoomController>(
        loaded ? requireCast<QVChatRoomController>(loaded, "The chat room screen must take its room") : nullptr);
    if (!screen)
        return;
    screen->setRoomInstance(room);
    nav->pushViewController(screen.get(), true);
}

void QVSelectChatRoomInstanceController::pushRoomFullScreen(NavigationController* nav)
{
    pushDeadEnd(nav, kRoomFullMessage);
}

QVService* QVSelectChatRoomInstanceController::getService() { return QVChatRoomInstanceService::sharedService(); }

void QVSelectChatRoomInstanceController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVChatRoomInstance>("ChatRoomInstance");
}

void QVSelectChatRoomInstanceController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    onSuccess.invoke(preLoaded_.get());
}

void QVSelectChatRoomInstanceController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* room = dynamic_cast<QVChatRoomInstance*>(resource);
    if (!room)
        return;
    showLoadingScreen();
    QVChatRoomInstanceService::attemptToJoinRoom(
        room, false,
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomInstanceController, onJoinedRoom))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectChatRoomInstanceController, onFailedToJoinRoom))));
}

void QVSelectChatRoomInstanceController::onJoinedRoom(Object*)
{
    hideLoadingScreen();
    if (!isInHiddenTab())
        pushChatRoom(QVChatRoomInstanceService::getCachedLastRoomJoined(), navigationController());
}

void QVSelectChatRoomInstanceController::onFailedToJoinRoom(Object*)
{
    hideLoadingScreen();
    if (!isShowingErrorScreen(navigationController()))
        pushRoomFullScreen(navigationController());
}

void setUpChatRoomRow(QVTableCellHelper& row, int iconTag, float nameWidth, std::initializer_list<View*> more)
{
    row.setFrame(Rect(0, 0, rowWidth(), 44));
    auto icon = ImageView::imageViewWithFrame(Rect(8, 6, 32, 32));
    icon->setTag(iconTag);
    auto label = makeLabel(Rect(48, 0, nameWidth, 44), 17, true);
    label->setTag(1);
    // Laid out for the dashboard's width; the row is narrower (the list's inset, the disclosure arrow).
    label->setAutoresizingMask(FlexibleWidth);
    addSubviews(row.contentView(), { icon.get(), label.get() });
    addSubviews(row.contentView(), more);
    row.setAccessoryType(CellAccessoryType::DisclosureIndicator);
    row.setSelectionStyle(CellSelectionStyle::Gray);
}

bool QVChatRoomInstanceCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    const float width = rowWidth();
    auto occupancy = makeLabel(Rect(width - 90, 0, 60, 44), 14, false);
    occupancy->setTag(2);
    occupancy->setTextAlignment(platform::TextAlignment::Right);
    occupancy->setAutoresizingMask(FlexibleLeftMargin);
    setUpChatRoomRow(*this, 4, width - 140, { occupancy.get() });
    return true;
}

void QVChatRoomInstanceCell::showResource(QVChatRoomInstance* room)
{
    bool full = room->numUsersInRoom() == room->maxNumUsersInRoom();
    if (auto* label = dynamic_cast<Label*>(contentView()->viewWithTag(1)))
        label->setText(room->roomName());
    if (auto* occupancy = dynamic_cast<Label*>(contentView()->viewWithTag(2))) {
        char text[32];
        std::snprintf(text, sizeof text, "%d/%d", room->numUsersInRoom(), room->maxNumUsersInRoom());
        occupancy->setText(text);
        occupancy->setTextColor(full ? Color::rgb(1, 0, 0) : Color::rgb(0.278f, 0.278f, 0.278f));
    }
    if (auto* icon = dynamic_cast<ImageView*>(contentView()->viewWithTag(4)))
        icon->setImage(QVChatRoomDefinitionCell::getChatIconForChatType(room->roomType(), full).get());
}

} // namespace quorvel
