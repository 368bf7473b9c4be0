// The offline service: the store's life, the configuration file, the
// application version, and the offline half of the bootstrap.
#include "social/services/QVOfflineService.h"

#include "social/services/QVAchievement.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVLeaderboardAggregation.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVOffline.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <utility>

namespace quorvel {

using platform::Ref;

namespace {

std::optional<std::string>& cachedAppVersion()
{
    static std::optional<std::string> v;
    return v;
}

// A version part's integer value: its leading number, 0 when there is none.
int versionPart(const std::string& text)
{
    errno = 0;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

// The file's modification time as the version row keeps it (signed 32-bit, saturating).
std::optional<int> modificationTime(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    long long seconds = static_cast<long long>(info.st_mtime);
    if (seconds > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (seconds < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int>(seconds);
}

std::string achievementsLastSyncDate(const std::string& userId)
{
    QVOfflineStore::Use q(QVOfflineStore::achievementStatements().lastSyncDate);
    q->bind("user_id", userId);
    if (!q->step())
        return {};
    const char* text = q->getText("last_sync_date");
    return text ? text : "(null)";
}

} // namespace

// -- life ---------------------------------------------------------------------------

void QVOfflineService::initializeService()
{
    if (sharedService())
        return;
    cachedAppVersion().reset();
    QVSharedService::initializeService();
    sharedService()->initOffline();
}

bool QVOfflineService::initOffline()
{
    QVOfflineStore::setupOfflineDatabase();
    setupOfflineSupport();
    loadConfigurationFileIfChanged();
    return true;
}

QVOfflineService::~QVOfflineService()
{
    cachedAppVersion().reset();
    // What was written since the file was last looked at comes along before the store closes.
    if (QVOfflineStore::wasRemoved())
        QVOfflineStore::reopen();
    QVOfflineStore::teardownOfflineDatabase();
}

QVService* QVOffline::getService() { return QVOfflineService::sharedService(); }

void QVOfflineService::shareKnownResources(QVResourceNameMap& names)
{
    names.addResource<QVGameProfilePageInfo>("game_profile_page_info");
    names.addResource<QVOffline>("offline");
    names.addResource<QVAchievement>("achievement");
    names.addResource<QVUnlockedAchievement>("unlocked_achievement");
    names.addResource<QVHighScore>("high_score");
    names.addResource<QVLeaderboard_Sync>("leaderboard");
    names.addResource<QVLeaderboardAggregation>("leaderboard_aggregation");
    names.addResource<QVUser>("user");
}

// -- the store ------------------------------------------------------------------------

void QVOfflineService::setupOfflineSupport() { QVOfflineStore::setupOfflineSupport(); }
int QVOfflineService::getTableVersion(const std::string& name) { return QVOfflineStore::getTableVersion(name); }
bool QVOfflineService::setTableVersion(const std::string& name, int version)
{
    return QVOfflineStore::setTableVersion(name, version);
}

bool QVOfflineService::reopenStoreIfRemoved()
{
    bool firstLookOfTurn = false;
    const bool removed = QVOfflineStore::wasRemovedThisTurn(&firstLookOfTurn);
    if (firstLookOfTurn) {
        // The turn's later writes are not looked at one by one: once it ends,
        // the store it wrote to is looked at again.
        platform::RunLoop::main().post([generation = QVOfflineStore::generation()] {
            if (generation == QVOfflineStore::generation() && QVOfflineStore::wasRemoved())
                remakeRemovedStore();
        });
    }
    if (!removed)
        return QVOfflineStore::isOpen();
    return remakeRemovedStore();
}

bool QVOfflineService::remakeRemovedStore()
{
    if (!QVOfflineStore::reopen())
        return false;
    loadConfigurationFileIfChanged();
    return true;
}

bool QVOfflineService::loadConfigurationFileIfChanged()
{
    if (!QVOfflineStore::isOpen())
        return false;
    std::string path = platform::Bundle::main().pathForResource(kConfigResource, "xml");
    if (path.empty())
        return false;
    std::optional<int> modified = modificationTime(path);
    if (!modified || *modified == getTableVersion(kConfigDateRow))
        return false;

    std::ifstream in(path, std::ios::binary);
    platform::Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string error;
    auto document = in ? QVXmlDocument::xmlDocumentWithData(data, &error) : nullptr;
    bool stored = true;
    if (!document) {
        platform::logWarning("Quorvel: the offline configuration file cannot be read: %s",
                             error.empty() ? "unreadable" : error.c_str());
    } else {
        QVResourceNameMap names;
        shareKnownResources(names);
        auto series = QVResource::resourcesFromXml(document.get(), names);
        for (const auto& object : series ? series->objects() : QVPaginatedSeries::Objects()) {
            if (auto* offline = dynamic_cast<QVOffline*>(object.get()))
                stored = QVLeaderboardService::synchLeaderboardsList(offline->leaderboards(),
                                                                     offline->leaderboardAggregations(), std::nullopt,
                                                                     false) && stored;
        }
        if (const QVXmlElement* top = document->topElement()) {
            // The game's profile becomes the running client's local game profile.
            for (const auto& child : top->children) {
                if (child->name == "game_profile_page_info")
                    QVSessionRole::current().setLocalGameProfileInfo(*child);
            }
        }
    }
    // A file whose definitions could not be stored is read again at the next start.
    if (stored)
        setTableVersion(kConfigDateRow, *modified);
    return true;
}

// -- application version ----------------------------------------------------------------

std::string QVOfflineService::formatAppVersion(const std::string& bundleVersion)
{
    int parts[3] = { 0, 0, 0 };
    size_t start = 0;
    for (int i = 0; i < 3 && start <= bundleVersion.size(); ++i) {
        size_t dot = bundleVersion.find('.', start);
        parts[i] = versionPart(bundleVersion.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04i.%02i.%02i", parts[0], parts[1], parts[2]);
    return text;
}

const std::string& QVOfflineService::getFormattedAppVersion()
{
    // Kept for the life of the service object; without one it is worked out at each call.
    auto& cached = cachedAppVersion();
    if (!cached || !sharedService()) {
        QVSettings* settings = QVSettings::Instance();
        cached = formatAppVersion(settings ? settings->clientBundleVersion() : platform::Bundle::main().version());
    }
    return *cached;
}

// -- bootstrap -------------------------------------------------------------------------------

void QVOfflineService::getBootstrapCallParams(QVHttpNestedQueryStringWriter& params, const std::string& userId)
{
    std::string achievements = achievementsLastSyncDate(userId);
    std::string leaderboards = QVLeaderboardService::getLastSyncDateForUserId(userId);
    params.io("achievements_sync_date", achievements);
    params.io("leaderboards_sync_date", leaderboards);
}

namespace {

// The offline part of a bootstrap answer and the player it is for.
struct OfflinePart {
    Ref<QVOffline> offline;
    std::string userId, userName;
    std::optional<std::string> pictureUrl;
};

std::optional<OfflinePart> offlinePart(const QVBootstrap& bootstrap)
{
    const QVXmlElement* user = bootstrap.userElement();
    if (!user)
        return std::nullopt;
    OfflinePart part;
    // Read as its resource with the answer, or else from the answer's element.
    part.offline = Ref<QVOffline>(dynamic_cast<QVOffline*>(bootstrap.offline()));
    if (!part.offline) {
        const QVXmlElement* element = bootstrap.element("offline");
        if (!element)
            return std::nullopt;
        QVResourceNameMap names;
        QVOfflineService::shareKnownResources(names);
        part.offline = QVOffline::create();
        part.offline->populateFromXml(*element, names);
    }
    part.userId = user->childText("id");
    if (part.userId.empty()) {
        if (const std::string* attribute = user->attribute("id"))
            part.userId = *attribute;
    }
    part.userName = user->childText("name");
    const QVXmlElement* picture = user->child("profile_picture_url");
    if (picture && !picture->text.empty())
        part.pictureUrl = picture->text;
    return part;
}

// The player's row and the achievement list: false when the player's id is not one.
bool syncPlayerAndAchievements(const QVOffline& offline, const std::string& userId, const std::string& userName,
                               const std::optional<std::string>& profilePictureUrl)
{
    if (!QVIsDecimalId(userId)) {
        platform::logWarning("Quorvel: the bootstrap's player has no valid id; the offline data was not stored");
        return false;
    }
    QVUserService::createLocalUser(userId, userName, profilePictureUrl);
    if (QVAchievementService::sharedService())
        QVAchievementService::synchAchievementsList(offline.achievements(), userId);
    return true;
}

} // namespace

void QVOfflineService::syncOfflineData(const QVBootstrap& bootstrap)
{
    if (std::optional<OfflinePart> part = offlinePart(bootstrap))
        syncOfflineData(*part->offline, part->userId, part->userName, part->pictureUrl);
}

void QVOfflineService::syncOfflineData(const QVOffline& offline, const std::string& userId, const std::string& userName,
                                       const std::optional<std::string>& profilePictureUrl)
{
    if (!syncPlayerAndAchievements(offline, userId, userName, profilePictureUrl))
        return;
    QVHighScoreService::bestsListed(userId);
    QVLeaderboardService::synchLeaderboardsList(offline.leaderboards(), offline.leaderboardAggregations(), userId, true);
}

void QVOfflineService::syncOfflineDataInTurns(const QVBootstrap& bootstrap, std::function<void()> then)
{
    std::optional<OfflinePart> part = offlinePart(bootstrap);
    if (!part || !syncPlayerAndAchievements(*part->offline, part->userId, part->userName, part->pictureUrl)) {
        then();
        return;
    }
    QVHighScoreService::bestsListed(part->userId);
    QVLeaderboardService::synchLeaderboardsListInTurns(part->offline->leaderboards(),
                                                       part->offline->leaderboardAggregations(), part->userId, true,
                                                       [then = std::move(then)](bool) { then(); });
}

void QVOfflineService::sendPendingData(const std::string& userId)
{
    // Achievements first; the scores go silently.
    if (QVAchievementService* achievements = QVAchievementService::sharedService())
        QVAchievementService::sendPendingAchievements(
            userId, true, QVDelegate(),
            QVDelegate(achievements, BRISKO_SELECTOR(QVAchievementService, _pendingProgressRefused)));
    if (QVHighScoreService::sharedService())
        QVHighScoreService::sendPendingHighScores(userId, true, QVDelegate(), QVDelegate());
}

} // namespace quorvel
