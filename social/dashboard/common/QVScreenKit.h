// Small helpers the dashboard's screens share: labels sized to their text for
// rows built in code, and the dead-end and alert screens they show.
#pragma once

#include "platform/graphics/Font.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"

#include <string>

namespace quorvel {

namespace common {

// The size of the text in the label's font: as wide as it is on one line when
// width <= 0, else wrapped at that width (height unbounded).
platform::Size textSize(const platform::ui::Label* label, const std::string& text, float width = 0);
// Resizes the label to the height of its text at its width (at least minHeight).
float fitLabelHeight(platform::ui::Label* label, float minHeight = 0, float maxHeight = 0);

// Pushes a "DeadEndError" screen with the message on the stack (animated).
void pushDeadEnd(platform::ui::NavigationController* nav, const std::string& message);
void showAlert(const std::string& title, const std::string& message, const std::string& button);
// The central class's check that an error screen is already shown in the stack.
bool isShowingErrorScreen(platform::ui::NavigationController* nav);

} // namespace common

} // namespace quorvel
