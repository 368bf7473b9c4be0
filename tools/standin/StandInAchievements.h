// The stand-in's achievements: the game's definitions and each player's
// progress towards them.
#pragma once

#include "tools/standin/StandInStore.h"

#include <string>

namespace standin::achievements {

extern const char* const kSchema;
// Achievements 11 "First Steps" and 12 "Collector".
extern const char* const kSeed;

// <achievements> of the bootstrap: every definition with the player's progress.
std::string offline(Store& s, int64_t user);

// GET client_applications/<game>/achievement_definitions.xml: the game's
// achievements in their order, by page, each with the caller's progress.
Answer definitions(Store& s, const LoggedRequest& r, int64_t user);
Answer submitUnlocks(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::achievements
