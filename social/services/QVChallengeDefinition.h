// Challenge definitions: the kinds of challenge a game declares (title, icon,
// owning game, whether a recipient may try more than once), the player's
// wins, losses and ties per definition, and the service that lists both.
//
// QVChallengeDefinition is also the game's public class for downloading
// definitions and their icons; answers reach the class-wide delegate (not
// retained; every method optional), and an empty answer counts as a failure.
#pragma once

#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVService.h"
#include "social/runtime/QVServicePublicClass.h"

#include "platform/graphics/Image.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVChallengeDefinition;

class QVChallengeDefinitionService : public QVSharedService<QVChallengeDefinitionService> {
public:
    static constexpr const char* kDownloadingChallengeInformation = "Downloading Challenge Information";
    static constexpr int kStatsPerPage = 20;

    void populateKnownResources(QVResourceNameMap& names) override;

    // Every definition of the game.
    platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    static platform::Ref<QVRequestHandle> getChallengeDefinitionIndex(const QVDelegate& onSuccess,
                                                                      const QVDelegate& onFailure);
    // An empty id fails at once with null and sends nothing.
    static platform::Ref<QVRequestHandle> getChallengeDefinitionWithId(const std::string& definitionId,
                                                                       const QVDelegate& onSuccess,
                                                                       const QVDelegate& onFailure);
    // A page of 20 definitions with the player's statistics, for the given
    // game (the running one when none) and compared with another player when
    // an id is given.
    static void getChallengeDefinitionStatsForLocalUser(int page,
                                                        const std::optional<std::string>& clientApplicationId,
                                                        const std::string& comparedToUserId,
                                                        const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void getChallengeDefinitionStatsForLocalUser(int page,
                                                        const std::optional<std::string>& clientApplicationId,
                                                        const QVDelegate& onSuccess, const QVDelegate& onFailure);

private:
    friend class QVSharedService<QVChallengeDefinitionService>;
    QVChallengeDefinitionService() = default;
};

class QVChallengeDefinitionDelegate {
public:
    virtual ~QVChallengeDefinitionDelegate() = default;
    virtual void didDownloadChallengeDefinition(QVChallengeDefinition*) { }
    virtual void didFailDownloadChallengeDefinition() { }
    virtual void didDownloadAllChallengeDefinitions(const std::vector<platform::Ref<QVChallengeDefinition>>&) { }
    virtual void didFailDownloadChallengeDefinitions() { }
    virtual void didGetIcon(platform::Image*, QVChallengeDefinition*) { }
    virtual void getFailGetIconQVChallengeDefinition(QVChallengeDefinition*) { }
};

class QVChallengeDefinition : public QVResource, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVChallengeDefinition)
public:
    static platform::Ref<QVChallengeDefinition> create() { return platform::adoptRef(new QVChallengeDefinition); }
    ~QVChallengeDefinition() override;

    static std::string getResourceName() { return "challenge_definition"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_challenge_definition_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVChallengeDefinitionService::sharedService(); }

    // A null delegate also forgets the class's running requests.
    static void setDelegate(QVChallengeDefinitionDelegate* delegate);
    static platform::Ref<QVRequestHandle> downloadChallengeDefinitionWithId(const std::string& definitionId);
    static platform::Ref<QVRequestHandle> downloadAllChallengeDefinitions();

    // The icon from the image cache (told to the delegate at once; null
    // answered) or downloaded (the transfer's handle, filed under the class).
    platform::Ref<QVRequestHandle> getIcon();

    const std::string& title() const { return title_; }
    const std::string& clientApplicationId() const { return clientApplicationId_; }
    const std::string& iconUrl() const { return iconUrl_; }
    bool multiAttempt() const { return multiAttempt_; }

    void setTitle(const std::string& text) { title_ = text; }
    void setClientApplicationId(const std::string& text) { clientApplicationId_ = text; }
    void setIconUrl(const std::string& text) { iconUrl_ = text; }
    void setMultiAttempt(const std::string& text) { multiAttempt_ = QVFieldBool::read(text); }
    std::string getMultiAttemptAsString() const { return QVFieldBool::write(multiAttempt_); }

    bool canReceiveCallbacksNow() override { return true; }

    // Callbacks of the requests and the icon download.

protected:
    QVChallengeDefinition() = default;

private:
    std::string title_;
    std::string clientApplicationId_;
    std::string iconUrl_;
    bool multiAttempt_ { false };
    QVResourcePicture picture_;
};

// One definition's tally for the local player (and a compared player).
class QVChallengeDefinitionStats : public QVResource {
    QV_DECLARE_RESOURCE(QVChallengeDefinitionStats)
public:
    static platform::Ref<QVChallengeDefinitionStats> create()
    {
        return platform::adoptRef(new QVChallengeDefinitionStats);
    }
    static std::string getResourceName() { return "challenge_definition_stats"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_challenge_definition_stats_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVChallengeDefinitionService::sharedService(); }

    QVChallengeDefinition* challengeDefinition() const { return challengeDefinition_.get(); }
    int localUsersWins() const { return localUsersWins_; }
    int localUsersLosses() const { return localUsersLosses_; }
    int localUsersTies() const { return localUsersTies_; }
    int comparedUsersWins() const { return comparedUsersWins_; }
    int comparedUsersLosses() const { return comparedUsersLosses_; }
    // The figures compare the player with another one: a compared count was sent.
    bool comparison() const { return comparison_; }

    // An empty text leaves 0; any other marks a comparison.
    void setComparedUsersWins(const std::string& text);
    void setComparedUsersLosses(const std::string& text);

protected:
    QVChallengeDefinitionStats() = default;

private:
    platform::Ref<QVChallengeDefinition> challengeDefinition_;
    int localUsersWins_ { 0 };
    int localUsersLosses_ { 0 };
    int localUsersTies_ { 0 };
    int comparedUsersWins_ { 0 };
    int comparedUsersLosses_ { 0 };
    bool comparison_ { false };
};

// The class object of QVChallengeDefinition: its delegate, request module and
// the callbacks of its class-wide downloads.
class QVChallengeDefinitionClass
    : public QVServicePublicClass<QVChallengeDefinitionClass, QVChallengeDefinitionDelegate> {
    friend class QVServicePublicClass<QVChallengeDefinitionClass, QVChallengeDefinitionDelegate>;
    QVChallengeDefinitionClass() = default;

public:
    void _downloadDefinitionSuccess(platform::Object* series);
    void _downloadDefinitionFailure(platform::Object*);
    void _downloadAllSuccess(platform::Object* series);
    void _downloadAllFailure(platform::Object*);
};

} // namespace quorvel
