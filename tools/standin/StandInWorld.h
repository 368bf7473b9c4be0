// The community the programs that show the dashboard (the gallery and the
// showcase) play in: one set of players and their pictures, friendships, scores, achievements,
// games, challenges, forum threads, a conversation, an invitation and chat
// messages, seeded into the stand-in's kept state around the player a run
// logs in as, and the art its games and banners show. Everything a screen
// reads comes from this one seeding, so one screen never contradicts another.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

class StandInServer;
class StandInState;

namespace world {

// The seeded players besides the player and Rival, in the order added.
inline const char* const kPlayerNames[] = { "Mira Okafor", "Jun Tanaka", "Sofia Lindqvist", "Theo Brandt", "Amara Diallo" };
// The name the player takes in the world: as long as the service lets a name be (32
// characters). The program renames the player itself (through the service, as a player does).
inline constexpr const char* kPlayerName = "Alexandria Montgomery-Fitzgerald";
// The games besides the running one ("321", Brisko) and Puzzle Park ("322").
inline constexpr const char* kCaveDiver = "323";
inline constexpr const char* kRocketRun = "324";
// The chat room the seeded messages are in ("Everyone"'s first room).
inline constexpr int64_t kChatRoom = 511;
// Where the seeded players posted their scores from: around this place, a little apart.
inline constexpr double kLatitude = 52.52, kLongitude = 13.40;

struct Community {
    int64_t player { 0 };
    int64_t rival { 0 };
    std::vector<int64_t> others; // kPlayerNames, in order
    int64_t conversation { 0 };  // the player's with Rival
};

// Seeds the community around `player`. With `rivalIsFriend` the player and
// Rival are friends already; without, the program befriends Rival itself
// (through the service, as a player does). Rival, Mira, Sofia and Amara have
// pictures of their own (the service serves them at /profile_pictures/ID.jpg);
// Jun, Theo and the player none.
Community seed(StandInState& state, int64_t player, bool rivalIsFriend);

// A crowd around the seeded player, for programs that walk long lists: thirty
// more players, each the player's friend, every other one with a picture. The
// player's friends, who of them plays, whom to invite and a search for
// everyone then run past a page of the service's (25).
std::vector<int64_t> seedCrowd(StandInState& state, const Community& community);

// Answers the world's pictures from `server`: each seeded game's icon at
// /icons/ID.png and the two featured banners at /banners/featured-N.png.
// Returns false when a picture could not be drawn.
bool installArt(StandInServer& server);

} // namespace world
} // namespace standin
