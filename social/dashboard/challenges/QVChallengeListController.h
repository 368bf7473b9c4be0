// QVChallengeListController: a player's challenges of one game, in three
// modes: the pending challenges (0), the history of one challenge type (1) and
// the challenge types with the player's wins, losses and ties (2). Modes 0 and
// 2 are the "Pending" and "History" tabs of the list's header; a tap on a
// type opens its history, a tap on a challenge opens its detail. Compared
// with another user, every request is made against that user.
//
// Its rows: QVChallengeToUserCell (a received or sent challenge to one
// player), QVChallengeSentCell (a challenge sent to several) and
// QVChallengeDefinitionStatsCell (one type's tally). The first two reach their
// subviews by tag, so a layout can replace them.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/services/QVChallengeDefinition.h"

#include <string>

namespace quorvel {

class QVChallengeListController : public QVTableSequenceControllerHelper, public QVProfileFrame, public QVGameScopedScreen {
    QV_DECLARE_CLASS(QVChallengeListController)
public:
    void viewDidLoad() override;
    enum ListType { kPending = 0, kHistory = 1, kTypesWithStatistics = 2 };

    int listType() const { return listType_; }
    void setListType(int type) { listType_ = type; }
    // The game's pending challenges.
    void scopeToGame(QVGameProfilePageInfo* info) override;
    // Empty: the running game.
    const std::string& clientApplicationId() const { return clientApplicationId_; }
    void setClientApplicationId(const std::string& id) { clientApplicationId_ = id; }
    QVChallengeDefinitionStats* challengeDefinitionStats() const { return challengeDefinitionStats_.get(); }
    void setChallengeDefinitionStats(QVChallengeDefinitionStats* stats);

    platform::Object* getComparisonUser() const { return getPageComparisonUser(); }
    void onPendingSelected();
    void onHistorySelected();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    QVService* getService() override;
    std::optional<std::string> getTableHeaderControllerName() override;
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    void onSectionsCreated(const std::optional<Sections>& sections) override;
    platform::Ref<platform::ui::View> createPlainTableSectionHeader(int section) override;
    bool usePlainTableSectionHeaders() override { return true; }
    std::string getNoDataFoundMessage() override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPathInTable) override;
    void profileUsersChanged(QVUser*, QVUser*) override { reloadDataFromServer(); }
    bool supportsComparison() override { return true; }
    bool performSetter(const std::string& setterName, platform::Object* value) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChallengeListController() = default;

private:
    std::string comparedUserId() const;
    std::optional<std::string> applicationIdOrNil() const;

    int listType_ { kPending };
    std::string clientApplicationId_;
    platform::Ref<QVChallengeDefinitionStats> challengeDefinitionStats_;
};

// A challenge to one player: tag 1 the mark of a challenge the player sent,
// 2 title, 3 message, 4 the other player's picture, 5 status icon, 8 "To" /
// "From" the other player.
class QVChallengeToUserCell : public QVResourceCell<QVChallengeToUser> {
    QV_DECLARE_CLASS(QVChallengeToUserCell)
public:
    enum Tag { kSentMark = 1, kTitle = 2, kMessage = 3, kPicture = 4, kStatusIcon = 5, kOtherPlayer = 8 };
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVChallengeToUser* record) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChallengeToUserCell() = default;
};

// A challenge the player sent: tag 1 icon, 2 title, 3 description.
class QVChallengeSentCell : public QVResourceCell<QVChallenge> {
    QV_DECLARE_CLASS(QVChallengeSentCell)
public:
    enum Tag { kIcon = 1, kTitle = 2, kDescription = 3 };
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVChallenge* challenge) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChallengeSentCell() = default;
};

// One challenge type with the player's tally, or, compared with another
// user, both players' wins with the leader marked.
class QVChallengeDefinitionStatsCell : public QVResourceCell<QVChallengeDefinitionStats> {
    QV_DECLARE_CLASS(QVChallengeDefinitionStatsCell)
public:
    static constexpr const char* kWinnerIconName = "QVChallengeWinnerIcon.png";

    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    QVImageView* challengeIcon() const { return challengeIcon_.get(); }
    platform::ui::Label* winsLabel() const { return winsLabel_.get(); }
    platform::ui::Label* winsHeader() const { return winsHeader_.get(); }
    platform::ui::Label* lossesOrComparisonLabel() const { return lossesOrComparisonLabel_.get(); }
    platform::ui::Label* lossesOrComparisonHeader() const { return lossesOrComparisonHeader_.get(); }
    platform::ui::Label* tiesLabel() const { return tiesLabel_.get(); }
    platform::ui::Label* tiesHeader() const { return tiesHeader_.get(); }
    platform::ui::ImageView* winnerIcon() const { return winnerIcon_.get(); }

    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVChallengeDefinitionStats* stats) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChallengeDefinitionStatsCell() = default;

private:
    void markLeader(platform::ui::Label* label, platform::ui::Label* header);

    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<QVImageView> challengeIcon_;
    platform::Ref<platform::ui::Label> winsLabel_;
    platform::Ref<platform::ui::Label> winsHeader_;
    platform::Ref<platform::ui::Label> lossesOrComparisonLabel_;
    platform::Ref<platform::ui::Label> lossesOrComparisonHeader_;
    platform::Ref<platform::ui::Label> tiesLabel_;
    platform::Ref<platform::ui::Label> tiesHeader_;
    platform::Ref<platform::ui::ImageView> winnerIcon_;
};

} // namespace quorvel
