// QVImageUrl: the server's answer to a question for an image address
// (<image_url> with its "url"); none when the element has no url.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/services/QVSocialNotificationService.h"

#include <optional>
#include <string>

namespace quorvel {

class QVImageUrl : public QVResource {
    QV_DECLARE_RESOURCE(QVImageUrl)
public:
    static std::string getResourceName() { return "image_url"; }
    static QVService* getService() { return QVSocialNotificationService::sharedService(); }
    static void getDataMap(QVResourceDataMap& map)
    {
        QVResourceFields<QVImageUrl>(map).read<QVFieldTextOrNil>("url", &QVImageUrl::url_);
    }

    const std::optional<std::string>& url() const { return url_; }
    void setUrl(const std::string& text) { url_ = QVFieldTextOrNil::read(text); }

protected:
    QVImageUrl() = default;

private:
    std::optional<std::string> url_;
};

} // namespace quorvel
