// The walk's road "the device's store fails while open": for one call of the
// game's a few of the store's file calls fail (a read or a write with an I/O
// error or a full disk, a commit's sync), then the disk works again. The game
// may be told a score or progress failed; what it was told kept is kept and
// still reaches the service (the end checks hold it to that).
#include "DeviceLifeWalk.h"

#include "StandInRequestSupport.h"

#include "platform/foundation/Format.h"
#include "social/runtime/QVDocumentsPath.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVOfflineStore.h"
#include "support/SqlitePassThrough.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace quorvel;

namespace walk_testing {

// The disk every SQLite file of the process goes through while the walk
// runs: the stand-in service's store too, which it never refuses. Armed, it
// refuses calls of one kind on the client's store and its log, by their names.
class DeviceLifeWalkEndToEnd::FailingStore final : public testing_support::SqlitePassThrough {
public:
    FailingStore() : SqlitePassThrough("brisko-walk-disk") { }

    // From the `nth` call of `io` on the client's store (1: the next) on,
    // `count` of them are answered `code`.
    void arm(Io io, int nth, int count, int code)
    {
        refused_ = 0;
        io_ = io;
        code_ = code;
        left_ = count;
        countdown_ = nth;
    }
    // Disarms; how many calls were refused since armed.
    int disarm()
    {
        countdown_ = 0;
        left_ = 0;
        return refused_;
    }

private:
    static bool clientsStore(const char* path)
    {
        const char* name = std::strrchr(path, '/');
        const std::string file = name ? name + 1 : path;
        const std::string store = QVOfflineStore::kFileName;
        return file == store || file == store + "-wal" || file == store + "-journal";
    }
    int before(Io io, const char* path) override
    {
        if (left_.load() <= 0 || io != io_.load() || !clientsStore(path))
            return SQLITE_OK;
        if (countdown_.load() > 1) {
            --countdown_;
            return SQLITE_OK;
        }
        --left_;
        ++refused_;
        return code_.load();
    }

