// QVTickerService: the short server messages the dashboard's ticker scrolls,
// a page at a time. QVTicker is one message; its date stays the server's text.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVService.h"

#include <string>

namespace quorvel {

class QVTickerService : public QVSharedService<QVTickerService> {
public:
    QVTickerService() = default;
    // GET "tickers.xml" with "page", silently; the success value receives the
    // series of QVTicker records.
    static platform::Ref<QVRequestHandle> getPage(int page, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    void populateKnownResources(QVResourceNameMap& map) override;
};

class QVTicker : public QVResource {
    QV_DECLARE_RESOURCE(QVTicker)
public:
    static std::string getResourceName() { return "ticker"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_ticker_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVTickerService::sharedService(); }

    const std::string& message() const { return message_; }
    const std::string& date() const { return date_; }
    void setMessage(const std::string& text) { message_ = text; }
    void setDate(const std::string& text) { date_ = text; }

protected:
    QVTicker() = default;

private:
    std::string message_;
    std::string date_;
};

} // namespace quorvel
