// Shared pieces of the service tests: the stand-in's fixture folder, a host
// that plays the facade (local user, online state, game id, notices), and the
// request's own parameters out of the stand-in's log.
#pragma once

#include "social/runtime/TestRuntimeRoles.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVUser.h"

#include "support/NetTestSupport.h"
#include "support/TestSupport.h"

#include "platform/device/Device.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUsersCredentialService.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace service_testing {

// tests/data/standin, from BRISKO_SOURCE_DIR (ctest) or the nearest folder above the working one.
inline std::string fixtureDirectory()
{
    if (const char* source = std::getenv("BRISKO_SOURCE_DIR"))
        return std::string(source) + "/tests/data/standin";
    for (auto dir = std::filesystem::current_path(); !dir.empty(); dir = dir.parent_path()) {
        auto candidate = dir / "tests/data/standin";
        if (std::filesystem::exists(candidate))
            return candidate.string();
        if (dir == dir.parent_path())
            break;
    }
    return "tests/data/standin";
}

inline std::string fixture(const std::string& name)
{
    return testing_support::readFile(fixtureDirectory() + "/" + name);
}

// The facade's state as the services read it.
template <typename Base = quorvel::TestRuntimeRoles>
class FacadeHost : public Base {
public:
    platform::Ref<quorvel::QVUser> local { quorvel::QVUser::invalidUser() };
    bool onlineFlag { true };
    std::string gameId { "301" };
    std::vector<std::string> notices;

    void getLocalUser(platform::Ref<quorvel::QVUser>& user) override { user = local; }
    bool isOnline() override { return onlineFlag; }
    std::string clientApplicationId() override { return gameId; }
    // The local user's id, as the client answers it, unless a test names another.
    std::optional<std::string> lastUserId;
    platform::Ref<quorvel::QVGameProfilePageInfo> localGameInfo;
    std::string lastLoggedInUserId() override
    {
        return lastUserId ? *lastUserId : local ? local->resourceId() : std::string();
    }
    std::string applicationDisplayName() override { return "Rocket Run"; }
    std::string shortName { "Rocket" };
    std::string applicationShortDisplayName() override { return shortName; }
    // The player's choice about social posts (none made by default).
    bool rememberedChoice { false };
    bool allowsPosts { false };
    bool userHasRememberedChoiceForNotifications() override { return rememberedChoice; }
    bool userAllowsNotifications() override { return allowsPosts; }
    // The client's poller (none by default).
    std::function<void(const quorvel::QVResourceClass&)> clearPollingCache;
    std::function<void()> pollNow;
    void clearPollingCacheForClassType(const quorvel::QVResourceClass& c) override
    {
        if (clearPollingCache)
            clearPollingCache(c);
    }
    void forceImmediatePoll() override
    {
        if (pollNow)
            pollNow();
    }
    void getLocalGameProfileInfo(platform::Ref<quorvel::QVGameProfilePageInfo>& info) override { info = localGameInfo; }
    platform::Ref<platform::Object> foregroundNotice(const std::string& text) override
    {
        notices.push_back(text);
        return nullptr;
    }
    // Each notice made with its category and type, as "text category/type".
    std::vector<std::string> categorizedNotices;
    platform::Ref<platform::Object> categorizedNotice(const std::string& text, int category, int type) override
    {
        categorizedNotices.push_back(text + " " + std::to_string(category) + "/" + std::to_string(type));
        return Base::categorizedNotice(text, category, type);
    }
};

