// QVAchievement: one achievement of the game with the player's progress on it
// (element "achievement"), and the public class through which the game raises
// progress, unlocks, holds updates back for a later batch and fetches icons.
//
// An achievement object is a snapshot: raising its progress does not change
// its own percentComplete; read it again (achievement()) to see the stored
// value. Outcomes reach the class-wide QVAchievementDelegate (a weak link;
// every method optional). Clearing the delegate forgets the class's
// outstanding requests: they run on and their answers reach nobody.
#pragma once

#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVServicePublicClass.h"

#include "platform/foundation/Value.h"
#include "platform/graphics/Image.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVSqlQuery;
class QVAchievement;

class QVAchievementDelegate {
public:
    virtual ~QVAchievementDelegate() = default;
    virtual void didUpdateProgressionCompleteQVAchievement(QVAchievement*) { }
    virtual void didFailUpdateProgressionCompleteQVAchievement(QVAchievement*) { }
    virtual void didSubmitDeferredAchievements() { }
    virtual void didFailSubmittingDeferredAchievements() { }
    virtual void didGetIcon(platform::Image*, QVAchievement*) { }
    virtual void didFailGetIconQVAchievement(QVAchievement*) { }
};

class QVAchievement : public QVResource, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVAchievement)
public:
    static platform::Ref<QVAchievement> create() { return platform::adoptRef(new QVAchievement); }
    // A row of achievement_definitions joined with the player's progress
    // (columns of the definition plus "unlocked_date").
    static platform::Ref<QVAchievement> initWithLocalSQL(const QVSqlQuery& row);

    static std::string getResourceName() { return "achievement"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_achievement_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    // -- the public class
    // The stored achievement with the player's progress; an achievement
    // carrying only the id when the store has none.
    static platform::Ref<QVAchievement> achievement(const std::string& achievementId);
    static std::vector<platform::Ref<QVAchievement>> achievements();
    static void setDelegate(QVAchievementDelegate* delegate);
    static QVAchievementDelegate* delegate();
    static void setCustomUrlForSocialNotificaion(const std::string& url);
    static platform::Ref<QVRequestHandle> submitDeferredAchievements();

    // The outcome reaches the delegate; before the client starts, its failure.
    platform::Ref<QVRequestHandle> updateProgressionComplete(double percentComplete, bool showNotification);
    platform::Ref<QVRequestHandle> unlock();
    void deferUpdateProgressionComplete(double percentComplete, bool showNotification);
    void unlockAndDefer() { deferUpdateProgressionComplete(100, false); }
    // The icon: at once to the delegate when cached (null answer), else the
    // download's handle.
    platform::Ref<QVRequestHandle> getIcon();

    // -- fields
    const std::optional<std::string>& title() const { return title_; }
    // (description() is the object's own debug text.)
    const std::optional<std::string>& achievementDescription() const { return description_; }
    uint32_t gamerscore() const { return gamerscore_; }
    const std::string& iconUrl() const { return iconUrl_; }
    bool isSecret() const { return isSecret_; }
    double percentComplete() const { return percentComplete_; }
    const std::optional<platform::Date>& unlockDate() const { return unlockDate_; }
    bool isUnlockedByComparedToUser() const { return isUnlockedByComparedToUser_; }
    const std::string& comparedToUserId() const { return comparedToUserId_; }
    const std::optional<std::string>& endVersion() const { return endVersion_; }
    const std::optional<std::string>& startVersion() const { return startVersion_; }
    uint32_t position() const { return position_; }
    bool isUnlocked() const { return percentComplete_ >= 100; }

    void setTitle(const std::string& text) { title_ = text; }
    void setDescription(const std::string& text) { description_ = text; }
    void setGamerscoreFromString(const std::string& text) { gamerscore_ = QVFieldUnsigned::read(text); }
    void setIconUrl(const std::string& text) { iconUrl_ = text; }
    void setIsSecretFromString(const std::string& text) { isSecret_ = QVFieldBool::read(text); }
    void setPercentComplete(const std::string& text) { percentComplete_ = QVFieldDouble::read(text); }
    void setPercentCompleteValue(double percent) { percentComplete_ = percent; }
    void setIsUnlockedByComparedToUserFromString(const std::string& text)
    {
        isUnlockedByComparedToUser_ = QVFieldBool::read(text);
    }
    void setComparedToUserId(const std::string& text) { comparedToUserId_ = text; }
    // "yyyy-MM-dd HH:mm:ss" is read as GMT; a trailing zone name (GMT, UTC,
    // GMT+hh:mm, +hhmm) is honoured; anything else gives no date.
    void setUnlockDateFromString(const std::string& text);
    void setUnlockDate(std::optional<platform::Date> date) { unlockDate_ = date; }
    void setPositionFromString(const std::string& text) { position_ = QVFieldUnsigned::read(text); }
    void setEndVersion(const std::string& text) { endVersion_ = text; }
    void setStartVersion(const std::string& text) { startVersion_ = text; }

    void _updateSuccess(platform::Object*);
    void _updateFailure(platform::Object*);

    bool canReceiveCallbacksNow() override { return true; }

private:
    QVAchievement() = default;
    // `call` names the game's call in the warning given before the client starts.
    platform::Ref<QVRequestHandle> updateProgression(const char* call, double percentComplete, bool showNotification);

    std::optional<std::string> title_;
    std::optional<std::string> description_;
    uint32_t gamerscore_ { 0 };
    std::string iconUrl_;
    bool isSecret_ { false };
    double percentComplete_ { 0 };
    std::optional<platform::Date> unlockDate_;
    bool isUnlockedByComparedToUser_ { false };
    std::string comparedToUserId_;
    std::optional<std::string> endVersion_;
    std::optional<std::string> startVersion_;
    uint32_t position_ { 0 };
    QVResourcePicture picture_;
};

// The class object of QVAchievement: its delegate, request module and the
// callbacks of the held-back batch.
class QVAchievementClass : public QVServicePublicClass<QVAchievementClass, QVAchievementDelegate> {
    friend class QVServicePublicClass<QVAchievementClass, QVAchievementDelegate>;
    QVAchievementClass() = default;

public:
    void _submitDeferredSuccess(platform::Object*);
    void _submitDeferredFailure(platform::Object*);
};

// The server's answer to a progress batch, one per achievement sent (element
// "unlocked_achievement"): the achievement as the server now holds it and
// whether the server refused this record.
class QVUnlockedAchievement : public QVResource {
    QV_DECLARE_RESOURCE(QVUnlockedAchievement)
public:
    static platform::Ref<QVUnlockedAchievement> create() { return platform::adoptRef(new QVUnlockedAchievement); }
    static std::string getResourceName() { return "unlocked_achievement"; }
    static std::string getResourceDiscoveredNotification() { return {}; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    QVAchievement* achievement() const { return achievement_.get(); }
    bool isInvalidResult() const { return isInvalidResult_; }
    double percentComplete() const { return percentComplete_; }
    // The answer's percentage was a finite number (a missing one reads as 0).
    bool hasReadablePercent() const { return hasReadablePercent_; }

    void setAchievement(platform::Ref<QVAchievement> a) { achievement_ = std::move(a); }
    void setResult(const std::string& text) { isInvalidResult_ = text == "invalid"; }
    void setPercentComplete(const std::string& text);
    void setPercentCompleteValue(double percent) { percentComplete_ = percent; }

private:
    QVUnlockedAchievement() = default;
    platform::Ref<QVAchievement> achievement_;
    bool isInvalidResult_ { false };
    double percentComplete_ { 0 };
    bool hasReadablePercent_ { true };
};

} // namespace quorvel
