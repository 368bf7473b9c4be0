// QVOfflineService: joins the offline store to the rest of the client. Its
// creation (initializeService, at the client's start) opens the store and
// builds its tables, then loads the offline configuration file the
// application carries ("quorvel_offline_config.xml" among its resources) when
// the file changed since it was last loaded; its release (shutdownService, at
// shut-down) closes the store.
//
// Around the login it tells the bootstrap request how fresh the store is,
// writes what the bootstrap answer brings (the player's row, the achievement
// list, the leaderboard list with the player's bests) and sends what was
// stored while offline. It also gives every service the application's
// version in the form the store compares ("%04i.%02i.%02i").
//
// The achievement and high-score services write the achievement list and send
// what is pending, each while it runs (a service not started is skipped). The
// game profile of the configuration file goes to the running client through
// the session role.
#pragma once

#include "social/runtime/QVResourceDataMap.h"
#include "social/runtime/QVService.h"

#include <functional>
#include <optional>
#include <string>

namespace quorvel {

class QVBootstrap;
class QVHttpNestedQueryStringWriter;
class QVOffline;
struct QVXmlElement;

class QVOfflineService : public QVSharedService<QVOfflineService> {
public:
    static constexpr const char* kConfigResource = "quorvel_offline_config";
    static constexpr const char* kConfigDateRow = "offline_config_file_date";

    // Creates the shared instance (opening the store) when there is none.
    static void initializeService();
    // Releasing the shared instance (shutdownService) closes the store.

    void populateKnownResources(QVResourceNameMap& names) override { shareKnownResources(names); }
    // The resource names of the configuration file and the bootstrap's offline part.
    static void shareKnownResources(QVResourceNameMap& names);

    // Builds the store's tables (the version table first, then each table group).
    static void setupOfflineSupport();
    static int getTableVersion(const std::string& name);
    static bool setTableVersion(const std::string& name, int version);

    // The bundle version as "%04i.%02i.%02i", computed once per service life.
    static const std::string& getFormattedAppVersion();
    // The same for any version text: its first three "."-parts as integers (0 when missing or not numeric).
    static std::string formatAppVersion(const std::string& bundleVersion);

    // Adds "achievements_sync_date" and "leaderboards_sync_date" for the user.
    static void getBootstrapCallParams(QVHttpNestedQueryStringWriter& params, const std::string& userId);
    // Writes the offline part of a bootstrap answer: nothing when it has none.
    static void syncOfflineData(const QVBootstrap& bootstrap);
    // The same spread over the main loop's turns (the leaderboard list, which
    // can be long, a share per turn), then `then`, however it went.
    static void syncOfflineDataInTurns(const QVBootstrap& bootstrap, std::function<void()> then);
    // Writes one offline record for the player (id, name, picture URL) of the answer.
    static void syncOfflineData(const QVOffline& offline, const std::string& userId, const std::string& userName,
                                const std::optional<std::string>& profilePictureUrl);

    // After a login: sends the pending achievements, then the pending high scores.
    void sendPendingData(const std::string& userId);

    // Loads the configuration file when its modification time is not the one
    // last loaded; answers whether it was read.
    static bool loadConfigurationFileIfChanged();

    // Before a write of the game's: a store whose file was removed (or moved)
    // while the game ran (a player clearing its data) is made again at its
    // path, with what it kept. The file is looked at by the first write of
    // each turn of the main loop, and again once that turn ends and when the
    // store closes: what the turn wrote after a removal went into the removed
    // file, still open and readable, and comes along into the new one, so
    // nothing told kept is lost, at no system call for the turn's other
    // writes. Answers whether there is a store.
    static bool reopenStoreIfRemoved();
    // The store's file is gone from its path: it is made again there with
    // what the open store holds. Answers whether there is a store.
    static bool remakeRemovedStore();

private:
    friend class QVSharedService<QVOfflineService>;
    QVOfflineService() = default;
    ~QVOfflineService() override;
    bool initOffline();
};

} // namespace quorvel
