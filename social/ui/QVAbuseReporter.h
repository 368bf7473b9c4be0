// QVAbuseReporter: reports a player, a forum thread or a forum post to the
// server once the player confirms in an action sheet. A reporter owns itself:
// the class methods make one that nobody else holds, and it lets itself go
// when it finishes — after the player cancels, after the request's answer
// (success or failure alike), or at once when it lacks a user id or a screen.
// While its request runs, the asking screen (a plain screen, form or list)
// shows its loading screen.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/ViewController.h"
#include "social/runtime/QVDelegate.h"

#include <string>

namespace quorvel {

class QVAbuseReporter : public platform::Object, public QVCallbackable, public platform::ui::ActionSheetDelegate {
public:
    enum AbuseType : int { Player = 0, ForumContent = 1 };

    static void reportAbuseByUser(const std::string& userId, platform::ui::ViewController* controller);
    static void reportAbuseByUserForumThread(const std::string& userId, const std::string& threadId,
                                             platform::ui::ViewController* controller);
    static void reportAbuseByUserForumPost(const std::string& userId, const std::string& postId,
                                           platform::ui::ViewController* controller);

    // Asks for confirmation, or finishes at once without a user id or a screen.
    void report();

    int abuseType() const { return abuseType_; }
    const std::string& flaggableId() const { return flaggableId_; }
    void setFlaggableId(const std::string& id) { flaggableId_ = id; }
    const std::string& flaggableType() const { return flaggableType_; }
    void setFlaggableType(const std::string& type) { flaggableType_ = type; }
    bool reported() const { return reported_; }

    void actionSheetWillDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;
    void _reportSuccess(platform::Object*) { finish(); }
    void _reportFailed(platform::Object*) { finish(); }
    bool canReceiveCallbacksNow() override { return true; }

private:
    // The new reporter holds the only reference to itself.
    static QVAbuseReporter* initWithUserId(const std::string& userId, int type,
                                           platform::ui::ViewController* controller);
    QVAbuseReporter() = default;
    void send();
    // Hides the loading screen when a report went out, then lets the reporter go.
    void finish();

    int abuseType_ { Player };
    std::string flaggableId_;
    std::string flaggableType_;
    bool reported_ { false };
    bool finished_ { false };
    std::string userId_;
    platform::Ref<platform::ui::ViewController> viewController_;
    platform::Ref<platform::ui::ActionSheet> sheet_;
};

} // namespace quorvel
