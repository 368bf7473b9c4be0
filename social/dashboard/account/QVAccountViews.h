// Small builders of the account screens' views: labels, buttons, text fields
// and switches placed in a parent at a frame, in the kit's look.
#pragma once

#include "platform/foundation/Selector.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextField.h"
#include "social/ui/QVDefaultButton.h"

#include <string>

namespace quorvel::account_views {

// The full-size root view of a screen (application frame at 0,0), white text on clear.
platform::Ref<platform::ui::View> rootView();
platform::Ref<platform::ui::Label> label(platform::ui::View* parent, const platform::Rect& frame, float fontSize,
                                         const std::string& text = {}, bool bold = false);
platform::Ref<QVDefaultButton> button(platform::ui::View* parent, const platform::Rect& frame, const std::string& title,
                                      platform::Object* target, platform::ui::Control::PlainAction action,
                                      bool green = true);
platform::Ref<platform::ui::TextField> field(platform::ui::View* parent, const platform::Rect& frame, int tag,
                                             const std::string& placeholder, bool secure = false);
platform::Ref<platform::ui::Switch> toggle(platform::ui::View* parent, const platform::Rect& frame);
// The button's normal background stretches between caps of 7 and 7 (the
// account screens' main buttons), not around its middle column.
void capButtonBackground(platform::ui::Button* button);
// The same for the first view with tag 1 (depth first), when it is a button.
void capTagOneButton(platform::ui::View* root);
// Width of the screen's root view.
float width(platform::ui::View* root);

// "Now Playing %@" with the game's display name.
std::string nowPlaying();

} // namespace quorvel::account_views
