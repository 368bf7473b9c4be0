// What the community's end-to-end tests share: other players who act on the
// service by their own signed requests (as another device would), reading
// what the service kept, and a player's moves that wait for a row to load.
#pragma once

#include "EndToEndTestSupport.h"
#include "StandInRequestSupport.h"

#include <cstdint>
#include <string>

namespace e2e_testing {

class CommunityEndToEndTest : public EndToEndTest {
protected:
    // Logs in as the harness does, then keeps the chat polling interval the
    // client reads at one second (the shortest its setting takes) instead of
    // the service's five, so another player's message arrives sooner.
    int64_t launchAndLogIn();
    // Another player with a token of their own on the running service.
    int64_t addOtherPlayer(const std::string& name);
    // A request of that player, signed with their token.
    standin_testing::Reply actAs(int64_t player, const std::string& method, const std::string& path,
                                 const standin::Params& form = {});
    // The first column of the first row the service's store answers, or "".
    std::string kept(const std::string& sql) const;
    // Runs SQL on the service's store (for what no request of a player makes).
    bool keep(const std::string& sql) const;
    // Waits for a text and taps it (a row that loads, a button that appears).
    bool tapWhenShown(const std::string& text);
    // The visible texts, one line, for failure messages.
    std::string screenText() const;
};

} // namespace e2e_testing
