// The end-to-end harness.
#include "EndToEndTestSupport.h"

#include "platform/device/Screen.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/View.h"
#include "social/dashboard/account/QVAccountClasses.h"

#include <gtest/gtest.h>

namespace e2e_testing {

namespace {

template <typename T>
void collect(platform::ui::View* view, std::vector<T*>& out)
{
    if (!view || view->isHidden())
        return;
    if (auto* match = dynamic_cast<T*>(view))
        out.push_back(match);
    for (auto& sub : view->subviews())
        collect(sub.get(), out);
}

} // namespace

void EndToEndTest::SetUp()
{
    QuorvelTest::SetUp();
    // The harness's own server only lends its port (the settings file names it).
    port = server.port();
    server.stop();
    quorvel::QVRegisterAccountClasses();
    delegates->setQuorvelDelegate(&game);
    quorvel::Quorvel::setNoticeObserver([this](const quorvel::Quorvel::BackgroundNotice& n) { notices.push_back(n.text); });
    driver = std::make_unique<platform::ui::TestDriver>();
    startService();
}

void EndToEndTest::TearDown()
{
    quorvel::Quorvel::setNoticeObserver(nullptr);
    quorvel::Quorvel::shutdown();
    shown = nullptr;
    driver.reset();
    platform::ui::TestDriver::reset();
    QuorvelTest::TearDown();
    killService();
}

void EndToEndTest::startService()
{
    state = std::make_unique<standin::StandInState>(serviceHome.path());
    ASSERT_TRUE(state->isOpen()) << state->error();
    service = std::make_unique<standin::StandInServer>();
    service->setConsumer(kProductKey, kProductSecret);
    service->installDefaultRoutes();
    service->installAccountRoutes(0);
    state->install(*service);
    ASSERT_EQ(service->start(port), port) << "the port was not free again";
}

void EndToEndTest::killService()
{
    service.reset();
    state.reset();
}

void EndToEndTest::launch() { startClient({}, delegates.get()); }

void EndToEndTest::quit()
{
    quorvel::Quorvel::shutdown();
    sync();
    reloadUserDefaults();
}

std::vector<standin::LoggedRequest> EndToEndTest::serviceRequestsTo(const std::string& path) const
{
    std::vector<standin::LoggedRequest> out;
    if (service)
        for (auto& r : service->requests())
            if (r.path == path)
                out.push_back(r);
    return out;
}

bool EndToEndTest::waitUntil(const std::function<bool()>& done)
{
    return loop().runUntil(
        [&] {
            driver->advance(0.1);
            sync();
            return done();
        },
        10.0);
}

void EndToEndTest::idle(double seconds)
{
    loop().runUntil(
        [&] {
            driver->advance(0.1);
            sync();
            return false;
        },
        seconds);
}

void EndToEndTest::sync()
{
    platform::ui::ViewController* top = quorvel::QuorvelInternal::topPresentedController();
    if (top == shown.get())
        return;
    if (shown && shown->isViewLoaded()) {
        shown->notifyViewWillDisappear(false);
        shown->view()->removeFromSuperview();
        shown->notifyViewDidDisappear(false);
    }
    shown = platform::Ref<platform::ui::ViewController>(top);
    if (top) {
        platform::ui::View* v = top->view();
        v->setFrame(platform::ui::Screen::mainScreen().applicationFrame());
        top->notifyViewWillAppear(false);
        driver->window()->addSubview(v);
        top->notifyViewDidAppear(false);
    }
    driver->settle();
}

bool EndToEndTest::tap(const std::string& buttonTitle)
{
    std::vector<platform::ui::Button*> buttons;
    collect(driver->window(), buttons);
    for (auto* b : buttons)
        if (b->currentTitle() == buttonTitle) {
            bool delivered = static_cast<bool>(driver->tap(b));
            driver->advance(0.6);
            loop().runUntil([] { return false; }, 0.05);
            sync();
            return delivered;
        }
    return false;
}

std::string EndToEndTest::screenName() const
{
    auto screens = quorvel::QuorvelInternal::presentedScreens();
    return screens.empty() ? std::string() : screens.back()->className();
}

std::string EndToEndTest::loggedInUser() const { return quorvel::Quorvel::lastLoggedInUserId(); }

} // namespace e2e_testing
