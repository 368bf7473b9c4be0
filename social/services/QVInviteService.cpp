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
using Writer = Ref<QVHttpNestedQueryStringWriter>;

namespace {

const QVServiceEndpoint kInvites { "GET", "invites.xml", 0 };
const QVServiceEndpoint kIgnore { "PUT", "invites/%@/ignore", 0 };
const QVServiceEndpoint kPrimary { "GET", "invite_definitions/primary", 0 };
const QVServiceEndpoint kDefinition { "GET", "invite_definitions/%@.xml", 0 };
const QVServiceEndpoint kSend { "POST", "invites.xml", 0 };

Writer newWriter() { return platform::adoptRef(new QVHttpNestedQueryStringWriter); }
void put(QVHttpNestedQueryStringWriter& w, const char* name, std::string value) { w.io(name, value); }

QVInviteDefinition* firstDefinition(platform::Object* seriesObject)
{
    auto* series = dynamic_cast<QVPaginatedSeries*>(seriesObject);
    if (!series || series->count() == 0)
        return nullptr;
    return dynamic_cast<QVInviteDefinition*>(series->objects()[0].get());
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
    Writer params = newWriter();
    params->io("page", pageIndex);
    put(*params, "mark_viewed", "true");
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
    return service().send(kDefinition, { inviteIdentifier }, newWriter().get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVInviteService::sendInvite(const QVInviteDefinition& definition, const std::string& message,
                                                const std::vector<Ref<platform::Object>>& recipients,
                                                const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    Writer params = newWriter();
    put(*params, "key", definition.resourceId());
    put(*params, "invite[sender_message]", message);
    for (const auto& recipient : recipients) {
        if (auto* user = dynamic_cast<QVUser*>(recipient.get())) {
            put(*params, "invite[receivers][]", user->resourceId());
        } else if (auto* contact = dynamic_cast<QVDeviceContact*>(recipient.get())) {
            if (!contact->number().empty())
                put(*params, "invite[sms_receivers][]", contact->number());
            else if (!contact->email().empty())
                put(*params, "invite[email_receivers][]", contact->email());
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

QVInviteDefinition::~QVInviteDefinition() { QVDestroyHttpService(mHttpService); }

Ref<QVRequestHandle> QVInviteDefinition::getInviteIcon()
{
    Ref<platform::Image> cached;
    Ref<QVRequestHandle> handle = QVGetImageFromUrl(inviteIconURL, cached, mHttpService, mHttpServiceObserver,
                                                    QVDelegate(this, BRISKO_SELECTOR(QVInviteDefinition, _getInviteIconSuccess)),
                                                    QVDelegate(this, BRISKO_SELECTOR(QVInviteDefinition, _getInviteIconFailure)));
    if (cached) {
        QVInviteDefinitionClass::notify([&](QVInviteDefinitionDelegate& d) { d.didGetInviteIcon(cached.get(), this); });
        return nullptr;
    }
    return QVInviteDefinitionClass::file(handle);
}

void QVInviteDefinition::_getInviteIconSuccess(platform::Object* data)
{
    Ref<QVInviteDefinition> keep(this);
    Ref<platform::Image> image = QVCacheDownloadedImage(data, &inviteIconURL);
    if (!image) {
        _getInviteIconFailure(nullptr);
        return;
    }
    mHttpServiceObserver = nullptr;
    QVInviteDefinitionClass::notify([&](QVInviteDefinitionDelegate& d) { d.didGetInviteIcon(image.get(), this); });
}

void QVInviteDefinition::_getInviteIconFailure(platform::Object*)
{
    Ref<QVInviteDefinition> keep(this);
    mHttpServiceObserver = nullptr;
    QVInviteDefinitionClass::notify([&](QVInviteDefinitionDelegate& d) { d.didFailGetInviteIconQVInviteDefinition(this); });
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

QVInvite::~QVInvite() { QVDestroyHttpService(mHttpService); }

Ref<QVRequestHandle> QVInvite::getInviteIcon()
{
    Ref<platform::Image> cached;
    Ref<QVRequestHandle> handle = QVGetImageFromUrl(inviteIconURL, cached, mHttpService, mHttpServiceObserver,
                                                    QVDelegate(this, BRISKO_SELECTOR(QVInvite, _getInviteIconSuccess)),
                                                    QVDelegate(this, BRISKO_SELECTOR(QVInvite, _getInviteIconFailure)));
    if (cached) {
        QVInviteClass::notify([&](QVInviteDelegate& d) { d.didGetInviteIcon(cached.get(), this); });
        return nullptr;
    }
    return QVInviteClass::file(handle);
}

void QVInvite::_getInviteIconSuccess(platform::Object* data)
{
    Ref<QVInvite> keep(this);
    Ref<platform::Image> image = QVCacheDownloadedImage(data, &inviteIconURL);
    if (!image) {
        _getInviteIconFailure(nullptr);
        return;
    }
    mHttpServiceObserver = nullptr;
    QVInviteClass::notify([&](QVInviteDelegate& d) { d.didGetInviteIcon(image.get(), this); });
}

void QVInvite::_getInviteIconFailure(platform::Object*)
{
    Ref<QVInvite> keep(this);
    mHttpServiceObserver = nullptr;
    QVInviteClass::notify([&](QVInviteDelegate& d) { d.didFailGetInviteIconQVInvite(this); });
}

} // namespace quorvel
