// QVClientApplicationService: what the server knows about a game — its
// profile (answered from the stored local profile for the running game), the
// local player's standing beside another player's, the games a player or the
// player's friends play, a player's review; and marking a game as a favourite
// with a review, taking the mark back, and telling the server a fan club was
// opened. Every operation is a class method ending with a success and a
// failure value; the success value receives the answer series.
#pragma once

#include "social/runtime/QVService.h"

#include <optional>
#include <string>

namespace quorvel {

class QVClientApplicationService : public QVSharedService<QVClientApplicationService> {
public:
    QVClientApplicationService() = default;

    // GET "apps/<game>.xml" with "game_profile_page_info" = 1 and, for a
    // non-empty compared user, "compared_user_id". Without a compared user
    // the running game's own profile is answered from the stored local info
    // at once (nothing is sent).
    static void getGameProfilePageComparisonInfo(const std::string& gameId, const std::string& comparedToUserId,
                                                 const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void getGameProfilePageInfo(const std::string& gameId, const QVDelegate& onSuccess,
                                       const QVDelegate& onFailure);
    // GET "apps.xml": "page", "scope".
    static void getPlayedGamesInScope(const std::string& scope, int page, const QVDelegate& onSuccess,
                                      const QVDelegate& onFailure);
    static void getPlayedGamesForLocalUsersFriends(int page, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // GET "profiles/<user or me>/list_games": "page", "per_page",
    // "compared_to_user_id" = "me" for another player, "only_favorites" = 1.
    static void getPlayedGamesForUser(const std::string& userId, bool favoriteGamesOnly, int page, int perPage,
                                      const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void getPlayedGamesForUser(const std::string& userId, int page, int perPage, const QVDelegate& onSuccess,
                                      const QVDelegate& onFailure);
    static void getFavoriteGamesForUser(const std::string& userId, int page, int perPage, const QVDelegate& onSuccess,
                                        const QVDelegate& onFailure);
    // GET "client_applications/<game>/users/<user>.xml".
    static void getPlayerReviewForGame(const std::string& gameId, const std::string& userId,
                                       const QVDelegate& onSuccess, const QVDelegate& onFailure);

    // POST "client_applications/<game>/users/review.xml":
    // client_application_user[review] (when given), client_application_user[favorite].
    static platform::Ref<QVRequestHandle> setGameIsFavorite(const std::string& gameId, bool favorite,
                                                            const std::optional<std::string>& review,
                                                            const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> makeGameFavorite(const std::string& gameId,
                                                           const std::optional<std::string>& reviewText,
                                                           const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void unfavoriteGame(const std::string& gameId, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // GET "client_application_users/fan_club": "client_application_id"; the answer is ignored.
    static void viewedFanClub(const std::string& gameId);

    void populateKnownResources(QVResourceNameMap& map) override;
};

} // namespace quorvel
