// The screen test kit of the dashboard's tests: a phone (320 x 480) or tablet
// (768 x 1024) on the manual clock with the project's resources as bundle, a
// dashboard role the test steers, a recording provider the test answers with
// XML fixtures or failures, and rendering of the window to PNG (kept in the
// folder named by BRISKO_KEEP_RENDERS, when set).
#pragma once

#include "support/SavedBundleFolders.h"
#include "support/SavedControllerLoaderNames.h"
#include "support/TestSupport.h"

#include "platform/foundation/Log.h"
#include "platform/graphics/Image.h"
#include "platform/net/FakeHttpTransport.h"
#include "platform/ui/TestDriver.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/TestRuntimeRoles.h"
#include "social/ui/QVDashboardRole.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace screen_testing {

// The project's folder (BRISKO_SOURCE_DIR, else found from the test program's path).
std::string sourceDirectory();

// A dashboard role whose orientation, root and bounds the test sets; it
// records the calls that would change the dashboard.
class TestDashboardHost : public quorvel::QVDashboardRole {
public:
    platform::ui::InterfaceOrientation orientation { platform::ui::InterfaceOrientation::Portrait };
    platform::ui::ViewController* root { nullptr };
    std::vector<std::string> calls;

    platform::ui::InterfaceOrientation getDashboardOrientation() override { return orientation; }
    platform::ui::ViewController* getRootController() override { return root; }
    // The stack the open dashboard shows (null: none) and the account screens' frame.
    platform::ui::NavigationController* activeStack { nullptr };
    quorvel::QVIntroFrame* introFrame { nullptr };
    platform::ui::NavigationController* getActiveNavigationController() override { return activeStack; }
    quorvel::QVIntroFrame* activeIntroFrame() override { return introFrame; }
    // What switching between online and offline does to the open dashboard (null: nothing).
    std::function<void(bool online)> switchMode;
    void switchToOnlineDashboard() override
    {
        if (switchMode)
            switchMode(true);
    }
    void switchToOfflineDashboard() override
    {
        calls.push_back("switchToOfflineDashboard");
        if (switchMode)
            switchMode(false);
    }
    void dismissDashboard() override { calls.push_back("dismissDashboard"); }
    void animationDidStop(bool finished) override { calls.push_back(finished ? "animationDidStop" : "animationDidStop:cut"); }
    std::string initialModalURL;
    std::string initialDashboardModalContentURL() override { return initialModalURL; }
    void setInitialDashboardModalContentURL(const std::string& url) override { initialModalURL = url; }
    std::vector<platform::Ref<platform::ui::ViewController>> presented;
    void presentRootControllerWithModal(platform::ui::ViewController* screen) override
    {
        calls.push_back("presentRootControllerWithModal");
        presented.emplace_back(screen);
    }
    void dismissRootControllerOrItsModal() override { calls.push_back("dismissRootControllerOrItsModal"); }
    void presentModalOverlay(platform::Ref<platform::ui::ViewController> screen) override
    {
        calls.push_back("presentModalOverlay");
        presented.push_back(std::move(screen));
    }
    bool errorScreensAllowed { true };
    void allowErrorScreens(bool allow) override { errorScreensAllowed = allow; }
};

// One request the screens sent through the provider.
struct RecordedRequest {
    std::string path;   // relative to the server address, without the query
    std::string method;
    std::vector<std::pair<std::string, std::string>> parameters; // in order
    int requestType { 0 };  // 1 or 2 when shown with a notice; 0 for silent requests (0 and 3)
    std::string notice;     // the notice's description, empty without one
};

// A signed-request provider whose transport the test answers. Installs a
// runtime role double that hands out the provider and records notices.
class RecordingProvider : public quorvel::TestRuntimeRoles {
public:
    static constexpr const char* kServerUrl = "http://standin.test/";

    RecordingProvider();
    ~RecordingProvider() override;

    quorvel::QVProvider* provider() override { return provider_.get(); }
    bool hasUserApprovedQuorvel() override { return approved; }
    std::string lastLoggedInUserId() override { return loggedInUser; }
    bool areErrorScreensAllowed() override { return errorScreens; }
    void displayErrorMessage(const std::string& message) override { errorMessages.push_back(message); }
    void showBackgroundNoticeForLoader(quorvel::QVActionRequest& request, platform::Object* notice) override;

    // Every request the transport has seen, oldest first.
    std::vector<RecordedRequest> requests() const;
    size_t waitingCount() const { return transport_->activeCount(); }
    // Answers the oldest waiting request; false when none waits.
    bool answerWithXml(const std::string& xml, int status = 200);
    bool answerWithFailure(platform::HttpError error = platform::HttpError::CannotConnect);
    platform::FakeHttpTransport& transport() { return *transport_; }

    bool errorScreens { false };
    bool approved { true }; // false: the client drops what is asked of it
    std::vector<std::string> errorMessages;
    std::string loggedInUser; // the player the session names

private:
    platform::Ref<platform::FakeHttpTransport> transport_;
    platform::Ref<quorvel::QVProvider> provider_;
    std::vector<std::pair<std::string, int>> notices_; // url -> request type
    std::vector<std::string> noticeTexts_;
};

// The fixture of every screen test.
class ScreenTest : public testing_support::ManualClockTest {
protected:
    enum class Device { Phone, Tablet };

    void SetUp() override;
    void TearDown() override;

    // Switches the main screen (and the host's answers) to the device.
    void useDevice(Device device);
    // The window of the test driver.
    platform::ui::Window* window() const { return driver_->window(); }
    platform::ui::TestDriver& driver() { return *driver_; }
    TestDashboardHost& host() { return host_; }
    // Moves the manual clock (timers, animations) and settles layout.
    void settle(double seconds = 0) { driver_->advance(seconds); }

    // Renders the view (the window by default) through the view renderer; kept
    // as <name>.png in $BRISKO_KEEP_RENDERS when that is set.
    platform::Ref<platform::Image> render(const std::string& name, platform::ui::View* view = nullptr);

    platform::LogCapture log;

private:
    TestDashboardHost host_;
    std::unique_ptr<platform::ui::TestDriver> driver_;
    testing_support::SavedBundleFolders bundle_;
    testing_support::SavedControllerLoaderNames loaderNames_;
};

// One pixel of a rendered image (R, G, B, A), or zeros outside it.
struct Pixel {
    int r { 0 }, g { 0 }, b { 0 }, a { 0 };
};
Pixel pixelAt(const platform::Image& image, int x, int y);
// The pixel is within tolerance of the colour (alpha ignored).
bool near(const Pixel& p, int r, int g, int b, int tolerance = 12);

} // namespace screen_testing
