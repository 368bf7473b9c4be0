// The minimal Facebook session: stored keys, delegates, recorded dialogs.
#include "social/clients/FBSession.h"

#include "platform/foundation/UserDefaults.h"

#include <algorithm>

namespace quorvel {

using platform::Ref;
using platform::UserDefaults;

namespace {
Ref<FBSession>& currentSession()
{
    static Ref<FBSession> s;
    return s;
}
} // namespace

Ref<FBSession> FBSession::sessionForApplication(const std::string& key, const std::string& proxy,
                                                FBSessionDelegate* delegate)
{
    auto& current = currentSession();
    if (!current || current->apiKey_ != key) {
        current = platform::adoptRef(new FBSession);
        current->apiKey_ = key;
    }
    current->proxy_ = proxy;
    if (delegate
        && std::find(current->delegates_.begin(), current->delegates_.end(), delegate) == current->delegates_.end())
        current->delegates_.push_back(delegate);
    return current;
}

FBSession* FBSession::session() { return currentSession().get(); }
void FBSession::purgeSession() { currentSession() = nullptr; }

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

void FBDialog::show()
{
    if (showing_)
        return;
    showing_ = true;
    shownDialogs().emplace_back(this);
}

void FBDialog::dismiss()
{
    if (!showing_)
        return;
    showing_ = false;
    auto& list = shownDialogs();
    Ref<FBDialog> keep(this);
    list.erase(std::remove_if(list.begin(), list.end(), [this](const Ref<FBDialog>& d) { return d.get() == this; }),
               list.end());
}

void FBDialog::succeed()
{
    Ref<FBDialog> keep(this);
    dismiss();
    if (delegate_)
        delegate_->dialogDidSucceed(this);
}

void FBDialog::cancel()
{
    Ref<FBDialog> keep(this);
    dismiss();
    if (delegate_)
        delegate_->dialogDidCancel(this);
}

Ref<FBLoginDialog> FBLoginDialog::dialogWithSession(FBSession* session)
{
    auto d = platform::adoptRef(new FBLoginDialog);
    d->session_ = Ref<FBSession>(session);
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
