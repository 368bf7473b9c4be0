// QVTickerProxy: the one queue of ticker messages in the process. The first
// recipient that asks for a message while there is none makes it download
// page 1 of the ticker (only while online); later recipients and later
// dashboards get the messages in turn, starting again from the first after
// the last. The downloaded list stays for the life of the process.
//
// Only one recipient waits for a download at a time. It is linked weakly: a
// recipient that goes away first hears nothing (neverMind lets go of it sooner).
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Weak.h"
#include "social/runtime/QVDelegate.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVTickerProxyRecipient {
public:
    virtual ~QVTickerProxyRecipient() = default;
    virtual void newTickerMessage(const std::string& text) = 0;
};

class QVTickerProxy : public platform::Object, public QVCallbackable {
public:
    // Made on first use and kept for the process (purgeSharedInstance is for tests).
    static QVTickerProxy& instance();
    static void purgeSharedInstance();

    static void queueNewMessage(const std::string& text) { instance()._queueNewMessage(text); }
    static void getNextMessage(QVTickerProxyRecipient* recipient) { instance()._getNextMessage(recipient); }
    static void neverMind(QVTickerProxyRecipient* recipient) { instance()._neverMind(recipient); }

    // Nothing until the first download or queued message.
    const std::optional<std::vector<std::string>>& tickerMessages() const { return tickerMessages_; }
    unsigned currMessageIndex() const { return currMessageIndex_; }
    QVTickerProxyRecipient* recipient() const { return recipient_.get(); }

    bool canReceiveCallbacksNow() override { return true; }
    std::string className() const override { return "QVTickerProxy"; }

private:
    QVTickerProxy() = default;

    void _queueNewMessage(const std::string& text);
    void _getNextMessage(QVTickerProxyRecipient* recipient);
    void _neverMind(QVTickerProxyRecipient* recipient);
    void _kickTicker();
    void _tickerMessagesRecieved(platform::Object* series);
    void _tickerDownloadFailed(platform::Object*) { }

    std::optional<std::vector<std::string>> tickerMessages_;
    unsigned currMessageIndex_ { 0 };
    platform::WeakLink<QVTickerProxyRecipient> recipient_;
};

} // namespace quorvel
