// The fixture of the profile, friends and find-user screens: the community
// fixture with a local player (id 17), an open dashboard whose active stack
// is a framed navigation, and users and answers built from XML.
#pragma once

#include "CommunityTestSupport.h"

#include "social/core/QuorvelInternal.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVFramedNavigationController.h"

#include <string>

namespace friends_testing {

class LocalPlayerProvider : public dashboard_testing::DashboardProvider {
public:
    platform::Ref<quorvel::QVUser> local;
    void getLocalUser(platform::Ref<quorvel::QVUser>& user) override { user = local; }
};

inline std::string userXml(const std::string& id, const std::string& name, const std::string& extra = {})
{
    return "<user><id>" + id + "</id><name>" + name + "</name>" + extra + "</user>";
}

inline std::string pageXml(int total, const std::string& rows, int currentPage = 1, int totalPages = 1)
{
    return "<?xml version=\"1.0\"?><resources><pagination_header><current_page>" + std::to_string(currentPage)
        + "</current_page><total_pages>" + std::to_string(totalPages) + "</total_pages><per_page>25</per_page>"
        + "<total_objects>" + std::to_string(total) + "</total_objects></pagination_header>" + rows + "</resources>";
}

class FriendsTest : public community_testing::CommunityTest {
protected:
    void SetUp() override
    {
        CommunityTest::SetUp();
        provider.reset();
        auto p = std::make_unique<LocalPlayerProvider>();
        localPlayer = user("17", "Ann", "<gamer_score>120</gamer_score><last_played_game_name>Brisko</last_played_game_name>");
        p->local = localPlayer;
        provider = std::move(p);
        quorvel::QuorvelInternal::options().setPendingFriendsCount(0);
    }
    void TearDown() override
    {
        root = nullptr;
        CommunityTest::TearDown();
    }

    static platform::Ref<quorvel::QVUser> user(const std::string& id, const std::string& name, const std::string& extra = {})
    {
        return community_testing::resourceFrom<quorvel::QVUser>(userXml(id, name, extra));
    }

    // A framed stack with a plain screen at its root, registered as the open
    // dashboard's active stack.
    quorvel::QVFramedNavigationController* openStack(platform::ui::ViewController* first = nullptr)
    {
        root = first ? platform::Ref<platform::ui::ViewController>(first) : platform::ui::ViewController::controller();
        auto framed = quorvel::QVFramedNavigationController::withRootViewController(root.get());
        navigation = framed;
        driver().showController(navigation.get());
        host().activeStack = navigation.get();
        settle();
        return framed.get();
    }
    template <typename T>
    T* top()
    {
        return dynamic_cast<T*>(navigation ? navigation->topViewController() : nullptr);
    }

    platform::Ref<quorvel::QVUser> localPlayer;
    platform::Ref<platform::ui::ViewController> root;
};

} // namespace friends_testing