// The answers of the user, friends and credentials endpoints, from the fixtures.
inline void installUserRoutes(standin::StandInServer& server)
{
    using standin::Answer;
    auto file = [](const char* name) { return Answer::xml(fixture(name)); };
    server.route("GET", "users/17/", file("user.xml"));
    for (const char* who : { "@me", "17" }) {
        server.route("POST", std::string("users/") + who + "/set_location.xml", file("ok.xml"));
        server.route("GET", std::string("http_basic_credentials/") + who + ".xml", file("http_basic_credential.xml"));
    }
    server.route("GET", "users/for_device.xml", file("users.xml"));
    // The lists of users.xml: sectioned for the full alphabetical list unless
    // asked otherwise; one user for a page of one.
    std::string sectioned = fixture("friends_sectioned.xml"), plain = fixture("users.xml");
    server.route("GET", "users.xml", [sectioned, plain](const standin::LoggedRequest& r) {
        if (r.param("full_alphabetical_list") == "1" && r.param("not_sectioned") != "yes")
            return Answer::xml(sectioned);
        if (r.param("per_page") == "1")
            return Answer::xml("<resources><user><id>17</id></user></resources>");
        return Answer::xml(plain);
    });
    server.route("POST", "users/17/following.xml", file("ok.xml"));
    server.route("DELETE", "users/17/following.xml", file("ok.xml"));
    server.route("GET", "invites/new/invitable_friends", file("users.xml"));
    server.route("GET", "users_credentials", file("users_credentials.xml"));
    server.route("GET", "users_credentials/import_friends", file("ok.xml"));
    server.route("GET", "profile_picture", file("users_credentials.xml"));
    for (const char* type : { "http_basic", "twitter", "fbconnect" })
        server.route("POST", std::string("profile_picture/select/") + type, file("ok.xml"));
    server.route("POST", "profile_picture/refresh", file("ok.xml"));
}

// A request's own parameters: the log's parameters without the client fields every signed request carries.
inline standin::Params ownParams(const standin::LoggedRequest& r)
{
    standin::Params own;
    for (const auto& [name, value] : r.params) {
        if (name.rfind("info_client_", 0) != 0 && name != "session_id")
            own.emplace_back(name, value);
    }
    return own;
}

// A service call handed its success and failure delegates.
using ServiceCall = std::function<void(const quorvel::QVDelegate&, const quorvel::QVDelegate&)>;

// The stand-in with every user route, a provider holding a token, and the facade's state.
class ServiceNetTest : public net_testing::NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        facade.providerLink = provider.get();
        quorvel::TestRuntimeRoles::setCurrent(&facade);
        provider->setAccessToken("token-1", "token-secret-1");
        installUserRoutes(server);
        platform::ui::Device::currentDevice().setInstallationDirectory(home.path());
        recorder = net_testing::CallbackRecorder::create();
    }
    void TearDown() override
    {
        quorvel::QVUser::setDelegate(nullptr);
        quorvel::QVUserService::shutdownService();
        quorvel::QVFriendsService::shutdownService();
        quorvel::QVUsersCredentialService::shutdownService();
        // The device's identifier goes back to the home folder: written into
        // this test's folder, it would bring the removed folder back.
        platform::ui::Device::currentDevice().setInstallationDirectory({});
        NetTest::TearDown();
    }
    bool waitForRequests(size_t n) { return waitFor([&] { return server.requestCount() >= n; }); }
    bool waitForCallback() { return waitFor([&] { return recorder->total() > 0; }); }
    // Sends one call on an empty log and notice list, expects it to succeed
    // with exactly one request, and answers that request's log entry.
    standin::LoggedRequest sendOne(const ServiceCall& call)
    {
        server.clearLog();
        facade.notices.clear();
        recorder = net_testing::CallbackRecorder::create();
        call(recorder->onSuccess(), recorder->onFailure());
        EXPECT_TRUE(waitForCallback());
        EXPECT_EQ(recorder->successes, 1);
        auto log = server.requests();
        EXPECT_EQ(log.size(), 1u);
        return log.empty() ? standin::LoggedRequest() : log[0];
    }
    quorvel::QVPaginatedSeries* answer() const
    {
        return dynamic_cast<quorvel::QVPaginatedSeries*>(recorder->successArg.get());
    }

    FacadeHost<net_testing::RecordingHost> facade;
    platform::Ref<net_testing::CallbackRecorder> recorder;
};

} // namespace service_testing