    std::atomic<Io> io_ { Io::Read };
    std::atomic<int> code_ { SQLITE_IOERR };
    std::atomic<int> countdown_ { 0 }, left_ { 0 }, refused_ { 0 };
};

void DeviceLifeWalkEndToEnd::passTheStoreThroughTheWalksDisk()
{
    failingStore = std::make_shared<FailingStore>();
    ASSERT_TRUE(failingStore->registered());
}

// Once every connection through it is closed (the client's and the service's).
void DeviceLifeWalkEndToEnd::letTheStoreGoToItsOwnDisk() { failingStore.reset(); }

void DeviceLifeWalkEndToEnd::storeFailsWhileOpen()
{
    sqlite3* db = QVOfflineStore::getOfflineDatabaseHandle();
    if (!clientRunning() || !db)
        return note("  (no store open)");
    using Io = FailingStore::Io;
    struct Fault {
        Io io;
        int code;
        const char* what;
    };
    static const Fault kFaults[] = {
        { Io::Read, SQLITE_IOERR_READ, "reads fail" },
        { Io::Write, SQLITE_IOERR_WRITE, "writes fail" },
        { Io::Write, SQLITE_FULL, "the disk is full" },
        { Io::Sync, SQLITE_IOERR_FSYNC, "a commit's sync fails" },
    };
    const Fault& fault = kFaults[draw(std::size(kFaults))];
    // Short of memory, the store holds hardly a page: its reads reach the disk.
    const std::string cacheSize = [&] {
        QVSqlQuery q(db, "PRAGMA cache_size");
        return q.step() ? std::to_string(q.getInt64("cache_size")) : std::string("-2000");
    }();
    sqlite3_exec(db, "PRAGMA cache_size = 1", nullptr, nullptr, nullptr);
    sqlite3_db_release_memory(db);
    // A call writes a few pages of the log and syncs it once, at its commit.
    const int nth = 1 + static_cast<int>(draw(fault.io == Io::Read ? 12 : fault.io == Io::Write ? 3 : 1));
    const int count = 1 + static_cast<int>(draw(2));
    // The call itself, or what the client writes as the answers land (the
    // marks of what was sent, a login's lists, the adoption of what waited).
    const bool whileAnswersLand = draw(3) == 0;
    note(std::string("  the store fails (") + fault.what + ") from its " + std::to_string(nth) + "th call of the kind, "
         + std::to_string(count) + " of them, " + (whileAnswersLand ? "as the answers land" : "in the game's call"));
    if (!whileAnswersLand)
        failingStore->arm(fault.io, nth, count, fault.code);
    // A score may be refused now: the store could not keep it.
    const size_t scoresBefore = scores.size(), progressBefore = progress.size();
    const std::string board = pickBoard();
    storeFailing = !whileAnswersLand;
    switch (draw(4)) {
    case 0: sendScore(std::nullopt, board, nextValue(board), true, false); break;
    case 1: sendScore(blobOfDrawnSize(), board, nextValue(board), true, false); break;
    case 2: batchOfScores(); break;
    default: unlock(); break;
    }
    storeFailing = false;
    int refused = whileAnswersLand ? 0 : failingStore->disarm();
    // Progress the store did not keep as the call failed goes only if the
    // service takes it: told failed, it is gone.
    const std::string file = QVDocumentsPathForFile(QVOfflineStore::kFileName);
    auto onTheDevice = [&](const SentProgress& p) {
        // (Written as the C locale writes it: the tests also run under one with a decimal comma.)
        const std::string percent = platform::format("%.17g", std::min(p.percent, 100.0));
        return standin_testing::queryStore(file, "SELECT COUNT(*) FROM unlocked_achievements WHERE "
                                                 "achievement_definition_id = " + p.id
                                               + " AND percent_complete >= " + percent)
            != "0";
    };
    for (size_t i = progressBefore; refused && i < progress.size(); ++i)
        if (!progress[i].kept && !onTheDevice(progress[i]))
            progress[i].lostWithTheStore = true;
    // What the call was told at once was the store's word: kept on the device.
    std::vector<size_t> scoresToldKept, progressToldKept;
    for (size_t i = scoresBefore; i < scores.size(); ++i)
        if (!scores[i].viaBatch && scores[i].heard && scores[i].heard->kept)
            scoresToldKept.push_back(i);
    for (size_t i = progressBefore; i < progress.size(); ++i)
        if (progress[i].answers && progress[i].kept)
            progressToldKept.push_back(i);
    if (whileAnswersLand) {
        failingStore->arm(fault.io, nth, count, fault.code);
        pass(0.6);
        letAnswersLand();
        refused = failingStore->disarm();
    }
    if (QVOfflineStore::getOfflineDatabaseHandle() == db)
        sqlite3_exec(db, ("PRAGMA cache_size = " + cacheSize).c_str(), nullptr, nullptr, nullptr);
    note("  the disk works again: " + std::to_string(refused) + " of the store's calls failed");
    // A store removed while the game ran, which the failing disk kept from
    // being made again, stayed in use with all it kept: nothing is exempt.
    if (refused && whileAnswersLand) {
        // A login's lists of the game's boards may not have been kept: until the next login the device may know none.
        storeFresh = true;
        boardsOnTheirWay = false;
    }
    // What the store told kept at the call is in it: the score's row, the
    // progress (the walk's own store, read on a connection of its own; a
    // store removed and not made again yet, nothing at its path, answers
    // nothing to judge by).
    for (size_t i : scoresToldKept) {
        const SentScore& s = scores[i];
        EXPECT_NE(standin_testing::queryStore(file, "SELECT COUNT(*) FROM high_scores WHERE leaderboard_id = " + s.board
                                                  + " AND score = " + std::to_string(s.value)),
                  "0")
            << "the score " << s.value << " on " << s.board << " was told kept though the store did not keep it";
    }
    for (size_t i : progressToldKept)
        EXPECT_TRUE(onTheDevice(progress[i])) << "the progress " << progress[i].percent << " on " << progress[i].id
                                              << " was told kept though the store did not keep it";
}

// The store is removed while the game runs, with a score taken offline
// waiting in it, and the disk is full as the client makes it again at its
// path: the removed store, still open, stays in use, and is made again once
// the disk takes the copy, with the score, which the next login sends.
void DeviceLifeWalkEndToEnd::storeRemovedAsTheDiskIsFull()
{
    networkGone();
    settleTheRoad();
    sendScore(std::nullopt, normal, nextValue(normal), true, true);
    const SentScore waiting = scores.back();
    pass(0.05);
    const std::string file = QVDocumentsPathForFile(QVOfflineStore::kFileName);
    for (const char* suffix : { "", "-wal", "-shm" })
        std::filesystem::remove(file + suffix);
    note("  the store removed, the disk full as it is made again");
    pass(0.05);
    // A score on a later turn looks at the store's path: the copy finds the disk full.
    failingStore->arm(FailingStore::Io::Write, 1, 1 << 20, SQLITE_FULL);
    storeFailing = true;
    auto refused = Heard::create([](bool) {});
    QVHighScoreService::setHighScore(nextValue(normal), normal, refused->onSuccess(), refused->onFailure());
    storeFailing = false;
    note("  the disk works again: " + std::to_string(failingStore->disarm()) + " of the store's calls failed");
    EXPECT_FALSE(refused->kept) << "a score the full disk could not keep was told kept";
    settleTheRoad();
    networkBack();
    settleTheRoad();
    EXPECT_EQ(keptAs(waiting), player) << "the score " << waiting.value << " on " << normal
                                       << ", waiting on the device as its store was removed and the disk was full, did"
                                          " not reach the service after the next login; the device holds "
                                       << standin_testing::queryStore(file, "SELECT group_concat(user_id || ' ' || "
                                                                            "COALESCE(server_sync_at, 'waiting')) FROM "
                                                                            "high_scores WHERE score = "
                                                                            + std::to_string(waiting.value));
}

} // namespace walk_testing
