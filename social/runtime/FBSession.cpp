// The minimal Facebook session: stored keys, delegates, recorded dialogs.
#include "social/runtime/FBSession.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Window.h"
#include "social/runtime/QVSharedInstance.h"

#include <algorithm>

namespace quorvel {

using platform::Ref;
using platform::UserDefaults;

using SharedSession = QVSharedInstance<FBSession>;

Ref<FBSession> FBSession::sessionForApplication(const std::string& key, const std::string& proxy,
                                                FBSessionDelegate* delegate)
{
    if (!SharedSession::shared() || SharedSession::shared()->apiKey_ != key) {
        SharedSession::set(platform::adoptRef(new FBSession));
        SharedSession::shared()->apiKey_ = key;
    }
    Ref<FBSession> current(SharedSession::shared());
    current->proxy_ = proxy;
    if (delegate
        && std::find(current->delegates_.begin(), current->delegates_.end(), delegate) == current->delegates_.end())
        current->delegates_.push_back(delegate);
    return current;
}

FBSession* FBSession::session() { return SharedSession::shared(); }
void FBSession::purgeSession() { SharedSession::purge(); }

bool FBSession::resume()
{
    auto& d = UserDefaults::standardUserDefaults();
    uint64_t uid = static_cast<uint64_t>(d.objectForKey("FBUserId").asInteger());
    std::string key = d.stringForKey("FBSessionKey");
    if (uid == 0 || key.empty())
        return false;
    uid_ = uid;
    sessionKey_ = key;
    sessionSecret_ = d.stringForKey("FBSessionSecret");
    expires_ = d.objectForKey("FBSessionExpires").asDouble();
    return true;
}

void FBSession::begin(uint64_t uid, const std::string& sessionKey, const std::string& sessionSecret, double expires)
{
    Ref<FBSession> keep(this);
    uid_ = uid;
    sessionKey_ = sessionKey;
    sessionSecret_ = sessionSecret;
    expires_ = expires;
    auto& d = UserDefaults::standardUserDefaults();
    d.setObject("FBUserId", platform::Value(static_cast<long long>(uid)));
    d.setObject("FBSessionKey", platform::Value(sessionKey));
    d.setObject("FBSessionSecret", platform::Value(sessionSecret));
    d.setDouble("FBSessionExpires", expires);
    auto delegates = delegates_; // a delegate may remove itself
    for (auto* delegate : delegates)
        delegate->sessionDidLogin(this, uid);
}

void FBSession::logout()
{
    Ref<FBSession> keep(this);
    uid_ = 0;
    sessionKey_.clear();
    sessionSecret_.clear();
    expires_ = 0;
    auto& d = UserDefaults::standardUserDefaults();
    for (const char* key : { "FBUserId", "FBSessionKey", "FBSessionSecret", "FBSessionExpires" })
        d.removeObjectForKey(key);
    auto delegates = delegates_;
    for (auto* delegate : delegates)
        delegate->sessionDidLogout(this);
}

std::vector<Ref<FBDialog>>& FBDialog::shownDialogs()
{
    static std::vector<Ref<FBDialog>> dialogs;
    return dialogs;
}

namespace {

platform::Rect defaultDialogFrame()
{
    return platform::ui::Screen::mainScreen().applicationFrame().insetBy(FBDialog::kPadding, FBDialog::kPadding);
}

// The part of area that the keyboard (a strip along one edge of the screen)
// leaves free; the whole area when the keyboard does not reach it.
platform::Rect areaLeftByKeyboard(const platform::Rect& area, const platform::Rect& keyboard)
{
    platform::Rect free = area;
    if (keyboard.isEmpty() || !keyboard.intersects(area))
        return free;
    if (keyboard.size.width >= keyboard.size.height) {
        float top = keyboard.minY() > area.midY() ? area.minY() : keyboard.maxY();
        float bottom = keyboard.minY() > area.midY() ? keyboard.minY() : area.maxY();
        free = platform::Rect(area.minX(), top, area.size.width, std::max(0.f, bottom - top));
    } else {
        float left = keyboard.minX() > area.midX() ? area.minX() : keyboard.maxX();
        float right = keyboard.minX() > area.midX() ? keyboard.minX() : area.maxX();
        free = platform::Rect(left, area.minY(), std::max(0.f, right - left), area.size.height);
    }
    return free;
}

} // namespace

FBDialog::~FBDialog()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void FBDialog::show()
{
    if (showing_)
        return;
    showing_ = true;
    shownDialogs().emplace_back(this);
    setFrame(defaultDialogFrame());
    if (platform::ui::Window* window = platform::ui::Application::sharedApplication().topWindow())
        window->addSubview(this);
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, platform::ui::kKeyboardWillShowNotification,
                       [this](const platform::Notification& n) { keyboardWillShow(n); });
    center.addObserver(this, platform::ui::kKeyboardWillHideNotification,
                       [this](const platform::Notification& n) { keyboardWillHide(n); });
}

