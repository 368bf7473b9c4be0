// The bootstrap request, its answer record and the steps that follow it.
#include "social/runtime/QVBootstrapService.h"

#include "platform/device/Device.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVBootstrapReader.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVTurns.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

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

Ref<QVBootstrap> QVBootstrap::fromDocument(Ref<QVXmlDocument> document, Ref<QVResource> offline)
{
    const QVXmlElement* top = document ? document->topElement() : nullptr;
    if (!top || top->name != "bootstrap")
        return nullptr;
    auto b = platform::adoptRef(new QVBootstrap);
    auto text = [top](const char* name) { return top->childText(name); };
    auto flag = [&](const char* name) { return QVBoolFromText(text(name)); };
    auto integer = [&](const char* name) { return std::atoi(text(name).c_str()); };
    auto real = [&](const char* name) { return platform::parseDouble(text(name).c_str()); };
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
    b->offline_ = std::move(offline);
    return b;
}

namespace {

// The id of the player the answer logs in when it is one: a positive decimal
// number (as every player id is); none for a missing player, text, a
// negative number or 0, which would log in a player that does not exist.
std::optional<std::string> playerId(const QVBootstrap& answer)
{
    const QVXmlElement* user = answer.userElement();
    if (!user)
        return std::nullopt;
    std::string id = user->childText("id");
    if (!user->child("id"))
        if (const std::string* attribute = user->attribute("id"))
            id = *attribute;
    if (id.empty() || id.size() > 19 || id.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    long long value = std::strtoll(id.c_str(), nullptr, 10);
    if (errno == ERANGE || value <= 0)
        return std::nullopt;
    return id;
}

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

// The hooks of one bootstrap, and its answer's handling over the turns it
// takes: reading, applying, the offline data, the success value.
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
        int status = QVAnswer::status(loader);
        // The body is read below, in turns, as a <bootstrap> document (an error list is none).
        if (!loader || !QVAnswer::isSuccessStatus(status)) {
            platform::logWarning("Quorvel: the bootstrap failed (status %d)", status);
            onFailure.invoke(loaderObject);
            return;
        }
        loader_ = Ref<Object>(loaderObject);
        status_ = status;
        session_ = QVSessionRole::current().provider();
        QVResourceNameMap names;
        QVSessionRole::current().getBootstrapKnownResources(names);
        reader_ = std::make_unique<QVBootstrapReader>(loader->data(), std::move(names));
        // The turn the answer came in has taken it from the network already.
        then(&BootstrapCall::readOn);
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

    // The session the answer came in is still the running one (not shut
    // down, or replaced by a new start, while the answer was handled).
    bool sessionGoesOn() const
    {
        if (QVSessionRole::current().provider() == session_)
            return true;
        platform::log("Quorvel: the client stopped while a bootstrap answer was handled; the rest is dropped");
        return false;
    }
    // Runs `step` at the next turn while the session goes on.
    void then(void (BootstrapCall::*step)())
    {
        Ref<BootstrapCall> self(this);
        QVNextTurn([self, step] {
            if (self->sessionGoesOn())
                (self.get()->*step)();
        });
    }

    void readOn()
    {
        if (!reader_->readOn()) {
            then(&BootstrapCall::readOn);
            return;
        }
        answer_ = reader_->answer();
        std::string error = reader_->error();
        // Only a document read whole can be an error list; one refused is not read twice.
        const bool readWhole = reader_->wasReadWhole();
        reader_.reset();
        if (auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(loader_.get()); loader && !answer_ && readWhole) {
            if (std::optional<std::string> errors = QVAnswer::serviceErrors(loader->data()))
                error = "the service answered with errors: " + QVAnswer::oneLine(*errors);
        }
        if (!answer_ || answer_->accessToken.empty()) {
            platform::logWarning("Quorvel: the bootstrap failed (status %d%s%s)", status_, error.empty() ? "" : ": ",
                                 error.c_str());
            answer_ = nullptr;
            onFailure.invoke(std::exchange(loader_, nullptr).get());
            return;
        }
        if (!playerId(*answer_)) {
            platform::logWarning("Quorvel: the bootstrap failed: its answer names no player with a valid id");
            answer_ = nullptr;
            onFailure.invoke(std::exchange(loader_, nullptr).get());
            return;
        }
        then(&BootstrapCall::apply);
    }

    void apply()
    {
        // A caller that gave up meanwhile (a logout) gets nothing applied in its name.
        if (auto* target = dynamic_cast<QVCallbackable*>(onSuccess.target()); target && !target->canReceiveCallbacksNow()) {
            platform::log("Quorvel: a bootstrap answer arrived after its caller gave up; dropped");
            return;
        }
        QVSessionRole::current().applyBootstrap(*answer_, *provider);
        if (auto* presence = QVPresenceService::sharedInstance())
            presence->applyBootstrap(*answer_);
        QVSessionRole::current().notifyAddOnsUserLoggedIn();
        Ref<BootstrapCall> self(this);
        QVSessionRole::current().synchronizeOfflineDataInTurns(*answer_, [self] { self->then(&BootstrapCall::succeed); });
    }

    void succeed()
    {
        Ref<QVBootstrap> answer = std::move(answer_);
        loader_ = nullptr;
        onSuccess.invoke(answer.get());
    }

    Ref<Object> loader_;
    int status_ { 0 };
    QVProvider* session_ { nullptr }; // compared only: the provider of the session the answer came in
    std::unique_ptr<QVBootstrapReader> reader_;
    Ref<QVBootstrap> answer_;
};

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
        std::string token = platform::hexString(*deviceToken);
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
