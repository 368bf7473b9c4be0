// The invitation service's requests and the invite classes.
#include "social/services/QVInviteService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVResourceFields.h"
#include "social/services/QVDeviceContact.h"
#include "social/services/QVScreensRole.h"

#include "platform/foundation/Boxed.h"

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kInvites { "GET", "invites.xml", 0 };
const QVServiceEndpoint kIgnore { "PUT", "invites/%@/ignore", 0 };
const QVServiceEndpoint kPrimary { "GET", "invite_definitions/primary", 0 };
const QVServiceEndpoint kDefinition { "GET", "invite_definitions/%@.xml", 0 };
const QVServiceEndpoint kSend { "POST", "invites.xml", 0 };

QVInviteDefinition* firstDefinition(platform::Object* seriesObject)
{
    auto* series = dynamic_cast<QVPaginatedSeries*>(seriesObject);
    return series ? series->recordAtIndex<QVInviteDefinition>(0, "an invite definition") : nullptr;
}

} // namespace

void QVInviteService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVUser>(QVUser::getResourceName());
    map.addResource<QVInvite>(QVInvite::getResourceName());
    map.addResource<QVInviteDefinition>(QVInviteDefinition::getResourceName());
}

void QVInviteService::getInvitesForUser(QVUser*, unsigned int pageIndex, const QVDelegate& onSuccess,
                                        const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->io("page", pageIndex);
    params->put("mark_viewed", "true");
    service().send(kInvites, {}, params.get(), onSuccess, onFailure);
}

