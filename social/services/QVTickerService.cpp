// The ticker's request and record.
#include "social/services/QVTickerService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"

namespace quorvel {

namespace {
const QVServiceEndpoint kTickers { "GET", "tickers.xml", 3 };
}

void QVTicker::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVTicker> f(map);
    f.field<QVFieldText>("message", &QVTicker::message_);
    f.field<QVFieldText>("date", &QVTicker::date_);
}

void QVTickerService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVTicker>(QVTicker::getResourceName());
}

platform::Ref<QVRequestHandle> QVTickerService::getPage(int page, const QVDelegate& onSuccess,
                                                        const QVDelegate& onFailure)
{
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    params->io("page", page);
    return service().send(kTickers, {}, params.get(), onSuccess, onFailure);
}

} // namespace quorvel
