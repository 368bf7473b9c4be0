// The process-wide ticker queue: downloads page 1 of the ticker once and hands
// its messages out in turn.
#include "social/dashboard/frame/QVTickerProxy.h"

#include "social/runtime/QVPaginatedSeries.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVTickerService.h"

namespace quorvel {

using platform::Ref;

namespace {
Ref<QVTickerProxy>& sharedSlot()
{
    static Ref<QVTickerProxy> shared;
    return shared;
}
} // namespace

QVTickerProxy& QVTickerProxy::instance()
{
    Ref<QVTickerProxy>& shared = sharedSlot();
    if (!shared)
        shared = platform::adoptRef(new QVTickerProxy);
    return *shared;
}

void QVTickerProxy::purgeSharedInstance() { sharedSlot() = nullptr; }

void QVTickerProxy::_queueNewMessage(const std::string& text)
{
    if (!tickerMessages_) {
        tickerMessages_.emplace();
        tickerMessages_->reserve(10);
    }
    tickerMessages_->insert(tickerMessages_->begin(), text);
}

void QVTickerProxy::_getNextMessage(QVTickerProxyRecipient* recipient)
{
    if (!recipient)
        return;
    if (tickerMessages_) {
        if (currMessageIndex_ >= tickerMessages_->size())
            currMessageIndex_ = 0;
        if (!tickerMessages_->empty()) {
            // Copy first: the recipient may queue a message while it takes this one.
            std::string message = (*tickerMessages_)[currMessageIndex_];
            ++currMessageIndex_;
            recipient->newTickerMessage(message);
        }
        return;
    }
    recipient_ = recipient;
    _kickTicker();
}

void QVTickerProxy::_neverMind(QVTickerProxyRecipient* recipient)
{
    if (recipient_.unsafeGet() == recipient)
        recipient_ = nullptr;
}

void QVTickerProxy::_kickTicker()
{
    if (!QuorvelInternal::sessionRole().isOnline())
        return;
    QVTickerService::getPage(1, QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVTickerProxy, _tickerMessagesRecieved))),
                             QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVTickerProxy, _tickerDownloadFailed))));
}

void QVTickerProxy::_tickerMessagesRecieved(platform::Object* answer)
{
    std::vector<std::string> messages;
    for (const auto& object : *requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series")) {
        if (auto* ticker = dynamic_cast<QVTicker*>(object.get()))
            messages.push_back(ticker->message());
    }
    tickerMessages_ = std::move(messages);
    if (auto waiting = recipient_.lock()) {
        recipient_ = nullptr;
        _getNextMessage(waiting.get());
    }
}

} // namespace quorvel
