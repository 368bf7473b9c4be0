// Fuzz target: the offline store's outside input — the offline configuration
// file and the bootstrap answer's offline part — read into resources and
// written into an in-memory store (ids, flags, dates, aggregations), then
// read back through the local readers.
#include "platform/foundation/Log.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVOffline.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        platform::setLogSink([](platform::LogLevel, const std::string&) { });
        QVOfflineStore::openDatabaseAtPath(":memory:");
        QVOfflineStore::setupOfflineSupport();
        return true;
    }();
    (void)ready;

    auto document = QVXmlDocument::xmlDocumentWithData(data, size);
    if (!document)
        return 0;
    QVResourceNameMap names;
    QVOfflineService::shareKnownResources(names);
    if (auto series = QVResource::resourcesFromXml(document.get(), names)) {
        for (const auto& object : series->objects()) {
            if (auto* offline = dynamic_cast<QVOffline*>(object.get())) {
                QVLeaderboardService::synchLeaderboardsList(offline->leaderboards(), offline->leaderboardAggregations(),
                                                            std::nullopt, false);
                QVLeaderboardService::synchLeaderboardsList(offline->leaderboards(), offline->leaderboardAggregations(),
                                                            std::string("17"), true);
            }
        }
    }
    if (auto answer = QVBootstrap::fromDocument(document))
        QVOfflineService::syncOfflineData(*answer);
    for (const auto& board : QVLeaderboardService::getLeaderboardsLocal())
        (void)QVLeaderboardService::getAggregateParents(board->leaderboardId());
    (void)QVLeaderboardService::getLastSyncDateForUserId("17");

    // Each input starts from an empty store.
    for (const char* table : { "leaderboards", "leaderboard_aggregations", "high_scores", "users" })
        QVOfflineStore::exec((std::string("DELETE FROM ") + table).c_str(), true);
    return 0;
}