void QVInviteService::ignoreInvite(const std::string& inviteId, const QVDelegate& onSuccess,
                                   const QVDelegate& onFailure)
{
    service().send(kIgnore, { inviteId }, nullptr, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVInviteService::getDefaultInviteDefinitionForApplication(const QVDelegate& onSuccess,
                                                                              const QVDelegate& onFailure)
{
    return service().send(kPrimary, {}, nullptr, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVInviteService::getInviteDefinition(const std::string& inviteIdentifier,
                                                         const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return service().send(kDefinition, { inviteIdentifier }, QVHttpNestedQueryStringWriter::create().get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVInviteService::sendInvite(const QVInviteDefinition& definition, const std::string& message,
                                                const std::vector<Ref<platform::Object>>& recipients,
                                                const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("key", definition.resourceId());
    params->put("invite[sender_message]", message);
    for (const auto& recipient : recipients) {
        if (auto* user = dynamic_cast<QVUser*>(recipient.get())) {
            params->put("invite[receivers][]", user->resourceId());
        } else if (auto* contact = dynamic_cast<QVDeviceContact*>(recipient.get())) {
            if (!contact->number().empty())
                params->put("invite[sms_receivers][]", contact->number());
            else if (!contact->email().empty())
                params->put("invite[email_receivers][]", contact->email());
        }
    }
    return service().send(kSend, {}, params.get(), onSuccess, onFailure);
}

// -- the definition ---------------------------------------------------------------------

void QVInviteDefinition::getDataMap(QVResourceDataMap& map)
{
    using T = QVInviteDefinition;
    QVResourceFields<T> f(map);
    f.field<QVFieldText>("client_application_name", &T::clientApplicationName);
    f.field<QVFieldText>("client_application_id", &T::clientApplicationID);
    f.field<QVFieldText>("invite_identifier", &T::inviteIdentifier);
    f.field<QVFieldText>("sender_parameter", &T::senderParameter);
    f.field<QVFieldText>("receiver_parameter", &T::receiverParameter);
    f.field<QVFieldText>("invite_icon_url", &T::inviteIconURL);
    f.field<QVFieldText>("developer_message", &T::developerMessage);
    f.field<QVFieldText>("receiver_notification", &T::receiverNotification);
    f.field<QVFieldText>("sender_notification", &T::senderNotification);
    f.field<QVFieldText>("sender_incentive_text", &T::senderIncentiveText);
    f.field<QVFieldText>("suggested_sender_message", &T::suggestedSenderMessage);
}

Ref<QVRequestHandle> QVInviteDefinition::getPrimaryInviteDefinition()
{
    auto& c = QVInviteDefinitionClass::classObject();
    return QVInviteDefinitionClass::file(QVInviteService::getDefaultInviteDefinitionForApplication(
        QVDelegate(&c, BRISKO_SELECTOR(QVInviteDefinitionClass, _getPrimaryInviteDefinitionSuccess)),
        QVDelegate(&c, BRISKO_SELECTOR(QVInviteDefinitionClass, _getPrimaryInviteDefinitionFailure))));
}

Ref<QVRequestHandle> QVInviteDefinition::getInviteDefinition(const std::string& inviteIdentifier)
{
    auto& c = QVInviteDefinitionClass::classObject();
    return QVInviteDefinitionClass::file(QVInviteService::getInviteDefinition(
        inviteIdentifier, QVDelegate(&c, BRISKO_SELECTOR(QVInviteDefinitionClass, _getInviteDefinitionSuccess)),
        QVDelegate(&c, BRISKO_SELECTOR(QVInviteDefinitionClass, _getInviteDefinitionFailure))));
}

void QVInviteDefinitionClass::_getPrimaryInviteDefinitionSuccess(platform::Object* series)
{
    if (QVInviteDefinition* definition = firstDefinition(series))
        notify([definition](QVInviteDefinitionDelegate& d) { d.didGetPrimaryInviteDefinition(definition); });
    else
        _getPrimaryInviteDefinitionFailure(nullptr);
}

void QVInviteDefinitionClass::_getPrimaryInviteDefinitionFailure(platform::Object*)
{
    notify([](QVInviteDefinitionDelegate& d) { d.didFailGetPrimaryInviteDefinition(); });
}

void QVInviteDefinitionClass::_getInviteDefinitionSuccess(platform::Object* series)
{
    if (QVInviteDefinition* definition = firstDefinition(series))
        notify([definition](QVInviteDefinitionDelegate& d) { d.didGetInviteDefinition(definition); });
    else
        _getInviteDefinitionFailure(nullptr);
}

void QVInviteDefinitionClass::_getInviteDefinitionFailure(platform::Object*)
{
    notify([](QVInviteDefinitionDelegate& d) { d.didFailGetInviteDefinition(); });
}

QVInviteDefinition::~QVInviteDefinition() = default;

Ref<QVRequestHandle> QVInviteDefinition::getInviteIcon()
{
    return QVInviteDefinitionClass::file(picture_.fetch(this, inviteIconURL, [this](platform::Image* image) {
        if (image)
            QVInviteDefinitionClass::notify([&](QVInviteDefinitionDelegate& d) { d.didGetInviteIcon(image, this); });
        else
            QVInviteDefinitionClass::notify(
                [&](QVInviteDefinitionDelegate& d) { d.didFailGetInviteIconQVInviteDefinition(this); });
    }));
}

// -- the invite -------------------------------------------------------------------------

void QVInvite::getDataMap(QVResourceDataMap& map)
{
    using T = QVInvite;
    QVResourceFields<T> f(map);
    f.nested("sender", &T::senderUser_, true);
    f.nested("receiver", &T::receiverUser_, true);
    f.field<QVFieldText>("client_application_name", &T::clientApplicationName);
    f.field<QVFieldText>("client_application_id", &T::clientApplicationID);
    f.field<QVFieldText>("invite_identifier", &T::inviteIdentifier);
    f.field<QVFieldText>("sender_parameter", &T::senderParameter);
    f.field<QVFieldText>("receiver_parameter", &T::receiverParameter);
    f.field<QVFieldText>("invite_icon_url", &T::inviteIconURL);
    f.field<QVFieldText>("developer_message", &T::developerMessage);
    f.field<QVFieldText>("receiver_notification", &T::receiverNotification);
    f.field<QVFieldText>("sender_notification", &T::senderNotification);
    f.field<QVFieldText>("user_message", &T::userMessage);
    f.field<QVFieldText>("state", &T::state);
}

Ref<QVInvite> QVInvite::inviteWithInviteDefinition(QVInviteDefinition* definition)
{
    Ref<QVInvite> invite = platform::adoptRef(new QVInvite);
    invite->inviteDefinition_ = Ref<QVInviteDefinition>(definition);
    if (definition)
        invite->userMessage = definition->suggestedSenderMessage;
    return invite;
}

void QVInviteService::displaySendInviteModal(const std::string& inviteIdentifier)
{
    QVScreensRole::current().presentSendInviteScreen(inviteIdentifier);
}

void QVInvite::displayAndSendInviteScreen()
{
    if (inviteDefinition_)
        QVInviteService::displaySendInviteModal(inviteDefinition_->inviteIdentifier);
}

Ref<QVRequestHandle> QVInvite::sendInviteToUsers(const std::vector<Ref<platform::Object>>& recipients)
{
    if (!inviteDefinition_)
        return nullptr;
    return QVInviteClass::file(QVInviteService::sendInvite(*inviteDefinition_, userMessage, recipients,
                                                           QVDelegate(this, BRISKO_SELECTOR(QVInvite, _sendInviteSuccess)),
                                                           QVDelegate(this, BRISKO_SELECTOR(QVInvite, _sendInviteFailure))));
}

void QVInvite::_sendInviteSuccess(platform::Object*)
{
    QVInviteClass::notify([this](QVInviteDelegate& d) { d.didSendInvite(this); });
}

void QVInvite::_sendInviteFailure(platform::Object*)
{
    QVInviteClass::notify([this](QVInviteDelegate& d) { d.didFailSendInvite(this); });
}

QVInvite::~QVInvite() = default;

Ref<QVRequestHandle> QVInvite::getInviteIcon()
{
    return QVInviteClass::file(picture_.fetch(this, inviteIconURL, [this](platform::Image* image) {
        if (image)
            QVInviteClass::notify([&](QVInviteDelegate& d) { d.didGetInviteIcon(image, this); });
        else
            QVInviteClass::notify([&](QVInviteDelegate& d) { d.didFailGetInviteIconQVInvite(this); });
    }));
}

} // namespace quorvel
