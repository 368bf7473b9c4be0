// The screen of one challenge, titled "Challenge": a header with the
// challenge in a speech bubble (QVChallengeDetailFrame) and a start button
// when the player may play it, over the list of the people who received it.
//
// Starting shows the loading screen, warns once about a one-shot challenge
// and downloads the challenge's data when it has any; the alert and the
// download may end in either order, and the challenge is handed to the game's
// challenge delegate (closing the dashboard) only after both.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeService.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <optional>
#include <string>

namespace quorvel {

class QVChallengeDetailController : public QVTableSequenceControllerHelper,
                                    public QVChallengeDetailSetup,
                                    public platform::ui::AlertViewDelegate {
    QV_DECLARE_CLASS(QVChallengeDetailController)
public:
    static constexpr const char* kEmptyData = "/empty.blob";

    const std::string& challengeId() const { return challengeId_; }
    void setChallengeId(const std::string& id) override { challengeId_ = id; }
    // Empty: the running game.
    const std::string& clientApplicationId() const { return clientApplicationId_; }
    void setClientApplicationId(const std::string& id) { clientApplicationId_ = id; }
    int list() const { return list_; }
    void setList(int list) { list_ = list; }
    bool challengeCompleted() const { return challengeCompleted_; }
    void setChallengeCompleted(bool completed) { challengeCompleted_ = completed; }
    QVChallengeToUser* userChallenge() const { return userChallenge_.get(); }
    void setUserChallenge(QVChallengeToUser* record);
    platform::ui::AlertView* oneShotAlertView() const { return oneShotAlertView_.get(); }

    void acceptChallenge(platform::Object* sender);
    void startChallenge();
    void _challengeDataDownloaded(platform::Object* data);
    void _challengeDataDownloadFailed(platform::Object*);
    void alertViewWillDismissWithButtonIndex(platform::ui::AlertView* alert, int index) override;

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onResourcesDownloaded(QVPaginatedSeries* series) override;
    void onSectionsCreated(const std::optional<Sections>& sections) override;
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("ChallengeDetailHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    std::string getNoDataFoundMessage() override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPathInTable) override;
    QVService* getService() override;
    bool usePlainTableSectionHeaders() override { return true; }
    bool canReceiveCallbacksNow() override { return true; }
    void viewWillAppear(bool animated) override;
    bool performSetter(const std::string& setterName, platform::Object* value) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChallengeDetailController() = default;
    ~QVChallengeDetailController() override;

private:
    bool usesChallengeData() const;

    std::string challengeId_;
    std::string clientApplicationId_;
    int list_ { 0 };
    bool challengeCompleted_ { false };
    platform::Ref<QVChallengeToUser> userChallenge_;
    platform::Ref<platform::ui::AlertView> oneShotAlertView_;
    std::optional<platform::Bytes> challengeData_;
};

// The speech bubble of a challenge: icon, title, description, result, and
// the challenger's picture, name and message.
class QVChallengeDetailFrame : public platform::ui::View {
    QV_DECLARE_CLASS(QVChallengeDetailFrame)
public:
    static platform::Ref<QVChallengeDetailFrame> frameWithWidth(float width);

    bool hasChallengeToUserBeenSet() const { return hasChallengeToUserBeenSet_; }
    platform::ui::Label* descriptionLabel() const { return descriptionLabel_.get(); }
    platform::ui::Label* resultLabel() const { return resultLabel_.get(); }
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* challengerNameLabel() const { return challengerNameLabel_.get(); }
    platform::ui::Label* challengerUserMessageLabel() const { return challengerUserMessageLabel_.get(); }
    platform::ui::ImageView* resultIcon() const { return resultIcon_.get(); }
    platform::ui::ImageView* speechBubble() const { return speechBubble_.get(); }
    platform::ui::ImageView* speechBubbleArrow() const { return speechBubbleArrow_.get(); }
    platform::ui::ImageView* frameArrow() const { return frameArrow_.get(); }
    QVImageView* challengeIconPictureView() const { return challengeIconPictureView_.get(); }
    QVImageView* challengerProfilePictureView() const { return challengerProfilePictureView_.get(); }

    void awakeFromNib() override;
    void setChallengeToUser(QVChallengeToUser* record);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChallengeDetailFrame() = default;

private:
    void build(float width);

    bool hasChallengeToUserBeenSet_ { false };
    platform::Ref<platform::ui::Label> descriptionLabel_;
    platform::Ref<platform::ui::Label> resultLabel_;
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> challengerNameLabel_;
    platform::Ref<platform::ui::Label> challengerUserMessageLabel_;
    platform::Ref<platform::ui::ImageView> resultIcon_;
    platform::Ref<platform::ui::ImageView> speechBubble_;
    platform::Ref<platform::ui::ImageView> speechBubbleArrow_;
    platform::Ref<platform::ui::ImageView> frameArrow_;
    platform::Ref<QVImageView> challengeIconPictureView_;
    platform::Ref<QVImageView> challengerProfilePictureView_;
};

// One recipient: tag 1 picture, 2 name, 4 result icon, 5 result, 7 attempts.
class QVChallengeDetailCell : public QVResourceCell<QVChallengeToUser> {
    QV_DECLARE_CLASS(QVChallengeDetailCell)
public:
    enum Tag { kPicture = 1, kName = 2, kResultIcon = 4, kResult = 5, kAttempts = 7 };
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVChallengeToUser* record) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChallengeDetailCell() = default;
};

} // namespace quorvel
