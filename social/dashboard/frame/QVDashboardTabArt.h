// QVDashboardTabArt: what the dashboard's tab images show, shared by the tool
// that draws them (tools/make_kit_images) and the dashboard that lays badges
// out around them, so the two cannot drift apart: the strip's height, where
// each tab draws its icon and its name, and the names drawn, tab by tab.
#pragma once

namespace quorvel::QVDashboardTabArt {

inline constexpr float kStripHeight = 36.0f;
// The icon: centred, this size, this far from the top.
inline constexpr float kIconSize = 20.0f;
inline constexpr float kIconTop = 3.0f;
// The name: the bold system font of this size, a point under the icon.
inline constexpr float kNameSize = 10.0f;
inline constexpr float kNameTop = kIconTop + kIconSize + 1;
// The names drawn, in the tabs' order (the running game's, the player's, the games').
inline constexpr const char* kNames[] = { "Now Playing", "My Quorvel", "Games" };

} // namespace quorvel::QVDashboardTabArt
