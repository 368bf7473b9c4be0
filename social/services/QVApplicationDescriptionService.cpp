// The application description service's request and record.
#include "social/services/QVApplicationDescriptionService.h"

#include "social/runtime/QVResourceFields.h"

namespace quorvel {

namespace {
const QVServiceEndpoint kShow { "GET", "client_applications/%@/application_descriptions.xml", 2,
                                "Downloaded Application Description" };
}

void QVApplicationDescriptionService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVApplicationDescription>(QVApplicationDescription::getResourceName());
}

platform::Ref<QVRequestHandle> QVApplicationDescriptionService::getShowWithId(const std::string& gameId,
                                                                            const QVDelegate& onSuccess,
                                                                            const QVDelegate& onFailure)
{
    return send(kShow, { gameId }, nullptr, onSuccess, onFailure);
}

void QVApplicationDescription::getDataMap(QVResourceDataMap& map)
{
    using T = QVApplicationDescription;
    QVResourceFields<T> f(map);
    f.read<QVFieldText>("name", &T::name_);
    f.read<QVFieldTextOrNil>("icon_url", &T::iconUrl_);
    f.read<QVFieldText>("price", &T::price_);
    f.read<QVFieldText>("itunes_id", &T::itunesId_);
    f.read<QVFieldText>("current_version", &T::currentVersion_);
    f.read<QVFieldText>("description_brief", &T::briefDescription_);
    f.read<QVFieldText>("description_extended", &T::extendedDescription_);
    f.read<QVFieldText>("client_application_id", &T::applicationId_);
}

} // namespace quorvel
