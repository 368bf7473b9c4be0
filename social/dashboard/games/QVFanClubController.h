// QVFanClubController ("FanClub"): the game's fan club, a menu of ways to
// support the game — favourite it, invite a friend, read the developer's
// announcements, subscribe to the newsletter, suggest a feature and see more
// games — each row shown only where the game offers it.
#pragma once

#include "social/dashboard/common/QVFanClubCell.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVTableStaticControllerHelper.h"

#include <string>
#include <vector>

namespace quorvel {

class QVGameProfilePageInfo;

class QVFanClubController : public QVTableStaticControllerHelper, public QVBannerProvider {
    QV_DECLARE_CLASS(QVFanClubController)
public:
    std::optional<Sections> buildTableSectionDescriptions() override;
    void tableViewDidSelectRowAtIndexPath(platform::ui::TableView* table, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;

    // The rows' own actions.
    platform::Ref<platform::ui::ViewController> inviteFriends();
    platform::Ref<platform::ui::ViewController> createSuggestionBrowser();
    platform::Ref<platform::ui::ViewController> createDeveloperRecommendationsBrowser();

    const std::vector<platform::Ref<QVFanClubCell>>& rows() const { return rows_; }
    QVFanClubCell* rowTitled(const std::string& title) const;
    bool registeredView() const { return registeredView_; }

    bool isBannerAvailableNow() override { return false; }
    std::string bannerCellControllerName() override { return "GameDiscoveryImageHyperlink"; }
    platform::Object* getBannerResource() override { return nullptr; }
    void onBannerClicked() override { }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFanClubController() = default;

private:
    QVGameProfilePageInfo* pageGame() const;

    std::vector<platform::Ref<QVFanClubCell>> rows_;
    std::vector<std::string> controllerNames_;
    bool registeredView_ { false };
};

} // namespace quorvel
