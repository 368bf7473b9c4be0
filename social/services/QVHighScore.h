// QVHighScore: one high score — the server's record (element "high_score"),
// a row of the offline store read back, and the public class through which
// the game submits a score to a leaderboard or downloads another player's
// blob. Answers reach the class-wide QVHighScoreDelegate (a weak link; every
// method optional); clearing it forgets the class's outstanding requests.
//
// A submission's callback runs before submitTo() returns, with the offline
// store's verdict; what the network does later does not reach the delegate.
// On a device that cannot keep a store (its home cannot be written) there is
// no verdict to give at the call: a score taken online goes straight to the
// service, and the delegate hears the service's answer when it comes, after
// submitTo() has returned; telling it kept before would report success for a
// score the service may refuse, with no copy left on the device to send
// again. One refused at the call there (offline, or one the service could
// never take) is still heard before submitTo() returns.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVServicePublicClass.h"
#include "social/services/QVS3UploadParameters.h"
#include "social/services/QVUser.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::gamekit {
struct Score;
}

namespace quorvel {

class QVHighScore;
class QVLeaderboard;
class QVSqlQuery;
class QVUser;

class QVHighScoreDelegate {
public:
    virtual ~QVHighScoreDelegate() = default;
    virtual void didSubmit(QVHighScore*) { }
    virtual void didFailSubmit(QVHighScore*) { }
    virtual void didDownloadBlob(QVHighScore*) { }
    virtual void didFailDownloadBlob(QVHighScore*) { }
};

class QVHighScore : public QVResource, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVHighScore)
public:
    static platform::Ref<QVHighScore> create() { return platform::adoptRef(new QVHighScore); }
    // A new score with only the score set.
    static platform::Ref<QVHighScore> initForSubmissionWithScore(int64_t score);
    // A row of high_scores: resource id "1", the given user and rank.
    static platform::Ref<QVHighScore> initWithLocalSQL(const QVSqlQuery& row, platform::Ref<QVUser> user, int rank);
    // A Game Center score (no user; its formatted value as display text) and a
    // copy of another score, each with the rank given.
    static platform::Ref<QVHighScore> initWithGkScore(const platform::gamekit::Score& score, int rank);
    static platform::Ref<QVHighScore> initWithQvScore(const QVHighScore& score, int rank);

    static std::string getResourceName() { return "high_score"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_high_score_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    static void setDelegate(QVHighScoreDelegate* delegate);
    static QVHighScoreDelegate* delegate();
    // The local player's score of every stored leaderboard that has one.
    static std::vector<platform::Ref<QVResource>> allHighScoresForCurrentUser();

    const platform::Ref<QVUser>& user() const { return user_; }
    int64_t score() const { return score_; }
    int rank() const { return rank_; }
    const std::string& leaderboardId() const { return leaderboardId_; }
    // The display text, or the score in decimal when none is set.
    std::string displayText() const;
    const std::optional<std::string>& customData() const { return customData_; }
    const std::optional<platform::Bytes>& blob() const { return blob_; }
    const std::optional<std::string>& blobUrl() const { return blobUrl_; }
    // The signed form the score's blob is posted with, when the server gave one.
    const platform::Ref<QVS3UploadParameters>& blobUploadParameters() const { return blobUploadParameters_; }
    void setBlobUploadParameters(platform::Ref<QVS3UploadParameters> parameters);
    // The server's text, or "99.999+" when none was given.
    std::string toHighRankText() const { return toHighRankText_.value_or("99.999+"); }
    uint32_t gameCenterSeconds() const { return gameCenterSeconds_; }
    const std::string& gameCenterId() const { return gameCenterId_; }
    const std::string& gameCenterName() const { return gameCenterName_; }
    double latitude() const { return latitude_; }
    double longitude() const { return longitude_; }
    double distance() const { return distance_; }
    bool hasBlob() const { return blob_.has_value() || (blobUrl_ && !blobUrl_->empty()); }

    void setScore(int64_t score) { score_ = score; }
    void setDisplayText(std::optional<std::string> text) { displayText_ = std::move(text); }
    void setCustomData(std::optional<std::string> data) { customData_ = std::move(data); }
    void setBlob(std::optional<platform::Bytes> blob) { blob_ = std::move(blob); }
    void setGameCenterName(const std::string& name) { gameCenterName_ = name; }
    void setOverrideRank(int rank) { rank_ = rank; }
    void setUser(platform::Ref<QVUser> user) { user_ = std::move(user); }

    // Setters the field map calls with the element's text.
    void _setScore(const std::string& text) { score_ = QVFieldInt64::read(text); }
    void setRank(const std::string& text) { rank_ = QVFieldInteger::read(text); }
    void setLeaderboardId(const std::string& text) { leaderboardId_ = text; }
    void _setDisplayText(const std::string& text) { displayText_ = QVFieldTextOrNil::read(text); }
    void _setCustomData(const std::string& text) { customData_ = QVFieldTextOrNil::read(text); }
    void setBlobUrl(const std::string& text) { blobUrl_ = QVFieldTextOrNil::read(text); }
    void setToHighRankText(const std::string& text) { toHighRankText_ = QVFieldTextOrNil::read(text); }
    void setGameCenterSeconds(const std::string& text)
    {
        gameCenterSeconds_ = static_cast<uint32_t>(QVFieldInteger::read(text));
    }
    void setLatitude(const std::string& text) { latitude_ = QVFieldDouble::read(text); }
    void setLongitude(const std::string& text) { longitude_ = QVFieldDouble::read(text); }
    void setDistance(const std::string& text) { distance_ = QVFieldDouble::read(text); }

    // Submits this score (its display text as displayText() gives it) to the leaderboard.
    void submitTo(const QVLeaderboard& leaderboard);
    // The held blob is reported at once (null answer); without any blob the
    // failure is. Otherwise the blob is downloaded from its address.
    platform::Ref<QVRequestHandle> downloadBlob();

    bool canReceiveCallbacksNow() override { return true; }
    std::string description() const override;

private:
    QVHighScore() = default;
    void _submitSucceeded(platform::Object*);
    void _submitFailed(platform::Object*);
    void _downloadBlobSucceeded(platform::Object*);
    void _downloadBlobFailed(platform::Object*);

    platform::Ref<QVUser> user_;
    int64_t score_ { 0 };
    int rank_ { 0 };
    std::string leaderboardId_;
    std::optional<std::string> displayText_;
    std::optional<std::string> customData_;
    std::optional<platform::Bytes> blob_;
    std::optional<std::string> blobUrl_;
    platform::Ref<QVS3UploadParameters> blobUploadParameters_;
    std::optional<std::string> toHighRankText_;
    uint32_t gameCenterSeconds_ { 0 };
    std::string gameCenterId_;
    std::string gameCenterName_;
    double latitude_ { 0 };
    double longitude_ { 0 };
    double distance_ { 0 };
};

// The class object of QVHighScore: its delegate and its request module.
class QVHighScoreClass : public QVServicePublicClass<QVHighScoreClass, QVHighScoreDelegate> {
    friend class QVServicePublicClass<QVHighScoreClass, QVHighScoreDelegate>;
    QVHighScoreClass() = default;
};

} // namespace quorvel
