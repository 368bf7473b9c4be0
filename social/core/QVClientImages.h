// The names of the client's images: every picture of the notices, the account
// screens and the dashboard that Brisko's resources hold, as a game's bundle
// must hold them too. The list is made from resources/ when the project is
// configured.
#pragma once

#include <span>

namespace quorvel {

std::span<const char* const> QVClientImages();

} // namespace quorvel
