// QVCommunityPolling: how the chat screens steer the client's activity
// poller: the chat interval while a room shows, the client's default interval
// when it goes. Tests install their own; by default the central class's
// poller is used.
#pragma once

#include <functional>

namespace quorvel {

struct QVCommunityPolling {
    std::function<void()> setChatFrequency;
    std::function<void()> restoreDefaultFrequency;
    // The interval a screen's own poller runs at while a conversation shows.
    std::function<double()> chatFrequency;

    static QVCommunityPolling& shared();
    static void resetToDefault();
};

} // namespace quorvel
