// The Game Center and service double submission of achievement progress.
#include "social/services/QVGameCenterAchievement.h"

#include "platform/foundation/DateFormat.h"
#include "social/runtime/QVGameCenterRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"

#include <algorithm>

namespace quorvel {

using platform::Ref;

Ref<QVRequestHandle> QVGameCenterAchievement::submitOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    Ref<QVGameCenterAchievement> keep(this);
    successDelegate_ = onSuccess;
    failureDelegate_ = onFailure;
    quorvelStatus_ = kNotUsed;
    gameCenterStatus_ = kNotUsed;

    Ref<QVRequestHandle> handle;
    std::string userId = QVSessionRole::current().lastLoggedInUserId();
    if (QVIsDecimalId(userId) && std::stoll(userId) > 0 && !achievementIds_.empty()) {
        // Marked pending before the request: an answer may arrive at once.
        quorvelStatus_ = kPending;
        handle = QVAchievementService::updateAchievements(
            achievementIds_, percentsComplete_, QVDelegate(this, BRISKO_SELECTOR(QVGameCenterAchievement, onQuorvelSuccess)),
            QVDelegate(this, BRISKO_SELECTOR(QVGameCenterAchievement, onQuorvelFailure)));
    }

    if (QVGameCenterRole::current().isLoggedIntoGameCenter()) {
        gameCenterCount_ = 0;
        size_t n = std::min(achievementIds_.size(), percentsComplete_.size());
        std::vector<std::pair<std::string, double>> reports;
        for (size_t i = 0; i < n; ++i) {
            std::optional<std::string> identifier = QVGameCenterRole::current().gameCenterAchievementId(achievementIds_[i]);
            if (!identifier || percentsComplete_[i] == 0.0)
                continue;
            ++gameCenterCount_;
            gameCenterStatus_ = kPending;
            reports.emplace_back(*identifier, percentsComplete_[i]);
        }
        // Counted first, so a report that answers at once cannot finish the submission early.
        for (const auto& [identifier, percent] : reports)
            QVGameCenterRole::current().submitAchievementToGameCenter(identifier, percent, [keep](bool failed) { keep->gameCenterAnswered(failed); });
    }
    testCompletion();
    return handle;
}

void QVGameCenterAchievement::gameCenterAnswered(bool failed)
{
    gameCenterReportAnswered(failed);
    testCompletion();
}

void QVGameCenterAchievement::onQuorvelSuccess(platform::Object* page)
{
    Ref<QVGameCenterAchievement> keep(this);
    quorvelPage_ = Ref<QVPaginatedSeries>(dynamic_cast<QVPaginatedSeries*>(page));
    quorvelAnswered(false);
    testCompletion();
}

void QVGameCenterAchievement::onQuorvelFailure(platform::Object*)
{
    Ref<QVGameCenterAchievement> keep(this);
    quorvelAnswered(true);
    testCompletion();
}

void QVGameCenterAchievement::testCompletion()
{
    if (finished_ || quorvelStatus_ == kPending || gameCenterStatus_ == kPending)
        return;
    // Neither side used: nothing was sent and no callback is due.
    if (quorvelStatus_ == kNotUsed && gameCenterStatus_ == kNotUsed)
        return;
    finished_ = true;
    if (quorvelStatus_ == kSucceeded)
        QVAchievementService::finishAchievementsPage(quorvelPage_.get(), sync_, batch_);
    // An answer that refuses an item is that item's failure, not a success.
    const bool refused = quorvelStatus_ == kSucceeded && QVAchievementService::pageHasRefusedRecord(quorvelPage_.get());
    if (refused)
        QVAchievementService::syncOfflineAchievements(quorvelPage_.get());
    if (!refused && quorvelStatus_ != kFailed && gameCenterStatus_ != kFailed) {
        if (quorvelStatus_ == kNotUsed) {
            // Game Center alone: the store records each mapped achievement as synchronised.
            platform::Date now = platform::dateNow();
            std::string userId = QVUser::offlineRowsUserId();
            size_t n = std::min(achievementIds_.size(), percentsComplete_.size());
            for (size_t i = 0; i < n; ++i) {
                if (QVGameCenterRole::current().gameCenterAchievementId(achievementIds_[i]))
                    QVAchievementService::synchUnlockedAchievement(achievementIds_[i], userId, "", now,
                                                                   percentsComplete_[i]);
            }
        } else {
            QVAchievementService::syncOfflineAchievements(quorvelPage_.get());
        }
        successDelegate_.invoke(quorvelPage_.get());
    } else {
        if (quorvelStatus_ == kFailed)
            QVAchievementService::reportKeptForTheNextLogin(achievementIds_, percentsComplete_);
        failureDelegate_.invoke(quorvelPage_.get());
    }
}

} // namespace quorvel
