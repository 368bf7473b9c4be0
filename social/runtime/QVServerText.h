// Server text that the client fills in (the upgrade message takes the
// application's name): only "%@" is replaced, by the argument, and "%%" by
// "%"; every other '%' stays as it is, so server text is never a format.
#pragma once

#include <string>

namespace quorvel {

std::string QVFormatServerText(const std::string& text, const std::string& argument);

} // namespace quorvel
