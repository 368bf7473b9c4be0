// In-game notices. Everything the client tells the player while the game runs
// goes through the shared QVNotification: the notice is wrapped in a
// QVNotificationData, allowed or refused (the player's disabled option, then
// the game's notification delegate), and an allowed notice gets a sliding bar
// of its own in the top window. The only deferred notice is one default
// background notice, shown after the next successful service answer.
//
// Notice texts are shown as they are: no notice text is ever used as a format.
#pragma once

#include "platform/foundation/Object.h"
#include "social/runtime/QVDelegate.h"
#include "social/services/QVUser.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {
class Window;
class ViewController;
}

namespace quorvel {

class QVActionRequest;
class QVServerNotification;
class QVUser;

class QVNotificationData : public platform::Object {
public:
    static platform::Ref<QVNotificationData> dataWithText(const std::string& text, int category, int type);
    static platform::Ref<QVNotificationData> dataWithText(const std::string& text, int category)
    {
        return dataWithText(text, category, 0);
    }
    // A service request's progress notice (category 1, type 0).
    static platform::Ref<QVNotificationData> foreGroundDataWithText(const std::string& text)
    {
        return dataWithText(text, 1, 0);
    }

    const std::string& notificationText() const { return text_; }
    void setNotificationText(const std::string& text) { text_ = text; }
    const std::optional<std::string>& imageName() const { return imageName_; }
    void setImageName(std::optional<std::string> name) { imageName_ = std::move(name); }
    int notificationCategory() const { return category_; }
    void setNotificationCategory(int category) { category_ = category; }
    int notificationType() const { return type_; }
    void setNotificationType(int type) { type_ = type; }
    platform::Object* notificationUserData() const { return userData_.get(); }
    void setNotificationUserData(platform::Object* data) { userData_ = platform::Ref<platform::Object>(data); }

    std::string description() const override { return text_; }

protected:
    QVNotificationData() = default;

private:
    std::string text_;
    std::optional<std::string> imageName_;
    int category_ { 0 };
    int type_ { 0 };
    platform::Ref<platform::Object> userData_;
};

// An unlocked achievement: what the bar shows of it, and the percent complete.
class QVUnlockedAchievementNotificationData : public QVNotificationData {
public:
    static constexpr const char* kText = "Achievement Unlocked!";

    // Any achievement record with title(), gamerscore(), resourceId() and iconUrl().
    template <typename Achievement>
    static platform::Ref<QVUnlockedAchievementNotificationData> dataWithAchievement(Achievement* achievement,
                                                                                  double percentComplete)
    {
        if (!achievement)
            return dataWithAchievementFields(nullptr, {}, 0, {}, {}, percentComplete);
        return dataWithAchievementFields(achievement, achievement->title(), achievement->gamerscore(),
                                         achievement->resourceId(), achievement->iconUrl(), percentComplete);
    }
    static platform::Ref<QVUnlockedAchievementNotificationData> dataWithAchievementFields(
        platform::Object* achievement, const std::string& title, int gamerscore, const std::string& resourceId,
        const std::string& iconUrl, double percentComplete);

    platform::Object* unlockedAchievement() const { return achievement_.get(); }
    const std::string& title() const { return title_; }
    int gamerscore() const { return gamerscore_; }
    const std::string& resourceId() const { return resourceId_; }
    const std::string& iconUrl() const { return iconUrl_; }
    double percentComplete() const { return percentComplete_; }

private:
    QVUnlockedAchievementNotificationData() = default;
    platform::Ref<platform::Object> achievement_;
    std::string title_;
    int gamerscore_ { 0 };
    std::string resourceId_;
    std::string iconUrl_;
    double percentComplete_ { 0 };
};

// A received challenge: the challenge record, who sent it and its
// definition's icon address.
class QVReceivedChallengeNotificationData : public QVNotificationData {
public:
    static constexpr const char* kText = "New Challenge!";

    static platform::Ref<QVReceivedChallengeNotificationData> dataWithChallengeToUser(
        platform::Object* challengeToUser, QVUser* challenger, const std::string& definitionIconUrl);

    platform::Object* receivedChallengeToUser() const { return challengeToUser_.get(); }
    QVUser* challenger() const { return challenger_.get(); }
    const std::string& definitionIconUrl() const { return iconUrl_; }

private:
    QVReceivedChallengeNotificationData() = default;
    platform::Ref<platform::Object> challengeToUser_;
    platform::Ref<QVUser> challenger_;
    std::string iconUrl_;
};

// The game's notification delegate; every method is optional. A delegate that
// does not answer isQuorvelNotificationAllowed (nullopt) allows every notice.
class QVNotificationDelegate {
public:
    virtual ~QVNotificationDelegate() = default;
    virtual std::optional<bool> isQuorvelNotificationAllowed(QVNotificationData*) { return std::nullopt; }
    virtual void notificationWillShow(QVNotificationData*) { }
    virtual void handleDisallowedNotification(QVNotificationData*) { }
};

class QVNotification : public platform::Object, public QVCallbackable {
public:
    // The status image of a failed request; success has none.
    static constexpr const char* kStatusFailure = "QuorvelStatusIconNotificationFailure.png";

    // Made on first use, kept for the life of the process.
    static QVNotification& sharedInstance();

    // A notice not tied to a request (nothing while the dashboard hub is open).
    void showBackgroundNotice(QVNotificationData* data, const std::optional<std::string>& status);
    // A notice that follows a request of type 1 or 2. The request is always
    // sent: silently when the notice is refused or has nowhere to show.
    void showBackgroundNoticeForLoader(QVActionRequest& request, QVNotificationData* data);
    void showAchievementNotice(QVUnlockedAchievementNotificationData* data);
    void showChallengeNotice(QVReceivedChallengeNotificationData* data);
    // The bar of a server notification; takes the stored default notice's
    // category and type, and drops that notice.
    void showServerNotification(QVServerNotification* notification);

    void setDefaultBackgroundNotice(QVNotificationData* data, const std::optional<std::string>& status);
    // Shows the stored notice, if any, and empties the slot in every case.
    void showDefaultNotice();
    void clearDefaultNotice();
    QVNotificationData* defaultBackgroundNotice() const { return defaultNotice_.get(); }
    const std::optional<std::string>& defaultStatus() const { return defaultStatus_; }

    // The decision and the game's two hooks, each a call to the game that may
    // shut the client down: allowNotice then answers nullopt and
    // onNotificationWillShow false, and the notice goes no further.
    std::optional<bool> allowNotice(QVNotificationData* data);
    bool onNotificationWillShow(QVNotificationData* data);
    void handleDisallowedNotification(QVNotificationData* data);
    // Shows a notice through `show` in the top window: a refused notice goes
    // to the disallowed handler, one with no window to show in is dropped.
    void presentNotice(QVNotificationData* data, const std::function<void(platform::ui::Window*)>& show);

    bool canReceiveCallbacksNow() override { return true; }

    // The window notices are shown in: the presentation window of the
    // settings, else the application's key window, else its first window.
    static platform::ui::Window* getTopApplicationWindow();

    // Told of every notice that passed the decision, before its bar is
    // looked for (null: none).
    static void setAllowedNoticeObserver(std::function<void(QVNotificationData*)> observer);

private:
    QVNotification() = default;
    platform::Ref<QVNotificationData> defaultNotice_;
    std::optional<std::string> defaultStatus_;
};

} // namespace quorvel
