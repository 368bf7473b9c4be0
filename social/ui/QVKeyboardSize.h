// The keyboard's size from a keyboard notification's user information, in
// the dashboard's orientation: the end frame (width and height exchanged when
// the dashboard is turned to landscape) on systems that report it, else the
// bounds.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Value.h"

namespace quorvel {

platform::Size QVgetKeyboardSize(const platform::Value& userInfo);
// The same for a system that does (or does not) report the end frame.
platform::Size QVgetKeyboardSize(const platform::Value& userInfo, bool systemHasEndFrame);

} // namespace quorvel
