// QVWhosPlayingController ("WhosPlaying"): the friends who play a game (the
// running one unless another is set), with the game's score and the overall
// score of each; none yet invites the player to import friends.
#pragma once

#include "platform/ui/Label.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace quorvel {

class QVWhosPlayingCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVWhosPlayingCell)
public:
    static constexpr float kHeight = 54;

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    void onResourceChanged(platform::Object* resource) override;
    bool hasConstantHeight() override { return true; }

    QVImageView* profilePictureView() const { return profilePictureView_.get(); }
    platform::ui::Label* nameLabel() const { return nameLabel_.get(); }
    platform::ui::Label* lastPlayedGameLabel() const { return lastPlayedGameLabel_.get(); }
    platform::ui::Label* gamerScoreLabel() const { return gamerScoreLabel_.get(); }
    platform::ui::Label* appGamerScoreLabel() const { return appGamerScoreLabel_.get(); }
    platform::ui::Label* onlineLabel() const { return onlineLabel_.get(); }
    // What the two scores are.
    platform::ui::Label* appGamerScoreCaption() const { return appGamerScoreCaption_.get(); }
    platform::ui::Label* gamerScoreCaption() const { return gamerScoreCaption_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVWhosPlayingCell() = default;

private:
    platform::Ref<QVImageView> profilePictureView_;
    platform::Ref<platform::ui::Label> nameLabel_;
    platform::Ref<platform::ui::Label> lastPlayedGameLabel_;
    platform::Ref<platform::ui::Label> gamerScoreLabel_;
    platform::Ref<platform::ui::Label> appGamerScoreLabel_;
    platform::Ref<platform::ui::Label> onlineLabel_;
    platform::Ref<platform::ui::Label> appGamerScoreCaption_;
    platform::Ref<platform::ui::Label> gamerScoreCaption_;
};

class QVWhosPlayingController : public QVTableSequenceControllerHelper, public QVGameScopedScreen {
    QV_DECLARE_CLASS(QVWhosPlayingController)
public:
    static constexpr const char* kNoFriends = "None of your friends have played this game.  Why don't you tell them about it?";

    const std::string& applicationId() const { return applicationId_; }
    void setApplicationId(std::string id) { applicationId_ = std::move(id); }
    void setApplicationName(std::string name) { applicationName_ = std::move(name); }
    void setApplicationIconUrl(std::string url) { applicationIconUrl_ = std::move(url); }
    void scopeToGame(QVGameProfilePageInfo* info) override;
    void setUserId(std::optional<std::string> id) { userId_ = std::move(id); }
    bool performSetter(const std::string& setterName, platform::Object* value) override;

    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    bool usePlainTableSectionHeaders() override { return true; }
    std::string getNoDataFoundMessage() override { return kNoFriends; }
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    platform::Ref<platform::ui::View> createPlainTableSectionHeader(int section) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVWhosPlayingController() = default;
    ~QVWhosPlayingController() override;

private:
    std::string applicationId_;
    std::string applicationName_;
    std::string applicationIconUrl_;
    std::optional<std::string> userId_;
};

} // namespace quorvel
