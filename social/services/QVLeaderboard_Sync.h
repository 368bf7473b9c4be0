// QVLeaderboard_Sync: one leaderboard definition as the offline store keeps
// it — its name, flags and the game versions it belongs to — and, when it
// comes from the server, the player's best score there as the server knows
// it (score, reached_at, display text, custom data).
//
// It is read from the bootstrap answer and the offline configuration file
// (element "leaderboard"), and from a row of the store's leaderboards table
// (initWithLocalSQL), where the score fields stay empty.
#pragma once

#include "social/runtime/QVResourceFields.h"

#include "platform/foundation/Value.h"

#include <cstdint>
#include <optional>

namespace quorvel {

class QVSqlQuery;

class QVLeaderboard_Sync : public QVResource {
    QV_DECLARE_RESOURCE(QVLeaderboard_Sync)
public:
    static platform::Ref<QVLeaderboard_Sync> create() { return platform::adoptRef(new QVLeaderboard_Sync); }
    // From a row of the leaderboards table; a NULL text column reads as "".
    static platform::Ref<QVLeaderboard_Sync> initWithLocalSQL(const QVSqlQuery& row);

    static std::string getResourceName() { return "leaderboard"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_leaderboard_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    const std::string& name() const { return name_; }
    bool active() const { return active_; }
    bool allowPostingLowerScores() const { return allowPostingLowerScores_; }
    bool descendingSortOrder() const { return descendingSortOrder_; }
    bool isAggregate() const { return isAggregate_; }
    // When the player reached the best score; none when absent or unreadable.
    const std::optional<platform::Date>& reachedAt() const { return reachedAt_; }
    int64_t score() const { return score_; }
    const std::string& endVersion() const { return endVersion_; }
    const std::string& startVersion() const { return startVersion_; }
    bool visible() const { return visible_; }
    const std::string& displayText() const { return displayText_; }
    const std::string& customData() const { return customData_; }

    // Setters from the element's text.
    void setName(const std::string& text) { name_ = text; }
    void setActive(const std::string& text) { active_ = QVFieldBool::read(text); }
    void setAllowPostingLowerScores(const std::string& text) { allowPostingLowerScores_ = QVFieldBool::read(text); }
    void setDescendingSortOrder(const std::string& text) { descendingSortOrder_ = QVFieldBool::read(text); }
    void setIsAggregate(const std::string& text) { isAggregate_ = QVFieldBool::read(text); }
    void setReachedAt(const std::string& text) { reachedAt_ = parseReachedAt(text); }
    void setScore(const std::string& text) { score_ = QVFieldInt64::read(text); }
    void setEndVersion(const std::string& text) { endVersion_ = text; }
    void setStartVersion(const std::string& text) { startVersion_ = text; }
    void setVisible(const std::string& text) { visible_ = QVFieldBool::read(text); }
    void setDisplayText(const std::string& text) { displayText_ = text; }
    void setCustomData(const std::string& text) { customData_ = text; }

    // A server date "2011-02-03T04:05:06Z", or a date as achievements carry
    // their unlock dates ("2011-02-03 04:05:06", GMT unless a zone name or
    // offset follows: QVParseZonedDate); none for anything else.
    static std::optional<platform::Date> parseReachedAt(const std::string& text);

private:
    QVLeaderboard_Sync() = default;

    std::string name_;
    bool active_ { false };
    bool allowPostingLowerScores_ { false };
    bool descendingSortOrder_ { false };
    bool isAggregate_ { false };
    std::optional<platform::Date> reachedAt_;
    int64_t score_ { 0 };
    std::string endVersion_;
    std::string startVersion_;
    bool visible_ { false };
    std::string displayText_;
    std::string customData_;
};

} // namespace quorvel
