// Double submission of achievement progress: to the social service (when a
// player is logged in) and to Game Center (each achievement that maps to a
// Game Center identifier with a progress above 0, when the player is signed
// in there), with one callback to the caller once both sides have answered.
// A failure on either side fails the whole submission; the other side's work
// is not undone.
//
// Side status: 0 not used, 1 pending, 2 succeeded, 3 failed. The service
// request's callbacks and the Game Center completions keep the object alive.
#pragma once

#include "social/services/QVDoubleSubmission.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequestHandle.h"

#include <string>
#include <vector>

namespace quorvel {

class QVGameCenterAchievement : public platform::Object, public QVCallbackable, public QVDoubleSubmission {
public:
    static platform::Ref<QVGameCenterAchievement> create() { return platform::adoptRef(new QVGameCenterAchievement); }

    void setAchievementIds(std::vector<std::string> ids) { achievementIds_ = std::move(ids); }
    void setPercentsComplete(std::vector<double> percents) { percentsComplete_ = std::move(percents); }
    void setBatch(bool batch) { batch_ = batch; }
    void setSync(bool sync) { sync_ = sync; }
    const std::vector<std::string>& achievementIds() const { return achievementIds_; }
    const std::vector<double>& percentsComplete() const { return percentsComplete_; }
    bool batch() const { return batch_; }
    bool sync() const { return sync_; }
    QVPaginatedSeries* quorvelPage() const { return quorvelPage_.get(); }

    // Answers the service request's handle, or null when none was sent.
    platform::Ref<QVRequestHandle> submitOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure);

    void onQuorvelSuccess(platform::Object* page);
    void onQuorvelFailure(platform::Object* loader);

    bool canReceiveCallbacksNow() override { return true; }
    std::string className() const override { return "QVGameCenterAchievement"; }

private:
    QVGameCenterAchievement() = default;
    void gameCenterAnswered(bool failed);
    void testCompletion();

    std::vector<std::string> achievementIds_;
    std::vector<double> percentsComplete_;
    platform::Ref<QVPaginatedSeries> quorvelPage_;
    bool batch_ { false };
    bool sync_ { false };
    QVDelegate successDelegate_;
    QVDelegate failureDelegate_;
    bool finished_ { false };
};

} // namespace quorvel
