// The community end-to-end harness: logging the player in, adding other
// players and acting as them with signed requests.
#include "CommunityEndToEndSupport.h"

#include "social/core/QuorvelInternal.h"

namespace e2e_testing {

int64_t CommunityEndToEndTest::launchAndLogIn()
{
    int64_t player = EndToEndTest::launchAndLogIn();
    quorvel::QuorvelInternal::options().storePollingFrequencyInChat(1);
    return player;
}

int64_t CommunityEndToEndTest::addOtherPlayer(const std::string& name)
{
    int64_t id = state->addUser(name);
    std::string token = "token-other-" + std::to_string(id), secret = "secret-" + std::to_string(id);
    keep("INSERT INTO tokens VALUES ('" + token + "', '" + secret + "', " + std::to_string(id) + ")");
    service->addToken(token, secret);
    return id;
}

standin_testing::Reply CommunityEndToEndTest::actAs(int64_t player, const std::string& method, const std::string& path,
                                                   const standin::Params& form)
{
    return standin_testing::ask(serviceAddress(), port, method, path, form, "token-other-" + std::to_string(player),
                                "secret-" + std::to_string(player));
}

} // namespace e2e_testing
