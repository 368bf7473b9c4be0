// QVFindUserController ("FindUser"): searches players by name; a tapped one
// opens their profile.
#pragma once

#include "platform/ui/SearchBar.h"
#include "social/dashboard/friends/QVFindUserHeaderController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace quorvel {

class QVFindUserController : public QVTableSequenceControllerHelper, public platform::ui::SearchBarDelegate {
    QV_DECLARE_CLASS(QVFindUserController)
public:
    const std::string& currentName() const { return mCurrentName; }
    QVFindUserHeaderController* header() const;

    void searchBarSearchButtonClicked(platform::ui::SearchBar* searchBar) override;
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("FindUserHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    bool autoLoadData() override { return false; }
    std::string getDataNotLoadedYetMessage() override { return "Search for friends by their Quorvel name."; }
    std::string getNoDataFoundMessage() override { return "No user with that name was found."; }
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFindUserController() = default;

private:
    std::string mCurrentName;
};

} // namespace quorvel
