// The dashboard pages' test fixture: the screen test kit's phone or tablet,
// a recording provider whose facade state (online, the running game and its
// stored profile, the local player) the test sets, a private home for the
// user defaults, and the fixtures of tests/data/standin.
#pragma once

#include "../ui/ScreenTestKit.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/AlertView.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/frame/QVTickerProxy.h"
#include "social/runtime/QVResourceNameMap.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/ui/QVNavigationController.h"

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace dashboard_testing {

// tests/data/standin.
inline std::string fixture(const std::string& name)
{
    return testing_support::readFile(screen_testing::sourceDirectory() + "/tests/data/standin/" + name);
}

// The client's own sources (social/, .cpp and .h): file name and text.
inline std::vector<std::pair<std::string, std::string>> clientSources()
{
    std::vector<std::pair<std::string, std::string>> out;
    namespace fs = std::filesystem;
    for (const auto& entry : fs::recursive_directory_iterator(screen_testing::sourceDirectory() + "/social")) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".cpp" || extension == ".h"))
            out.emplace_back(entry.path().filename().string(), testing_support::readFile(entry.path().string()));
    }
    return out;
}

// The facade's state as the pages read it.
class DashboardProvider : public screen_testing::RecordingProvider {
public:
    bool online { true };
    std::string applicationId { "55" };
    std::string userId { "17" };
    std::string shortName { "Brisko" };
    platform::Ref<quorvel::QVGameProfilePageInfo> localInfo;
    std::optional<std::pair<double, double>> location;

    bool isOnline() override { return online; }
    std::string clientApplicationId() override { return applicationId; }
    std::string lastLoggedInUserId() override { return userId; }
    std::string applicationShortDisplayName() override { return shortName; }
    void getLocalGameProfileInfo(platform::Ref<quorvel::QVGameProfilePageInfo>& info) override { info = localInfo; }
    std::optional<std::pair<double, double>> userLocation() override { return location; }
};

// A <game_profile_page_info> answer.
inline std::string profileXml(const std::string& id, const std::string& shortName, bool leaderboards,
                              bool achievements, bool challenges)
{
    auto flag = [](bool b) { return b ? "true" : "false"; };
    return std::string("<?xml version=\"1.0\"?><resources><game_profile_page_info><id>") + id + "</id><name>"
        + shortName + " Deluxe</name><short_name>" + shortName + "</short_name><icon_url>http://standin.test/icons/"
        + id + ".png</icon_url><has_leaderboards>" + flag(leaderboards) + "</has_leaderboards><has_achievements>"
        + flag(achievements) + "</has_achievements><has_challenges>" + flag(challenges)
        + "</has_challenges><is_owned_by_local_player>true</is_owned_by_local_player></game_profile_page_info></resources>";
}

class DashboardTest : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        oldHome_ = platform::Bundle::main().homeDirectory();
        platform::Bundle::main().setHomeDirectory(home.path());
        platform::UserDefaults::resetStandardUserDefaults();
        provider = std::make_unique<DashboardProvider>();
        quorvel::QVTickerProxy::purgeSharedInstance();
    }
    void TearDown() override
    {
        // Requests still waiting hold their screens: end them before the screens go.
        for (int i = 0; i < 20 && provider && provider->waitingCount() > 0; ++i) {
            provider->answerWithFailure();
            settle();
        }
        host().activeStack = nullptr;
        navigation = nullptr;
        settle(1);
        quorvel::QVTickerProxy::purgeSharedInstance();
        provider.reset();
        platform::Bundle::main().setHomeDirectory(oldHome_);
        platform::UserDefaults::resetStandardUserDefaults();
        ScreenTest::TearDown();
    }

    // The running game's stored profile.
    void setLocalProfile(const std::string& id, bool leaderboards, bool achievements, bool challenges)
    {
        provider->applicationId = id;
        provider->localInfo = profileFrom(profileXml(id, "Brisko", leaderboards, achievements, challenges));
    }
    static platform::Ref<quorvel::QVGameProfilePageInfo> profileFrom(const std::string& xml)
    {
        auto document = quorvel::QVXmlDocument::xmlDocumentWithString(xml);
        const quorvel::QVXmlElement* top = document ? document->topElement() : nullptr;
        if (!top || top->children.empty())
            return nullptr;
        platform::Ref<quorvel::QVResource> made = quorvel::QVGameProfilePageInfo::staticResourceClass().create();
        platform::Ref<quorvel::QVGameProfilePageInfo> info(dynamic_cast<quorvel::QVGameProfilePageInfo*>(made.get()));
        quorvel::QVResourceNameMap names;
        info->populateFromXml(*top->children.front(), names);
        return info;
    }

    // Shows the controller as the root of a navigation stack in the window.
    quorvel::QVNavigationController* showInNavigation(platform::ui::ViewController* controller)
    {
        navigation = quorvel::QVNavigationController::withRootViewController(controller);
        driver().showController(navigation.get());
        settle();
        return navigation.get();
    }

    // The stack shown leaves the window and the test lets go of it, as when
    // the dashboard closes; answers whether the screen went with it.
    bool closeNavigation(platform::Ref<platform::ui::ViewController> screen)
    {
        platform::Weak<platform::ui::ViewController> gone(screen.get());
        screen = nullptr;
        if (navigation && navigation->isViewLoaded())
            navigation->view()->removeFromSuperview();
        host().activeStack = nullptr;
        navigation = nullptr;
        settle(1);
        return gone.expired();
    }

    testing_support::TempDir home;
    std::unique_ptr<DashboardProvider> provider;
    platform::Ref<quorvel::QVNavigationController> navigation;

private:
    std::string oldHome_;
};

} // namespace dashboard_testing
