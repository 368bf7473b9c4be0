// The search by name: the request, its header and the tapped player.
#include "social/dashboard/friends/QVFindUserController.h"

#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVFindUserController);

QVFindUserHeaderController* QVFindUserController::header() const
{
    return dynamic_cast<QVFindUserHeaderController*>(tableHeaderController());
}

void QVFindUserController::onTableHeaderCreated(ViewController* header)
{
    // The search bar reports its search button to this screen.
    if (auto* find = dynamic_cast<QVFindUserHeaderController*>(header))
        find->searchBar()->setDelegate(this);
}

void QVFindUserController::searchBarSearchButtonClicked(SearchBar* searchBar)
{
    showLoadingScreen();
    if (platform::ui::Responder* first = platform::ui::Responder::firstResponder())
        first->resignFirstResponder();
    mCurrentName = searchBar ? searchBar->text() : std::string();
    reloadDataFromServer();
}

QVService* QVFindUserController::getService() { return QVUserService::sharedService(); }

void QVFindUserController::populateResourceMap(QVResourceControllerMap& map) { map.addResource<QVUser>("User"); }

void QVFindUserController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVUserService::findUsersByName(mCurrentName, 1, onSuccess, onFailure);
}

void QVFindUserController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVUserService::findUsersByName(mCurrentName, static_cast<int>(page), onSuccess, onFailure);
}

void QVFindUserController::onCellWasClicked(Object* resource, IndexPath)
{
    if (auto* user = dynamic_cast<QVUser*>(resource))
        QVDashboardSwitch::showProfileForUser(user);
}

} // namespace quorvel
