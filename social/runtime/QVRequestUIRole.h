// QVRequestUIRole: what the player sees of requests and of events the
// runtime and the services meet — server notifications found in answers, the
// in-game notices, error screens, and the login and extended-credentials
// flows a request may need.
//
// The central class implements it and installs it at start-up (setCurrent),
// removing it at shut-down. Without a running client the defaults below
// answer: notifications and notices are logged, no error screens are allowed,
// requests start silently and those needing a login or more credentials are
// abandoned.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <string>

namespace quorvel {

struct QVXmlElement;
class QVResourceNameMap;
class QVAchievement;
class QVActionRequest;

class QVRequestUIRole {
public:
    virtual ~QVRequestUIRole() = default;

    // A <server_notification> element of an answer, with the name map the answer was read with.
    virtual void showServerNotification(const QVXmlElement& element, const QVResourceNameMap& names);
    // After a request succeeded.
    virtual void showDefaultNotice() { }
    virtual bool areErrorScreensAllowed() { return false; }
    virtual void displayErrorMessage(const std::string& message);
    // The default logs the body's "error_message", filled with the application's name.
    virtual void displayUpgradeRequiredErrorMessage(const platform::Bytes& body);
    virtual void displayServerMaintenanceNotice(const platform::Bytes&) { }
    // While a full-screen screen of the client is up every request starts silently.
    virtual bool isShowingFullScreen() { return false; }
    // A request needing a login while none is held; the default abandons it.
    virtual void launchLoginFlowForRequest(QVActionRequest& request);
    // The service refused the access token `token` (401, not for the clock):
    // the login holding it lets it go and logs the player in again; the
    // default forgets nothing.
    virtual void accessTokenRefused(const std::string&) { }
    // Requests of types 1 and 2: the notice view starts them; the default starts them silently.
    virtual void showBackgroundNoticeForLoader(QVActionRequest& request, platform::Object* notice);
    // HTTP 430: the extended-credentials flow, which retries or abandons the request;
    // the default abandons it.
    virtual void launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes& body,
                                                            platform::Object* noticeUserData);
    // The foreground notice of a request of type 1 or 2, made from its text (null: none).
    virtual platform::Ref<platform::Object> foregroundNotice(const std::string&) { return nullptr; }
    // The same with the notice's category and type; by default the plain foreground notice.
    virtual platform::Ref<platform::Object> categorizedNotice(const std::string& text, int, int)
    {
        return foregroundNotice(text);
    }
    // The notice of a published social post, carrying the post as its user
    // data; the default is the foreground notice of the text.
    virtual platform::Ref<platform::Object> publishedEventNotice(const std::string& text, platform::Object*)
    {
        return foregroundNotice(text);
    }

    // In-game notices not tied to a request: the text, the bundle image shown
    // beside it, the category and type the notification delegate sees, and
    // the status image at the bar's end (none: the success status).
    // showBackgroundNotice shows it at once; setDefaultBackgroundNotice keeps
    // it (replacing an older one) until the next successful answer. The
    // default logs the text.
    struct BackgroundNotice {
        std::string text;
        std::string imageName;
        int category { 0 };
        int type { 0 };
        std::string statusImage {};
    };
    virtual void showBackgroundNotice(const BackgroundNotice& notice);
    virtual void setDefaultBackgroundNotice(const BackgroundNotice& notice);
    // The "Achievement Unlocked!" bar for an achievement record and a percent
    // complete; the default logs it.
    virtual void showAchievementNotice(QVAchievement* achievement, double percentComplete);

    // The installed role, or the default one.
    static QVRequestUIRole& current();
    // Installs a role (not owned: the client's own lasts to the end of the
    // process, and whoever installs another removes it before it goes);
    // null restores the default.
    static void setCurrent(QVRequestUIRole* role);
};

} // namespace quorvel
