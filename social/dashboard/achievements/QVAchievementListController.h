// QVAchievementListController: the achievements of one game, 25 to a page.
// For the player alone each row shows progress (QVAchievementProgressionList);
// compared with another user each row shows both users' state
// (QVAchievementCompareListCell) under a leading row naming the game with both
// users' pictures. Secret achievements keep their texts hidden until unlocked.
//
// The row cell is chosen by postPushAchievementListController, which the page
// that pushes the list sends before the first load, and again whenever the
// page's users change.
#pragma once

#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVPlayedGame;

class QVAchievementListController : public QVTableSequenceControllerHelper,
                                    public QVProfileFrame,
                                    public QVAchievementListScreen,
                                    public QVGameScopedScreen {
    QV_DECLARE_CLASS(QVAchievementListController)
public:
    void viewDidLoad() override;
    static constexpr const char* kSecretTitle = "Secret";
    static constexpr const char* kSecretDescription = "You must unlock this achievement to view its description.";

    const std::string& applicationName() const { return applicationName_; }
    void setApplicationName(const std::string& name) { applicationName_ = name; }
    const std::string& applicationId() const { return applicationId_; }
    void setApplicationId(const std::string& id) { applicationId_ = id; }
    const std::string& applicationIconUrl() const { return applicationIconUrl_; }
    void setApplicationIconUrl(const std::string& url) { applicationIconUrl_ = url; }
    bool doesUserHaveApplication() const { return doesUserHaveApplication_; }
    void setDoesUserHaveApplication(bool has) { doesUserHaveApplication_ = has; }

    void postPushAchievementListController() override;
    void scopeToGame(QVGameProfilePageInfo* info) override;
    void populateContextualDataFromPlayedGame(const QVPlayedGame& game);
    void profileUsersChanged(QVUser* user, QVUser* comparedToUser) override;
    bool supportsComparison() override { return true; }

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    QVService* getService() override;
    std::string getNoDataFoundMessage() override { return "There are no achievements for " + applicationName_; }
    std::optional<std::string> getTableHeaderControllerName() override { return std::nullopt; }
    std::optional<std::string> getLeadingCellControllerNameForSection(int section) override;
    void onLeadingCellWasLoaded(platform::ui::TableViewCell* cell, int section) override;
    void onCellWasClicked(platform::Object*, platform::ui::IndexPath) override { }
    bool performSetter(const std::string& setterName, platform::Object* value) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVAchievementListController() = default;

private:
    std::string comparedUserId() const;

    std::string applicationName_;
    std::string applicationId_;
    std::string applicationIconUrl_;
    bool doesUserHaveApplication_ { false };
    std::string achievementCellName_;
};

} // namespace quorvel
