// The screens through which the game sends a challenge and reports its result.
//
// QVSendChallengeController ("Challenge Friends") lists the friends who play
// the game; the player picks some (in picking order), may add a message and
// sends. In result mode ("Challenge Result") the list offers the challenger
// and the header (QVCompletedChallengeHeaderController) shows the result with
// "Send Result As Challenge". A result that cannot be sent back opens the
// result header alone with "Try Again" or "OK". Every way out closes the
// dashboard and tells the game's challenge delegate.
#pragma once

#include "platform/foundation/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/dashboard/challenges/QVChallengeDetailController.h"
#include "social/services/QVChallengeService.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVTextControls.h"
#include "social/ui/QVViewController.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVChallengeDefinition;
class QVChallengeToUser;
class QVUser;

class QVSendChallengeController : public QVTableSequenceControllerHelper,
                                  public QVChallengeScreenController,
                                  public QVSelfClosingChallengeScreen,
                                  public QVFramedNavigationControllerBehavior {
    QV_DECLARE_CLASS(QVSendChallengeController)
public:
    // Refreshes after the first wait this long behind the loading screen.
    static constexpr double kStallSeconds = 5.0;

    const std::string& challengeDefinitionId() const { return challengeDefinitionId_; }
    void setChallengeDefinitionId(const std::string& id) { challengeDefinitionId_ = id; }
    const std::string& challengeText() const { return challengeText_; }
    void setChallengeText(const std::string& text) { challengeText_ = text; }
    const std::string& hiddenText() const { return hiddenText_; }
    void setHiddenText(const std::string& text) { hiddenText_ = text; }
    const std::optional<platform::Bytes>& challengeData() const { return challengeData_; }
    void setChallengeData(std::optional<platform::Bytes> data) { challengeData_ = std::move(data); }
    const std::optional<platform::Bytes>& resultData() const { return resultData_; }
    void setResultData(std::optional<platform::Bytes> data) { resultData_ = std::move(data); }
    QVChallengeToUser* userChallenge() const { return userChallenge_.get(); }
    void setUserChallenge(QVChallengeToUser* record);
    bool isCompleted() const { return isCompleted_; }
    void setIsCompleted(bool completed) { isCompleted_ = completed; }
    const std::vector<platform::Ref<QVUser>>& selectedUsers() const { return mSelectedUsers; }

    void setChallengeScreen(const QVChallengeScreen& screen) override;

    void toggleSelectionOfUser(QVUser* user);
    // Picks the user now when its row is listed, else when its row arrives.
    void preselectUser(QVUser* user);
    QVUser* pendingPick() const { return pendingPick_.get(); }
    void submitChallenge();
    void submitChallengeBack();
    std::optional<std::string> getUserMessage(platform::ui::TextField* field);
    void challengeSubmittedSuccess(platform::Object*);
    void challengeSubmittedFailure(platform::Object*);
    void cancel();
    void addCloseButtonCallingCancel() override;
    void tryChallengeAgain();
    void showSubmitFailedMessage();
    void showNoConnectionMessage();
    void showNoFriendsSelectedMessage();
    void _refreshDataNow(const QVDelegate& onSuccess, const QVDelegate& onFailure);

    void populateResourceMap(QVResourceControllerMap& map) override;
    QVService* getService() override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onSectionsCreated(const std::optional<Sections>& sections) override;
    void onResourcesDownloaded(QVPaginatedSeries* series) override;
    std::optional<std::string> getTableHeaderControllerName() override;
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    std::string getNoDataFoundMessage() override;
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPathInTable) override;
    void onCell(QVTableCellHelper* cell, platform::Object* resource) override;
    void tableViewWillDisplayCell(platform::ui::TableView* table, platform::ui::TableViewCell* cell,
                                  platform::ui::IndexPath indexPath) override;
    bool usePlainTableSectionHeaders() override { return true; }
    bool canReceiveCallbacksNow() override { return true; }
    std::optional<bool> shouldShowNavBar() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSendChallengeController() = default;
    ~QVSendChallengeController() override;

private:
    void send(bool back);
    platform::ui::TextField* headerMessageField();

    std::string challengeDefinitionId_;
    std::string challengeText_;
    std::string hiddenText_;
    std::optional<platform::Bytes> challengeData_;
    std::optional<platform::Bytes> resultData_;
    platform::Ref<QVChallengeToUser> userChallenge_;
    bool isCompleted_ { false };
    std::vector<platform::Ref<QVUser>> mSelectedUsers;
    platform::Ref<QVUser> pendingPick_;
    bool rechallenge_ { false };
    bool stallNextRefresh_ { false };
    // A stalled refresh's wait; the timer holds the request's callbacks.
    platform::Ref<platform::Timer> stallTimer_;
};

} // namespace quorvel
