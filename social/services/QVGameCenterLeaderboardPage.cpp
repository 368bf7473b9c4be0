// Merging Game Center's scores into the service's leaderboard page.
#include "social/services/QVGameCenterLeaderboardPage.h"

#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVUser.h"

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>

namespace quorvel {

using platform::Ref;
using platform::gamekit::Score;

uint32_t QVGameCenterLeaderboardPage::wholeSeconds(const platform::Date& date)
{
    double s = date.seconds;
    if (!(s > 0))
        return 0;
    if (s >= 4294967295.0)
        return UINT32_MAX;
    return static_cast<uint32_t>(s);
}

Ref<QVPaginatedSeries> QVGameCenterLeaderboardPage::combineScores(const Merge& merge,
                                                                  const QVPaginatedSeries* servicePage)
{
    // Keyed by second, value and player: other players' scores made in the
    // same second are different submissions and stay.
    using Key = std::tuple<uint32_t, int64_t, std::string>;
    std::map<Key, Score> indexed;
    for (const Score& score : merge.gameCenterScores)
        indexed[Key(wholeSeconds(score.date), score.value, score.playerID)] = score;

    std::vector<QVHighScore*> service;
    if (servicePage) {
        for (const auto& object : servicePage->objects()) {
            if (auto* score = dynamic_cast<QVHighScore*>(object.get()))
                service.push_back(score);
        }
    }
    // A service score mirrored to Game Center stands for its Game Center copy.
    for (QVHighScore* score : service) {
        auto mine = indexed.find(Key(score->gameCenterSeconds(), score->score(), merge.localPlayerID));
        if (mine != indexed.end()) {
            indexed.erase(mine);
            continue;
        }
        auto first = indexed.lower_bound(Key(score->gameCenterSeconds(), score->score(), std::string()));
        if (first != indexed.end() && std::get<0>(first->first) == score->gameCenterSeconds()
            && std::get<1>(first->first) == score->score())
            indexed.erase(first);
    }

    std::vector<Score> remaining;
    remaining.reserve(indexed.size());
    for (auto& [key, score] : indexed)
        remaining.push_back(std::move(score));
    std::stable_sort(remaining.begin(), remaining.end(),
                     merge.descending ? scoreValueDescending : scoreValueAscending);

    QVPaginatedSeries::Objects merged;
    merged.reserve(service.size() + remaining.size());
    size_t s = 0, g = 0;
    while (s < service.size() || g < remaining.size()) {
        int rank = static_cast<int>(merged.size()) + 1;
        bool takeGameCenter = false;
        if (s < service.size() && g < remaining.size()) {
            int64_t gc = remaining[g].value, own = service[s]->score();
            takeGameCenter = merge.descending ? gc > own : gc < own;
        } else {
            takeGameCenter = g < remaining.size();
        }
        if (takeGameCenter)
            merged.emplace_back(QVHighScore::initWithGkScore(remaining[g++], rank).get());
        else
            merged.emplace_back(QVHighScore::initWithQvScore(*service[s++], rank).get());
    }
    return QVPaginatedSeries::paginatedSeriesFromArray(std::move(merged));
}

namespace {

QVTableSectionDescription* sectionAt(const QVPaginatedSeries& page, size_t index)
{
    return dynamic_cast<QVTableSectionDescription*>(page.objectAtIndex(index));
}

// A new section with the title, identifier and a copy of the page (an empty page for none).
Ref<QVTableSectionDescription> copySection(const std::string& title, const std::string& identifier,
                                           const QVPaginatedSeries* page)
{
    auto copy = page ? QVPaginatedSeries::paginatedSeriesFromSeries(*page) : QVPaginatedSeries::paginatedSeries();
    auto section = QVTableSectionDescription::sectionWithTitle(title, std::move(copy));
    section->setIdentifier(identifier);
    return section;
}

} // namespace

Ref<QVPaginatedSeries> QVGameCenterLeaderboardPage::combinedPage(const QVPaginatedSeries& globals,
                                                                 const QVPaginatedSeries* friends,
                                                                 const Merge* merge)
{
    auto page = QVPaginatedSeries::paginatedSeriesFromSeries(globals);
    auto& sections = page->objects();
    // An answer of plain score rows is the list of everyone, without the
    // player's own section: it becomes the "Everyone" section.
    const bool plainRows = !sections.empty() && !sectionAt(*page, 0);
    if (plainRows) {
        sections.clear();
        sections.emplace_back(copySection(kEveryoneTitle, std::string(), &globals).get());
    }

    std::unordered_map<std::string, int> mergedRanks;
    if (merge) {
        Ref<QVPaginatedSeries> merged;
        const size_t everyoneAt = plainRows ? 0 : 1;
        if (sections.size() <= everyoneAt) {
            merged = combineScores(*merge, nullptr);
            sections.emplace_back(QVTableSectionDescription::sectionWithTitle(kEveryoneTitle, merged).get());
        } else if (QVTableSectionDescription* everyone = sectionAt(*page, everyoneAt)) {
            merged = combineScores(*merge, everyone->page());
            auto replaced = QVTableSectionDescription::sectionWithTitle(everyone->title(), merged);
            replaced->setIdentifier(everyone->identifier());
            sections[everyoneAt] = Ref<platform::Object>(replaced.get());
        }
        if (merged && !plainRows) {
            for (const auto& object : merged->objects()) {
                auto* score = dynamic_cast<QVHighScore*>(object.get());
                if (score && !score->resourceId().empty())
                    mergedRanks.emplace(score->resourceId(), score->rank());
            }
        }
    }

    // A sectioned friends answer holds its friends' scores in its last section.
    const QVPaginatedSeries* friendRows = friends;
    if (friends && !friends->objects().empty() && sectionAt(*friends, 0)) {
        auto* last = dynamic_cast<QVTableSectionDescription*>(friends->objects().back().get());
        friendRows = last ? last->page() : nullptr;
    }
    // Second on the page, after the player's own section; first before the
    // plain list of everyone or on an empty page.
    size_t friendsAt = plainRows ? 0 : std::min<size_t>(1, sections.size());
    sections.insert(sections.begin() + static_cast<long>(friendsAt),
                    Ref<platform::Object>(copySection(kFriendsTitle, std::string(), friendRows).get()));

    for (size_t i = 0; i < sections.size(); ++i) {
        QVTableSectionDescription* section = sectionAt(*page, i);
        if (!section)
            continue;
        auto copy = copySection(section->title(), section->identifier(), section->page());
        auto& scores = copy->page()->objects();
        if (i == 0 && !mergedRanks.empty()) {
            // The player's own scores are ranked as in the merged list; the
            // caller's score objects keep their rank.
            for (auto& object : scores) {
                auto* score = dynamic_cast<QVHighScore*>(object.get());
                if (!score)
                    continue;
                auto rank = mergedRanks.find(score->resourceId());
                if (rank != mergedRanks.end())
                    object = Ref<platform::Object>(QVHighScore::initWithQvScore(*score, rank->second).get());
            }
        }
        if (scores.size() > kMaxScoresPerSection)
            scores.resize(kMaxScoresPerSection);
        sections[i] = Ref<platform::Object>(copy.get());
    }
    return page;
}

} // namespace quorvel
