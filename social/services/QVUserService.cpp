// The user service's requests and its local and offline answers.
#include "social/services/QVUserService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVHttpBasicCredential.h"
#include "social/services/QVUser.h"

#include "platform/device/Device.h"

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kGetUser { "GET", "users/%@/", 0 };
const QVServiceEndpoint kSetLocation { "POST", "users/%@/set_location.xml", 0 };
const QVServiceEndpoint kFindByName { "GET", "users.xml", 0 };
const QVServiceEndpoint kForDevice { "GET", "users/for_device.xml", 0, nullptr, false };
const QVServiceEndpoint kEmail { "GET", "http_basic_credentials/%@.xml", 0 };

const std::string& orLocalPlayer(const std::string& id)
{
    static const std::string me = "@me";
    return id.empty() ? me : id;
}

// The stored copy of a player from the offline users table, or null.
Ref<QVUser> offlineUser(const std::string& userId) { return QVUserService::getLocalUser(userId); }

} // namespace

void QVUserService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVUser>("user");
    map.addResource<QVHttpBasicCredential>("http_basic_credential");
}

Ref<QVRequestHandle> QVUserService::getUser(const std::string& userId, const QVDelegate& onSuccess,
                                            const QVDelegate& onFailure)
{
    Ref<QVUser> local = QVUser::localUser();
    if (userId.empty() || userId == local->userId()) {
        onSuccess.invoke(QVPaginatedSeries::paginatedSeriesWithObject(local.get()).get());
        return nullptr;
    }
    if (!QVSessionRole::current().isOnline()) {
        if (Ref<QVUser> stored = offlineUser(userId))
            onSuccess.invoke(QVPaginatedSeries::paginatedSeriesWithObject(stored.get()).get());
        else
            onFailure.invoke(nullptr);
        return nullptr;
    }
    return service().send(kGetUser, { userId }, nullptr, onSuccess, onFailure);
}

void QVUserService::setUserLocation(const std::string& userId, const platform::ui::LocationCoordinate2D& location,
                                    bool allowed, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    double lat = location.latitude, lng = location.longitude;
    params->io("lat", lat);
    params->io("lng", lng);
    if (allowed) {
        std::string one = "1";
        params->io("allowed", one);
    }
    service().send(kSetLocation, { orLocalPlayer(userId) }, params.get(), onSuccess, onFailure);
}

void QVUserService::findUsersByName(const std::string& name, int pageIndex, const QVDelegate& onSuccess,
                                    const QVDelegate& onFailure)
{
    Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string text = name;
    params->io("name", text);
    params->io("page", pageIndex);
    service().send(kFindByName, {}, params.get(), onSuccess, onFailure);
}

void QVUserService::findUsersForLocalDeviceOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    params->io("udid", udid);
    service().send(kForDevice, {}, params.get(), onSuccess, onFailure);
}

void QVUserService::getEmailForUser(const std::string& userId, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    service().send(kEmail, { orLocalPlayer(userId) }, nullptr, onSuccess, onFailure);
}

} // namespace quorvel
