// Small pieces the community screens (chat, conversations, forums, inbox,
// announcements) share: labels and text sizes for rows built in code, the
// dead-end and alert screens they show, and the way they steer the client's
// activity poller.
#pragma once

#include "platform/graphics/Font.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"

#include <functional>
#include <string>

namespace quorvel {

namespace community {

// The width of a dashboard row.
float rowWidth();
platform::Ref<platform::ui::Label> makeLabel(const platform::Rect& frame, float fontSize, bool bold);
// The size of the text in the label's font: as wide as it is on one line when
// width <= 0, else wrapped at that width (height unbounded).
platform::Size textSize(const platform::ui::Label* label, const std::string& text, float width = 0);
// Resizes the label to the height of its text at its width (at least minHeight).
float fitLabelHeight(platform::ui::Label* label, float minHeight = 0, float maxHeight = 0);
float maxX(const platform::ui::View* v);
float maxY(const platform::ui::View* v);

// Pushes a "DeadEndError" screen with the message on the stack (animated).
void pushDeadEnd(platform::ui::NavigationController* nav, const std::string& message);
void showAlert(const std::string& title, const std::string& message, const std::string& button);
// The central class's check that an error screen is already shown in the stack.
bool isShowingErrorScreen(platform::ui::NavigationController* nav);

} // namespace community

// How the chat screens steer the client's activity poller: the chat interval
// while a room shows, the client's default interval when it goes. Tests
// install their own; by default the central class's poller is used.
struct QVCommunityPolling {
    std::function<void()> setChatFrequency;
    std::function<void()> restoreDefaultFrequency;
    // The interval a screen's own poller runs at while a conversation shows.
    std::function<double()> chatFrequency;

    static QVCommunityPolling& shared();
    static void resetToDefault();
};

} // namespace quorvel
