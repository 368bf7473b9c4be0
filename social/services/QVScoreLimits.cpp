// The limits a score must keep to reach the service, checked when it is
// given, and the retiring of a leaderboard the service answers it does not have.
#include "social/services/QVScoreLimits.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVServiceBounds.h"

#include <cctype>
#include <string_view>
#include <tuple>

namespace quorvel {

using platform::Ref;

size_t QVEncodedScoreBytes(const QVHighScoreBatchEntry& entry)
{
    constexpr size_t kGameCenterDate = 64; // "high_scores%5B%5D%5Bgamecenter_timestamp%5D=" and ten digits
    auto writer = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    QVHighScoreBatch one { Ref<QVHighScoreBatchEntry>(const_cast<QVHighScoreBatchEntry*>(&entry)) };
    QVSerializeHighScoreBatch(*writer, one);
    auto encoded = [](const std::string& text) {
        size_t n = 0;
        for (unsigned char c : text)
            n += (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '-' || c == '.' || c == '_' || c == '~' ? 1 : 3;
        return n;
    };
    size_t bytes = kGameCenterDate;
    for (const auto& parameter : writer->getQueryParametersAsArray())
        if (parameter)
            bytes += encoded(parameter->name()) + encoded(parameter->value()) + 2; // '=' and '&'
    return bytes;
}

std::string QVWhyScoreCannotBeSent(const std::string& leaderboardId, int64_t score,
                                   const std::optional<std::string>& displayText,
                                   const std::optional<std::string>& customData,
                                   const std::optional<platform::Bytes>& blob)
{
    const long long value = static_cast<long long>(score);
    if (!QVIsDecimalId(leaderboardId))
        return platform::format("the score %lld was given the leaderboard id \"%s\", which is no leaderboard id (a "
                                "decimal number, as the service names its leaderboards)",
                                value, leaderboardId.c_str());
    if (blob && blob->size() > QVHighScoreService::kMaxBlob)
        return platform::format("the blob of the score %lld on leaderboard %s is %zu bytes, more than the %zu a "
                                "score's blob may hold (no reader could fetch it back)",
                                value, leaderboardId.c_str(), blob->size(), QVHighScoreService::kMaxBlob);
    // The service keeps a score's texts up to their bounds (one table with it,
    // QVServiceBounds.h); past them it refuses the score's whole batch.
    for (const auto& [what, text, bound] :
         { std::tuple<const char*, const std::optional<std::string>*, size_t> { "display text", &displayText,
                                                                                kQVMaxScoreDisplayText },
           std::tuple<const char*, const std::optional<std::string>*, size_t> { "custom data", &customData,
                                                                                kQVMaxScoreCustomData } }) {
        const size_t characters = *text ? QVTextCharacters(**text) : 0;
        if (characters > bound)
            return platform::format("the %s of the score %lld on leaderboard %s is %zu characters, more than the %zu "
                                    "the service keeps",
                                    what, value, leaderboardId.c_str(), characters, bound);
    }
    return {};
}

std::string QVWhyScoreCannotBeSent(const QVHighScoreBatchEntry& entry)
{
    return QVWhyScoreCannotBeSent(entry.leaderboardId, entry.score, entry.displayText, entry.customData, entry.blob);
}

bool QVScoreCanBeSent(const std::string& leaderboardId, int64_t score, const std::optional<std::string>& displayText,
                      const std::optional<std::string>& customData, const std::optional<platform::Bytes>& blob)
{
    const std::string why = QVWhyScoreCannotBeSent(leaderboardId, score, displayText, customData, blob);
    if (why.empty())
        return true;
    platform::logWarning("Quorvel: %s; the score was not kept", why.c_str());
    return false;
}

bool QVScoreCanBeSent(const QVHighScoreBatchEntry& entry)
{
    return QVScoreCanBeSent(entry.leaderboardId, entry.score, entry.displayText, entry.customData, entry.blob);
}

std::optional<std::string> QVLeaderboardTheServiceLacks(platform::Object* failedAnswer)
{
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(failedAnswer);
    if (!loader || !loader->oauthResponse() || loader->oauthResponse()->statusCode() != 400)
        return std::nullopt;
    constexpr std::string_view kRefusal = "There is no leaderboard ";
    const platform::Bytes& body = loader->data();
    const std::string_view text(reinterpret_cast<const char*>(body.data()), body.size());
    const size_t at = text.find(kRefusal);
    if (at == std::string_view::npos)
        return std::nullopt;
    size_t end = at + kRefusal.size();
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    std::string id(text.substr(at + kRefusal.size(), end - at - kRefusal.size()));
    if (!QVIsDecimalId(id))
        return std::nullopt;
    return id;
}

std::optional<QVRefusedScore> QVScoreTheServiceRefused(platform::Object* failedAnswer)
{
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(failedAnswer);
    if (!loader || !loader->oauthResponse())
        return std::nullopt;
    const int status = loader->oauthResponse()->statusCode();
    if (status < 400 || status > 499 || status == 401)
        return std::nullopt;
    constexpr std::string_view kOpening = "<error>Score ";
    constexpr std::string_view kOfTheBatch = " of the batch: ";
    const platform::Bytes& body = loader->data();
    const std::string_view text(reinterpret_cast<const char*>(body.data()), body.size());
    const size_t at = text.find(kOpening);
    if (at == std::string_view::npos)
        return std::nullopt;
    size_t end = at + kOpening.size();
    size_t position = 0;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])) && position < 1000000)
        position = position * 10 + static_cast<size_t>(text[end++] - '0');
    if (position == 0 || text.substr(end, kOfTheBatch.size()) != kOfTheBatch)
        return std::nullopt;
    const size_t why = end + kOfTheBatch.size();
    const size_t close = text.find("</error>", why);
    return QVRefusedScore { position - 1,
                            std::string(text.substr(why, close == std::string_view::npos ? 200 : close - why)) };
}