void FBDialog::dismiss()
{
    if (!showing_)
        return;
    showing_ = false;
    Ref<FBDialog> keep(this);
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    frameBeforeKeyboard_.reset();
    removeFromSuperview();
    auto& list = shownDialogs();
    list.erase(std::remove_if(list.begin(), list.end(), [this](const Ref<FBDialog>& d) { return d.get() == this; }),
               list.end());
}

void FBDialog::dismissWithSuccess(bool success, bool animated)
{
    if (success)
        succeed();
    else
        cancel();
}

void FBDialog::keyboardWillShow(const platform::Notification& notification)
{
    platform::Rect keyboard = platform::ui::rectFromValue(notification.userInfo[platform::ui::kKeyboardFrameEndUserInfoKey]);
    if (keyboard.isEmpty())
        keyboard = platform::ui::Keyboard::shared().visibleFrame();
    platform::Rect before = frameBeforeKeyboard_.value_or(frame());
    platform::Rect free = areaLeftByKeyboard(platform::ui::Screen::mainScreen().applicationFrame(), keyboard);
    platform::Rect fitted = before.intersection(free.insetBy(kPadding, kPadding));
    if (fitted == before)
        return; // clear of the keyboard already
    frameBeforeKeyboard_ = before;
    setFrame(fitted.isEmpty() ? free.insetBy(kPadding, kPadding) : fitted);
}

void FBDialog::keyboardWillHide(const platform::Notification&)
{
    if (!frameBeforeKeyboard_)
        return;
    setFrame(*frameBeforeKeyboard_);
    frameBeforeKeyboard_.reset();
}

void FBDialog::succeed()
{
    Ref<FBDialog> keep(this);
    dismiss();
    if (auto delegate = delegate_.lock())
        delegate->dialogDidSucceed(this);
}

void FBDialog::cancel()
{
    Ref<FBDialog> keep(this);
    dismiss();
    if (auto delegate = delegate_.lock())
        delegate->dialogDidCancel(this);
}

void FBDialog::fail(const FBError& error)
{
    Ref<FBDialog> keep(this);
    dismiss();
    if (auto delegate = delegate_.lock())
        delegate->dialogDidFailWithError(this, error);
}

bool FBDialog::openExternalLink(const std::string& url)
{
    Ref<FBDialog> keep(this);
    if (auto delegate = delegate_.lock(); delegate && !delegate->dialogShouldOpenURLInExternalBrowser(this, url))
        return false;
    return platform::ui::Application::sharedApplication().openURL(url);
}

Ref<FBRequest> FBRequest::requestWithDelegate(FBRequestDelegate* delegate)
{
    auto r = platform::adoptRef(new FBRequest);
    r->delegate_ = delegate;
    return r;
}

void FBRequest::fail(const FBError& error)
{
    if (finished_)
        return;
    finished_ = true;
    Ref<FBRequest> keep(this);
    if (auto delegate = delegate_.lock())
        delegate->requestDidFailWithError(this, error);
}

void FBRequest::cancel()
{
    if (finished_)
        return;
    finished_ = true;
    Ref<FBRequest> keep(this);
    if (auto delegate = delegate_.lock())
        delegate->requestWasCancelled(this);
}

Ref<FBLoginDialog> FBLoginDialog::dialogWithSession(FBSession* session)
{
    auto d = platform::adoptRef(new FBLoginDialog);
    d->initWithSession(session);
    return d;
}

bool FBLoginDialog::initWithSession(FBSession* session)
{
    initWithFrame(defaultDialogFrame());
    session_ = Ref<FBSession>(session);
    return true;
}

Ref<FBPermissionDialog> FBPermissionDialog::dialog()
{
    auto d = platform::adoptRef(new FBPermissionDialog);
    d->initWithFrame(defaultDialogFrame());
    return d;
}

void FBLoginDialog::succeedWithSession(uint64_t uid, const std::string& key, const std::string& secret, double expires)
{
    Ref<FBDialog> keep(this);
    if (session_)
        session_->begin(uid, key, secret, expires);
    succeed();
}

} // namespace quorvel
