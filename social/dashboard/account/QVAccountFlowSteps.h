// Steps the account screens share: moving along the intro frame's navigation
// stack, ending the sequence, and small form helpers.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/NavigationController.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"

#include <string>

namespace quorvel::account_steps {

// Switches the active intro frame to or from full screen (nothing without one).
void setIntroFullscreen(bool fullscreen);
// Pushes a screen made by name; a name that made nothing pushes nothing.
void pushOn(platform::ui::NavigationController* nav, const platform::Ref<platform::ui::ViewController>& screen,
            bool animated);
// Offers the sign-in screen over `from`: cancelling it comes back to `from`
// (through onCancel), signing in calls onDone.
void pushLoginOver(platform::ui::ViewController* from, const QVDelegate& onCancel, const QVDelegate& onDone);
// The last step of the sequence over `from`: offering to link the social
// networks, which ends the sequence through onDone.
void pushLinkNetworks(platform::ui::ViewController* from, const QVDelegate& onDone);
void popBackTo(platform::ui::ViewController* screen);
// Ends the sequence: error screens back on, the intro frame closed.
void closeIntro();
// While a login's bootstrap runs, a request the service refuses shows no
// error screen of its own (the login says once what failed). Answers whether
// error screens were allowed, for restoreErrorScreens.
bool holdErrorScreens();
void restoreErrorScreens(bool wereAllowed);

// A step's hold on the error screens while its login runs, given back once whichever way the step
// ends: its answer, its screen leaving the stack (a dropped answer), or the hold's owner going. A
// dashboard closed since the hold was taken gave them back already (a later step may hold them
// now): the hold then gives nothing back.
class ErrorScreenHold {
public:
    ErrorScreenHold() = default;
    ErrorScreenHold(const ErrorScreenHold&) = delete;
    ErrorScreenHold& operator=(const ErrorScreenHold&) = delete;
    ~ErrorScreenHold() { giveBack(); }
    void take();
    void giveBack();
    bool held() const { return held_; }

private:
    bool held_ { false };
    bool wereAllowed_ { false };
    int dashboard_ { 0 }; // the dashboards closed when it was taken
};

// A stored setting, "" when there is none.
std::string setting(const char* key);
void writeParam(QVHttpNestedQueryStringWriter& params, const char* name, std::string value);
// "Finding Friends" after a network was linked.
platform::Ref<platform::ui::ViewController> connectedMessage(const char* titleLabel, const char* message);
platform::Ref<platform::ui::ImageAsset> statusImage(const char* name);

// Where a player sets who may read their Facebook profile.
constexpr const char* kFacebookSiteAddress = "http://www.facebook.com";

} // namespace quorvel::account_steps
