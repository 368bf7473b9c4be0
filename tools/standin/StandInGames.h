// The stand-in's games: the game's profile and its description, the games
// each player plays with their reviews and favourites, the fan club, a
// player's profile page and gamerscore, and the discovery pages.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::games {

extern const char* const kSchema;
// The running game 321 and another game 322, which the rival 18 plays and likes.
extern const char* const kSeed;

// GET apps/<game>.xml: its profile, or with compared_user_id the comparison.
Answer profile(Store& s, const LoggedRequest& r, int64_t user);
// GET apps.xml: the games the caller plays, paged; with scope=people-of-interest the games the
// players the caller follows play (friends_with_app: how many of them).
Answer played(Store& s, const LoggedRequest& r, int64_t user);
// GET profiles/<player>/list_games (only_favorites=1), profiles/<player>/
// (its friends and games as sections), profiles/<player>/gamerscore and
// profiles/viewed_own.
Answer profiles(Store& s, const LoggedRequest& r, int64_t user);
// GET client_applications/<game>/users/<player>.xml: the player's review.
Answer review(Store& s, const LoggedRequest& r, int64_t user);
// POST client_applications/<game>/users/review.xml: the caller's review and favourite.
Answer writeReview(Store& s, const LoggedRequest& r, int64_t user);
// GET client_application_users/fan_club?client_application_id=<game>: who likes it, paged.
Answer fanClub(Store& s, const LoggedRequest& r, int64_t user);
// GET client_applications/<game>/application_descriptions.xml
Answer description(Store& s, const LoggedRequest& r, int64_t user);
// GET game_discovery_categories (the index) and game_discovery_categories/<page>.xml, by page: the
// placement over the running game holds two banners that take turns; other pages a banner,
// a news item and the games.
Answer discoveryIndex(Store& s, const LoggedRequest& r, int64_t user);
Answer discoveryPage(Store& s, const LoggedRequest& r, int64_t user);
// GET game_discovery_news_items/<id>.iphone: the page of a news item the discovery pages list.
Answer newsItemPage(Store& s, const LoggedRequest& r, int64_t user);
// GET banners/featured-1.png, the discovery pages' banner, and icons/<game>.png, the games'
// icons (one blue picture for all; unsigned, as images are fetched); banners/featured-2.png,
// the second featured banner, is red.
Answer banner(Store& s, const LoggedRequest& r);
// The game's flags as the login's game profile carries them (has_chat_rooms, ...).
std::string profileElement(Store& s, const std::string& game, int64_t viewer, const char* name = "game_profile_page_info");

} // namespace standin::games
