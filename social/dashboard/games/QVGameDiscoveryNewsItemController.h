// QVGameDiscoveryNewsItemController: a game discovery news item, a page
// served by the social-gaming service.
#pragma once

#include "social/services/QVGameDiscoveryService.h"
#include "social/ui/QVWebViewController.h"

namespace quorvel {

class QVGameDiscoveryNewsItemController : public QVWebViewController {
    QV_DECLARE_CLASS(QVGameDiscoveryNewsItemController)
public:
    static platform::Ref<QVGameDiscoveryNewsItemController> create()
    {
        return platform::Ref<QVGameDiscoveryNewsItemController>(
            static_cast<QVGameDiscoveryNewsItemController*>(qvCreateInstance().get()));
    }
    QVGameDiscoveryNewsItem* newsItem() const { return newsItem_.get(); }
    void setNewsItem(QVGameDiscoveryNewsItem* item) { newsItem_ = item; }

    std::string getTitle() override { return "News"; }
    std::string getAction() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVGameDiscoveryNewsItemController() = default;

private:
    platform::Ref<QVGameDiscoveryNewsItem> newsItem_;
};

} // namespace quorvel
