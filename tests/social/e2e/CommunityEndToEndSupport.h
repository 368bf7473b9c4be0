// What the community's end-to-end tests share: other players who act on the
// service by their own signed requests (as another device would).
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
};

} // namespace e2e_testing
