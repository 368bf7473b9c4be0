// QVAbridgedHighScore: the server's short score record (element
// "abridged_score"): the score, its leaderboard and display text, and the
// scoring player's id, name, picture address and gamer score. Its profile
// picture comes from the image cache at once or is downloaded; the outcome
// reaches one class-wide QVAbridgedHighScoreDelegate (a weak link; clearing
// it forgets the class's outstanding downloads).
#pragma once

#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVServicePublicClass.h"

#include "platform/graphics/Image.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

class QVAbridgedHighScore;

class QVAbridgedHighScoreDelegate {
public:
    virtual ~QVAbridgedHighScoreDelegate() = default;
    virtual void didGetProfilePicture(platform::Image*, QVAbridgedHighScore*) { }
    virtual void didFailGetProfilePictureQVAbridgedHighScore(QVAbridgedHighScore*) { }
};

class QVAbridgedHighScore : public QVResource, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVAbridgedHighScore)
public:
    static platform::Ref<QVAbridgedHighScore> create() { return platform::adoptRef(new QVAbridgedHighScore); }
    static std::string getResourceName() { return "abridged_score"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_abridged_high_score_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    static void setDelegate(QVAbridgedHighScoreDelegate* delegate);

    int64_t score() const { return score_; }
    const std::string& leaderboardId() const { return leaderboardId_; }
    // The display text, or the score in decimal when none is set.
    std::string displayText() const;
    const std::optional<std::string>& userId() const { return userId_; }
    const std::optional<std::string>& userName() const { return userName_; }
    const std::optional<std::string>& userProfilePictureUrl() const { return userProfilePictureUrl_; }
    uint32_t userGamerScore() const { return userGamerScore_; }

    // Setters the field map calls with the element's text; an empty text leaves nil.
    void setScore(const std::string& text) { score_ = QVFieldInt64::read(text); }
    void setLeaderboardId(const std::string& text) { leaderboardId_ = text; }
    void setDisplayText(const std::string& text) { displayText_ = QVFieldTextOrNil::read(text); }
    void setUserId(const std::string& text) { userId_ = QVFieldTextOrNil::read(text); }
    void setUserName(const std::string& text) { userName_ = QVFieldTextOrNil::read(text); }
    void setUserProfilePictureUrl(const std::string& text) { userProfilePictureUrl_ = QVFieldTextOrNil::read(text); }
    void setUserGamerScore(const std::string& text) { userGamerScore_ = QVFieldUnsigned::read(text); }

    // The cached picture reaches the delegate before this returns (no handle);
    // otherwise the download's handle.
    platform::Ref<QVRequestHandle> getProfilePicture();

    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVAbridgedHighScore() = default;
    ~QVAbridgedHighScore() override;

private:

    int64_t score_ { 0 };
    std::string leaderboardId_;
    std::optional<std::string> displayText_;
    std::optional<std::string> userId_;
    std::optional<std::string> userName_;
    std::optional<std::string> userProfilePictureUrl_;
    uint32_t userGamerScore_ { 0 };
    QVResourcePicture picture_;
};

class QVAbridgedHighScoreClass
    : public QVServicePublicClass<QVAbridgedHighScoreClass, QVAbridgedHighScoreDelegate> {
    friend class QVServicePublicClass<QVAbridgedHighScoreClass, QVAbridgedHighScoreDelegate>;
    QVAbridgedHighScoreClass() = default;
};

} // namespace quorvel
