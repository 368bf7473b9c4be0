// The Facebook client's session, as far as the social client uses it: one
// current session per application key, kept in the user defaults under
// "FBUserId", "FBSessionKey", "FBSessionSecret" and "FBSessionExpires", with
// delegates told of logins and logouts. The login and permission dialogs have
// no web page here: showing one puts it in the key window and records it in
// shownDialogs(), and the test (or the headless driver) completes or cancels it.
//
// A shown dialog is a view that keeps out of the on-screen keyboard's way: it
// listens to the keyboard's will-show and will-hide notifications while shown
// and answers them in keyboardWillShow / keyboardWillHide, which subclasses
// may override (a dialog placed for a large screen moves instead).
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Object.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

class FBSession;
class FBDialog;
class FBRequest;

// What a failed dialog or request reports.
struct FBError {
    std::string domain;
    int code { 0 };
    std::string localizedDescription;
};

class FBSessionDelegate {
public:
    virtual ~FBSessionDelegate() = default;
    virtual void sessionDidLogin(FBSession* session, uint64_t uid) = 0;
    virtual void sessionDidLogout(FBSession*) { }
};

class FBDialogDelegate {
public:
    virtual ~FBDialogDelegate() = default;
    virtual void dialogDidSucceed(FBDialog*) { }
    virtual void dialogDidCancel(FBDialog*) { }
    virtual void dialogDidFailWithError(FBDialog*, const FBError&) { }
    // A link in the dialog leads out of the program; true lets the dialog
    // open it in the system browser itself.
    virtual bool dialogShouldOpenURLInExternalBrowser(FBDialog*, const std::string&) { return true; }
};

class FBRequestDelegate {
public:
    virtual ~FBRequestDelegate() = default;
    virtual void requestDidFailWithError(FBRequest*, const FBError&) { }
    virtual void requestWasCancelled(FBRequest*) { }
};

class FBSession : public platform::Object {
public:
    // The current session for that application (made once; later calls update its delegate list).
    static platform::Ref<FBSession> sessionForApplication(const std::string& key, const std::string& getSessionProxy,
                                                          FBSessionDelegate* delegate);
    static FBSession* session();
    static void purgeSession();

    const std::string& apiKey() const { return apiKey_; }
    const std::string& getSessionProxy() const { return proxy_; }
    std::vector<FBSessionDelegate*>& delegates() { return delegates_; }

    bool isConnected() const { return uid_ != 0; }
    uint64_t uid() const { return uid_; }
    const std::string& sessionKey() const { return sessionKey_; }
    const std::string& sessionSecret() const { return sessionSecret_; }
    double expirationDate() const { return expires_; }

    // Restores a stored session; false when none is stored.
    bool resume();
    // A login completed: stores the session and tells the delegates.
    void begin(uint64_t uid, const std::string& sessionKey, const std::string& sessionSecret, double expires);
    // Forgets the session and its stored keys and tells the delegates.
    void logout();

private:
    FBSession() = default;
    std::string apiKey_;
    std::string proxy_;
    std::vector<FBSessionDelegate*> delegates_;
    uint64_t uid_ { 0 };
    std::string sessionKey_;
    std::string sessionSecret_;
    double expires_ { 0 };
};

class FBDialog : public platform::ui::View {
public:
    // Space kept between a dialog and the edges of the area it is shown in.
    static constexpr float kPadding = 10;

    // Puts the dialog in the key window over the application frame (less the
    // padding) and starts answering the keyboard's notifications.
    virtual void show();
    // Takes it off screen without telling the delegate.
    void dismiss();
    // Takes it off screen, then tells the delegate it succeeded or was cancelled.
    void dismissWithSuccess(bool success, bool animated);
    bool isShowing() const { return showing_; }
    void setDelegate(FBDialogDelegate* d) { delegate_ = d; }
    FBDialogDelegate* delegate() const { return delegate_.get(); }
    // Completed by the test: tells the delegate and dismisses.
    virtual void succeed();
    virtual void cancel();
    // The dialog's page failed to load: dismisses, then tells the delegate.
    void fail(const FBError& error);
    // A link leading out of the dialog was followed: opened in the system
    // browser unless the delegate declines. True when it was opened.
    bool openExternalLink(const std::string& url);

    // The keyboard is coming up (will-show) or going (will-hide). While it is
    // up the dialog fits into the part of the application frame the keyboard
    // leaves free (less the padding); when it goes the dialog takes back the
    // frame it had. A second will-show while up fits again from that frame.
    virtual void keyboardWillShow(const platform::Notification& notification);
    virtual void keyboardWillHide(const platform::Notification& notification);
    bool isMovedForKeyboard() const { return frameBeforeKeyboard_.has_value(); }

    // Dialogs shown and not yet dismissed, oldest first.
    static std::vector<platform::Ref<FBDialog>>& shownDialogs();

protected:
    FBDialog() = default;
    ~FBDialog() override;
    platform::WeakLink<FBDialogDelegate> delegate_;
    bool showing_ { false };

private:
    std::optional<platform::Rect> frameBeforeKeyboard_;
};

class FBLoginDialog : public FBDialog {
public:
    static platform::Ref<FBLoginDialog> dialogWithSession(FBSession* session);
    // For subclasses: the dialog at its default frame on the session.
    bool initWithSession(FBSession* session);
    // The login came back with a session: begins it on the session, then tells the delegate.
    void succeedWithSession(uint64_t uid, const std::string& key, const std::string& secret, double expires);
    FBSession* session() const { return session_.get(); }

protected:
    FBLoginDialog() = default;

private:
    platform::Ref<FBSession> session_;
};

class FBPermissionDialog : public FBDialog {
public:
    static platform::Ref<FBPermissionDialog> dialog();
    void setPermission(std::string p) { permission_ = std::move(p); }
    const std::string& permission() const { return permission_; }

private:
    FBPermissionDialog() = default;
    std::string permission_;
};

// A call to the Facebook API. There is no Facebook service here: the test (or
// the headless driver) ends a request by failing or cancelling it, and the
// delegate hears of it once.
class FBRequest : public platform::Object {
public:
    static platform::Ref<FBRequest> requestWithDelegate(FBRequestDelegate* delegate);
    void setDelegate(FBRequestDelegate* d) { delegate_ = d; }
    FBRequestDelegate* delegate() const { return delegate_.get(); }
    bool isFinished() const { return finished_; }
    void fail(const FBError& error);
    void cancel();

private:
    FBRequest() = default;
    platform::WeakLink<FBRequestDelegate> delegate_;
    bool finished_ { false };
};

} // namespace quorvel
