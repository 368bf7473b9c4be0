// The walk's road of a token the service refuses: it forgets the tokens of
// the player the client acts as, while the client runs or before it is
// launched again. The client must let such a token go once it hears the
// refusal and log the player in again; what the game sent meanwhile is the
// same player's and still arrives (the end checks follow it as any other).
#include "DeviceLifeWalk.h"

using namespace quorvel;

namespace walk_testing {

namespace {

constexpr const char* kTokenRejected = "token_rejected";

std::string ownerOf(const std::string& token)
{
    // The service's tokens name their player: "token-ID-...".
    return token.rfind("token-", 0) == 0 ? token.substr(6, token.find('-', 6) - 6) : std::string();
}

} // namespace

void DeviceLifeWalkEndToEnd::serviceRefusesTheToken()
{
    std::string who = clientRunning() ? ownerOf(lastToken) : std::string();
    if (who.empty())
        who = player.empty() || player == "?" ? ownPlayer : player;
    if (state) {
        const int refused = state->refuseTokensOf(std::stoll(who), service.get());
        note("  the service refuses the " + std::to_string(refused) + " token(s) of player " + who);
    } else {
        // The service is down: it refuses them once it runs again.
        ASSERT_TRUE(keepNow("INSERT OR IGNORE INTO refused_tokens SELECT token FROM tokens WHERE user_id = " + who));
        note("  the service, down, will refuse the tokens of player " + who);
    }
    // The client may hold none now: a trigger may log the player in again.
    tokenHeldBy.clear();
    if (clientRunning() && draw(2) == 0)
        score();
}

bool DeviceLifeWalkEndToEnd::refusedLogin(const standin::LoggedRequest& r)
{
    return r.path == "bootstrap.xml" && !r.signatureValid && r.oauthProblem == kTokenRejected;
}

void DeviceLifeWalkEndToEnd::noteARefusal(const standin::LoggedRequest& r)
{
    if (r.oauthProblem != kTokenRejected || r.oauthToken.empty() || refusedLogin(r) || !clientRunning()
        || tokensOfLoggedOutPlayers.count(r.oauthToken) || tokenRow(r.oauthToken) < clientsTokenRow
        || !refusalsAskedALogin.insert(r.oauthToken).second)
        return;
    const std::string who = ownerOf(r.oauthToken);
    note("  the service refused the token of player " + who + " on " + r.path + ": a login again may follow");
    askLogin(who == player ? who : std::string(), false, "the service refused the token");
    if (who == player)
        owedLoginAgain = who;
}

bool DeviceLifeWalkEndToEnd::wrongLoginAfterARefusal(const standin::LoggedRequest& r)
{
    if (!owedLoginAgain)
        return false;
    const std::string owed = *std::exchange(owedLoginAgain, std::nullopt);
    const std::string asking = r.param("user_id") == "0" ? std::string() : r.param("user_id");
    const bool onlyThatOne = !formLogin && !accountFlowOpen
        && std::all_of(asked.begin(), asked.end(), [&](auto& a) { return a.beforeLogout || a.player == owed; });
    if (!onlyThatOne || asking == owed)
        return false;
    ADD_FAILURE() << "after the service refused the token of player " << owed << " the client logged in again as "
                  << (asking.empty() ? std::string("the device's account") : "player " + asking);
    return true;
}

void DeviceLifeWalkEndToEnd::noteRefusalsBeforeTheServiceGoes()
{
    if (!service)
        return;
    const auto log = service->requests();
    for (size_t i = service.get() == logOf ? logSeen : 0; i < log.size(); ++i)
        noteARefusal(log[i]);
    checkTheChannelsOrder(log);
}

void DeviceLifeWalkEndToEnd::checkNoRefusedTokenKept()
{
    if (!service)
        return;
    const int connections = channel ? channel->connectionCount() : -1;
    const bool channelHeld = channel && channel.get() == channelAtTheLastLook
        && connections == channelConnectionsAtTheLastLook && channel->openConnections() > 0;
    channelAtTheLastLook = channel.get();
    channelConnectionsAtTheLastLook = connections;
    std::set<std::string> heardNow;
    for (const auto& r : service->requests()) {
        if (r.oauthProblem != kTokenRejected || r.oauthToken.empty())
            continue;
        if (auto heard = refusalsHeard.find(r.oauthToken); heard != refusalsHeard.end())
            ADD_FAILURE() << "the client sent " << r.method << " " << r.path << " signed with the token of player "
                          << ownerOf(r.oauthToken) << " that the service refused, and the client heard so by step "
                          << heard->second << ": it kept a refused token";
        // The network is quiet: the refusal was answered, unless inside a channel cut since.
        if (!r.viaChannel || channelHeld)
            heardNow.insert(r.oauthToken);
    }
    for (auto& token : heardNow)
        refusalsHeard.emplace(token, stepNumber);
}

} // namespace walk_testing
