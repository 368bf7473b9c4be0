// The local user and the game's profile information, archived in the user defaults.
#include "social/core/Quorvel.h"

namespace quorvel {

void Quorvel::registerLocalRecordDefaults(platform::ValueDictionary&) { }

std::string Quorvel::lastLoggedInUserId() { return {}; }

} // namespace quorvel
