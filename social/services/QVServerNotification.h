// QVServerNotification: a notice the server puts into any XML answer
// (<server_notification>). The answer reader hands it to the in-game notices
// instead of the answer's page. Every field is the server's text, kept as is:
// bundle names of fall-back images, addresses of images to download, the
// line(s) to show and a number shown at the right. "showDefaultNotification",
// "inputTab" and "inputControllerName" are read and kept; nothing uses them.
//
// QVServerNotificationService only knows this resource.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVService.h"

#include <string>

namespace quorvel {

class QVServerNotification : public QVResource {
    QV_DECLARE_RESOURCE(QVServerNotification)
public:
    static std::string getResourceName() { return "server_notification"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_server_notification_received"; }
    static void getDataMap(QVResourceDataMap& map);
    static platform::Ref<QVServerNotification> create() { return platform::adoptRef(new QVServerNotification); }

    const std::string& showDefaultNotification() const { return showDefaultNotification_; }
    const std::string& text() const { return text_; }
    const std::string& detail() const { return detail_; }
    const std::string& backgroundDefaultImage() const { return backgroundDefaultImage_; }
    const std::string& backgroundImage() const { return backgroundImage_; }
    const std::string& iconDefaultImage() const { return iconDefaultImage_; }
    const std::string& iconImage() const { return iconImage_; }
    const std::string& statusDefaultImage() const { return statusDefaultImage_; }
    const std::string& statusImage() const { return statusImage_; }
    const std::string& score() const { return score_; }
    const std::string& inputTab() const { return inputTab_; }
    const std::string& inputControllerName() const { return inputControllerName_; }

    void setShowDefaultNotification(const std::string& v) { showDefaultNotification_ = v; }
    void setText(const std::string& v) { text_ = v; }
    void setDetail(const std::string& v) { detail_ = v; }
    void setBackgroundDefaultImage(const std::string& v) { backgroundDefaultImage_ = v; }
    void setBackgroundImage(const std::string& v) { backgroundImage_ = v; }
    void setIconDefaultImage(const std::string& v) { iconDefaultImage_ = v; }
    void setIconImage(const std::string& v) { iconImage_ = v; }
    void setStatusDefaultImage(const std::string& v) { statusDefaultImage_ = v; }
    void setStatusImage(const std::string& v) { statusImage_ = v; }
    void setScore(const std::string& v) { score_ = v; }
    void setInputTab(const std::string& v) { inputTab_ = v; }
    void setInputControllerName(const std::string& v) { inputControllerName_ = v; }

protected:
    QVServerNotification() = default;

private:
    std::string showDefaultNotification_;
    std::string text_;
    std::string detail_;
    std::string backgroundDefaultImage_;
    std::string backgroundImage_;
    std::string iconDefaultImage_;
    std::string iconImage_;
    std::string statusDefaultImage_;
    std::string statusImage_;
    std::string score_;
    std::string inputTab_;
    std::string inputControllerName_;
};

class QVServerNotificationService : public QVSharedService<QVServerNotificationService> {
public:
    QVServerNotificationService() = default;
    void populateKnownResources(QVResourceNameMap& map) override;
};

} // namespace quorvel
