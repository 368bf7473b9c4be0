// QVGameCenterLeaderboardPage: the sectioned leaderboard page the high-score
// screen shows — the player's own section, "Friends", and everyone — with
// Game Center's top scores merged into the list of everyone when the
// leaderboard is mirrored there.
//
// A Game Center score and a service score are the same submission when the
// service score's gamecenter_timestamp is the Game Center date in whole
// seconds and the values are equal; such a submission is listed once, as the
// service score. The merged list is ranked afresh from 1, ties going to the
// service score. The caller's pages are never changed: the result holds new
// sections and pages (the scores themselves are shared unless re-ranked).
#pragma once

#include "platform/gamekit/GameCenter.h"
#include "social/runtime/QVPaginatedSeries.h"

#include <string>
#include <vector>

namespace quorvel {

class QVHighScore;

class QVGameCenterLeaderboardPage {
public:
    static constexpr const char* kFriendsTitle = "Friends";
    static constexpr const char* kEveryoneTitle = "Everyone";
    static constexpr size_t kMaxScoresPerSection = 25;

    // What to merge: Game Center's scores of the time scope and the
    // leaderboard's order.
    struct Merge {
        std::vector<platform::gamekit::Score> gameCenterScores;
        bool descending { true };
        // When several players' scores share a service score's second and
        // value, the local player's is the one it stands for.
        std::string localPlayerID;
    };

    // Service scores (a page of QVHighScore, or null) and Game Center scores
    // merged into one page of new QVHighScore objects ranked 1..n.
    static platform::Ref<QVPaginatedSeries> combineScores(const Merge& merge, const QVPaginatedSeries* servicePage);

    // The page to show: `globals` holds the player's section at index 0 and
    // everyone at index 1 (merged when `merge` is given; appended as
    // "Everyone" when missing); a "Friends" section holding a copy of
    // `friends` goes in at index 1 (or first on an empty page); the player's
    // scores take their rank from the merged list; every section is cut to 25.
    // Answers may also come as plain score rows: plain `globals` are the list
    // of everyone ("Everyone", after "Friends"), and of a sectioned `friends`
    // its last section's scores are the friends'.
    static platform::Ref<QVPaginatedSeries> combinedPage(const QVPaginatedSeries& globals,
                                                         const QVPaginatedSeries* friends, const Merge* merge);

    // Orders by value; equal values are neither before nor after each other.
    static bool scoreValueAscending(const platform::gamekit::Score& a, const platform::gamekit::Score& b)
    {
        return a.value < b.value;
    }
    static bool scoreValueDescending(const platform::gamekit::Score& a, const platform::gamekit::Score& b)
    {
        return a.value > b.value;
    }
    // A Game Center date as the service's timestamp: whole seconds since 1970.
    static uint32_t wholeSeconds(const platform::Date& date);
};

} // namespace quorvel
