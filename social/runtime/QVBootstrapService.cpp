// The bootstrap request, its answer record and the steps that follow it.
#include "social/runtime/QVBootstrapService.h"

#include "platform/device/Device.h"
#include "platform/foundation/Log.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSessionRole.h"

#include <cstdlib>

namespace quorvel {

using platform::Object;
using platform::Ref;

bool QVBoolFromText(const std::string& text)
{
    if (text.empty())
        return false;
    char c = text[0];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

const QVXmlElement* QVBootstrap::element(const char* name) const
{
    const QVXmlElement* top = document_ ? document_->topElement() : nullptr;
    return top ? top->child(name) : nullptr;
}

Ref<QVBootstrap> QVBootstrap::fromDocument(Ref<QVXmlDocument> document)
{
    const QVXmlElement* top = document ? document->topElement() : nullptr;
    if (!top || top->name != "bootstrap")
        return nullptr;
    auto b = platform::adoptRef(new QVBootstrap);
    auto text = [top](const char* name) { return top->childText(name); };
    auto flag = [&](const char* name) { return QVBoolFromText(text(name)); };
    auto integer = [&](const char* name) { return std::atoi(text(name).c_str()); };
    auto real = [&](const char* name) { return std::atof(text(name).c_str()); };
    b->pollingFrequencyDefault = real("polling_frequency_default");
    b->pollingFrequencyInChat = real("polling_frequency_in_chat");
    b->accessToken = text("access_token");
    b->accessTokenSecret = text("access_token_secret");
    b->userHasSetName = flag("user_has_set_name");
    b->userChatEnabled = flag("user_chat_enabled");
    b->userHadFriendsOnBootup = flag("user_had_friends_on_bootup");
    b->hasHttpBasicCredential = flag("has_http_basic_credential");
    b->hasFbconnectCredential = flag("has_fbconnect_credential");
    b->hasTwitterCredential = flag("has_twitter_credential");
    b->isNewUser = flag("is_new_user");
    b->clientApplicationId = text("client_application_id");
    b->clientApplicationIconUrl = text("client_application_icon_url");
    b->unviewedChallengesCount = integer("unviewed_challenges_count");
    b->pendingFriendsCount = integer("pending_friends_count");
    b->suggestionsForumId = text("suggestions_forum_id");
    b->initialDashboardScreen = text("initial_dashboard_screen");
    b->initialDashboardModalContentUrl = text("initial_dashboard_modal_content_url");
    b->userSharesOnlineStatus = flag("user_shares_online_status");
    b->unreadImCount = integer("unread_im_count");
    b->unreadPostCount = integer("unread_post_count");
    b->unreadInviteCount = integer("unread_invite_count");
    b->locationSharingEnabled = flag("location_sharing_enabled");
    b->presenceEnabled = flag("presence_enabled");
    b->presenceQueue = text("presence_queue");
    b->document_ = std::move(document);
    return b;
}

namespace {

// Says why a login failed in the developer's terms: no connection is not a
// refused key or secret (the request layer names that one), though the
// player sees the same offline game.
void reportFailure(OAuthAPIRequestLoader* loader)
{
    if (!loader)
        return;
    std::string url = loader->request() ? loader->request()->url() : std::string();
    url = url.substr(0, url.find('?'));
    int status = loader->oauthResponse() ? loader->oauthResponse()->statusCode() : 0;
    if (status == 401)
        return;
    if (loader->error())
        platform::logWarning("Quorvel: no connection to the service at %s (%s, %d): the player plays offline",
                             url.c_str(), loader->error()->text.c_str(), loader->error()->code);
    else if (status >= 400)
        platform::logWarning("Quorvel: the service at %s answered the login with HTTP %d", url.c_str(), status);
}

// The hooks of one bootstrap: the caller's two values travel as user parameter.
class BootstrapCall final : public Object, public QVCallbackable {
public:
    static Ref<BootstrapCall> with(QVProvider& provider, const QVDelegate& s, const QVDelegate& f)
    {
        auto c = platform::adoptRef(new BootstrapCall);
        c->provider = Ref<QVProvider>(&provider);
        c->onSuccess = s;
        c->onFailure = f;
        return c;
    }
    bool canReceiveCallbacksNow() override { return true; }

    void answered(Object* loaderObject)
    {
        auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(loaderObject);
        int status = loader && loader->oauthResponse() ? loader->oauthResponse()->statusCode() : 0;
        Ref<QVBootstrap> answer;
        if (loader && status >= 200 && status < 400)
            answer = QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithData(loader->data()));
        if (!answer || answer->accessToken.empty()) {
            platform::logWarning("Quorvel: the bootstrap failed (status %d)", status);
            onFailure.invoke(loaderObject);
            return;
        }
        // A caller that gave up meanwhile (a logout) gets nothing applied in its name.
        if (auto* target = dynamic_cast<QVCallbackable*>(onSuccess.target()); target && !target->canReceiveCallbacksNow()) {
            platform::log("Quorvel: a bootstrap answer arrived after its caller gave up; dropped");
            return;
        }
        QVSessionRole::current().applyBootstrap(*answer, *provider);
        if (auto* presence = QVPresenceService::sharedInstance())
            presence->applyBootstrap(*answer);
        QVSessionRole::current().notifyAddOnsUserLoggedIn();
        QVSessionRole::current().synchronizeOfflineData(*answer);
        onSuccess.invoke(answer.get());
    }
    void failed(Object* loaderObject)
    {
        reportFailure(dynamic_cast<OAuthAPIRequestLoader*>(loaderObject));
        onFailure.invoke(loaderObject);
    }

    Ref<QVProvider> provider;
    QVDelegate onSuccess;
    QVDelegate onFailure;

private:
    BootstrapCall() = default;
};

std::string hex(const platform::Bytes& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

} // namespace

void QVBootstrapService::bootstrap(QVProvider& provider, const std::optional<platform::Bytes>& deviceToken,
                                   bool forceCreateAccount, const std::optional<std::string>& userId,
                                   const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    platform::Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    params->io("udid", udid);
    bool force = forceCreateAccount;
    params->io("force_create_account", force);
    if (userId && !userId->empty()) {
        std::string id = *userId;
        params->io("user_id", id);
    }
    if (deviceToken && !deviceToken->empty()) {
        std::string token = hex(*deviceToken);
        params->io("device_token", token);
    }
    QVSessionRole::current().writeBootstrapParameters(*params);

    auto call = BootstrapCall::with(provider, onSuccess, onFailure);
    auto handle = provider.performAction(kPath, params.get(), "POST",
                                         QVDelegate(call.get(), BRISKO_SELECTOR(BootstrapCall, answered)),
                                         QVDelegate(call.get(), BRISKO_SELECTOR(BootstrapCall, failed)), 0, nullptr,
                                         false);
    if (!handle)
        onFailure.invoke(nullptr);
}

} // namespace quorvel
