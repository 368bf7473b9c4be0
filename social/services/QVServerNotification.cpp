// The server notification's fields and its service.
#include "social/services/QVServerNotification.h"

namespace quorvel {

void QVServerNotification::getDataMap(QVResourceDataMap& map)
{
    using N = QVServerNotification;
    QVResourceFields<N> f(map);
    f.read<QVFieldText>("showDefaultNotification", &N::showDefaultNotification_);
    f.read<QVFieldText>("text", &N::text_);
    f.read<QVFieldText>("detail", &N::detail_);
    f.read<QVFieldText>("backDefaultImage", &N::backgroundDefaultImage_);
    f.read<QVFieldText>("backImage", &N::backgroundImage_);
    f.read<QVFieldText>("iconDefaultImage", &N::iconDefaultImage_);
    f.read<QVFieldText>("iconImage", &N::iconImage_);
    f.read<QVFieldText>("statusDefaultImage", &N::statusDefaultImage_);
    f.read<QVFieldText>("statusImage", &N::statusImage_);
    f.read<QVFieldText>("score", &N::score_);
    f.read<QVFieldText>("inputTab", &N::inputTab_);
    f.read<QVFieldText>("inputControllerName", &N::inputControllerName_);
}

void QVServerNotificationService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVServerNotification>(QVServerNotification::getResourceName());
}

} // namespace quorvel