namespace {

// The score waits on the device no more: stored as sent.
void settle(const std::string& userId, const QVHighScoreBatchEntry& entry)
{
    if (sqlite3* db = QVOfflineStore::getOfflineDatabaseHandle()) {
        QVSqlQuery settle(db, "UPDATE high_scores SET server_sync_at = strftime('%s', 'now') WHERE user_id = :user_id "
                              "AND leaderboard_id = :leaderboard_id AND score = :score AND server_sync_at IS NULL");
        settle.bind("user_id", userId);
        settle.bind("leaderboard_id", entry.leaderboardId);
        settle.bindInt64("score", entry.score);
        settle.execute();
    }
}

} // namespace

void QVSettleRefusedScore(const std::string& userId, const QVHighScoreBatchEntry& entry, const std::string& why)
{
    settle(userId, entry);
    platform::logWarning("Quorvel: the service refused the score %lld on leaderboard %s (%s); it is not sent again, "
                         "and the other scores of its batch go without it",
                         static_cast<long long>(entry.score), entry.leaderboardId.c_str(), why.c_str());
}

void QVSettleUnsendableScore(const std::string& userId, const QVHighScoreBatchEntry& entry, const std::string& why)
{
    settle(userId, entry);
    platform::logWarning("Quorvel: %s; it is not sent, nor kept waiting on the device, and the other scores of its "
                         "batch go without it",
                         why.c_str());
}

void QVRetireLeaderboard(const std::string& leaderboardId)
{
    sqlite3* db = QVOfflineStore::getOfflineDatabaseHandle();
    int waiting = 0;
    if (db) {
        QVOfflineStore::Transaction transaction;
        QVSqlQuery count(db, "SELECT COUNT(*) AS waiting FROM high_scores WHERE leaderboard_id = :leaderboard_id AND "
                             "server_sync_at IS NULL");
        count.bind("leaderboard_id", leaderboardId);
        if (count.step())
            waiting = count.getInt("waiting");
        for (const char* sql : { "UPDATE high_scores SET server_sync_at = strftime('%s', 'now') WHERE leaderboard_id = "
                                 ":leaderboard_id AND server_sync_at IS NULL",
                                 "DELETE FROM leaderboards WHERE id = :leaderboard_id",
                                 "DELETE FROM leaderboard_aggregations WHERE aggregate_leaderboard_id = :leaderboard_id "
                                 "OR leaderboard_pushing_changes_id = :leaderboard_id" }) {
            QVSqlQuery drop(db, sql);
            drop.bind("leaderboard_id", leaderboardId);
            drop.execute();
        }
        transaction.commit();
    }
    platform::logWarning("Quorvel: the service has no leaderboard %s: its %d score(s) waiting on the device are not "
                         "sent, and a score given for it from now on is refused; the other scores of the batch go "
                         "without them",
                         leaderboardId.c_str(), waiting);
}

} // namespace quorvel
