// Moves shared by the dashboard's end-to-end tests: what the service keeps,
// read from (or arranged in) its file, and the views a player touches that
// have no text to find them by (a switch, a star, a picture).
#pragma once

#include "EndToEndTestSupport.h"

#include "platform/device/Device.h"
#include "platform/device/Screen.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"

#include <string>
#include <vector>

namespace e2e_testing {

class DashboardEndToEndTest : public EndToEndTest {
protected:
    // Changes what the service keeps, as its operator would (keep by its older name).
    bool arrange(const std::string& sql) const { return keep(sql); }

    // The views of a kind a player can see now, in tree order.
    template <typename T>
    std::vector<T*> visible() const
    {
        std::vector<T*> out;
        collectVisible(driver->window(), out);
        return out;
    }
    // What has arrived is handled and the clock moves on a little: the player does not wait.
    void moveOn(double seconds = 0.02)
    {
        loop().runOnce(0);
        driver->advance(seconds);
        sync();
    }
    // Taps a view and lets the screens settle.
    bool touch(platform::ui::View* view)
    {
        if (!view)
            return false;
        bool delivered = static_cast<bool>(driver->tap(view));
        settleAfterTouch();
        return delivered;
    }
    // The visible view of a kind that lies on the row showing `text`
    // (a row's switch beside its name).
    template <typename T>
    T* besideText(const std::string& text) const
    {
        for (auto* label : visible<platform::ui::View>()) {
            auto* l = dynamic_cast<platform::ui::Label*>(label);
            if (!l || l->text() != text)
                continue;
            platform::Rect row = l->convertRectTo(l->bounds(), nullptr);
            for (auto* candidate : visible<T>()) {
                platform::Rect r = candidate->convertRectTo(candidate->bounds(), nullptr);
                if (r.midY() >= row.minY() && r.midY() <= row.maxY())
                    return candidate;
            }
        }
        return nullptr;
    }
    std::string player() const { return loggedInUser(); }
    // The device has opened the account `id` before: the game starts, the
    // player approves the service, that account logs in and the intro offers
    // it ("This isn't me" shows).
    void approveWithOneDeviceAccount(int64_t id)
    {
        const std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
        ASSERT_TRUE(arrange("INSERT INTO device_accounts VALUES ('" + udid + "', " + std::to_string(id) + ")"));
        launch();
        ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController"));
        ASSERT_TRUE(tap("Use Quorvel"));
        ASSERT_TRUE(waitForText("This isn't me"));
    }
    // Sends the e-mail login on screen for an account the service keeps; the
    // bootstrap that follows is answered with `status`, a refusal: the player
    // reads that the login failed.
    void sendEmailLoginRefusedAtBootstrap(int status)
    {
        ASSERT_TRUE(state->secureAccount(state->addUser("Zed"), "zed@example.com", "secret"));
        ASSERT_TRUE(waitForText("Log In To Quorvel"));
        ASSERT_TRUE(typeInto(0, "zed@example.com"));
        ASSERT_TRUE(typeInto(1, "secret"));
        const size_t before = serviceRequestsTo("bootstrap.xml").size();
        service->script("POST", "bootstrap.xml", standin::Answer::xml("<errors><error>refused</error></errors>", status));
        ASSERT_TRUE(tap("Log In"));
        ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("bootstrap.xml").size() > before; }));
        ASSERT_TRUE(waitForText(quorvel::QVAccountSetupBaseController::kLoginFailedMessage));
        // Anything that would come later (a delayed error screen) has come.
        letTimePass(1.0);
    }

private:
    template <typename T>
    static void collectVisible(platform::ui::View* view, std::vector<T*>& out)
    {
        std::vector<platform::ui::View*> seen;
        seenViews(view, seen);
        for (auto* v : seen)
            if (auto* match = dynamic_cast<T*>(v))
                out.push_back(match);
    }
};

} // namespace e2e_testing
