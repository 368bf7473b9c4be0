// QVApplicationDescriptionService: the store text of one game — name, icon,
// price, store id, current version and its brief and extended descriptions
// (QVApplicationDescription, read from XML only).
#pragma once

#include "social/runtime/QVResource.h"
#include "social/runtime/QVService.h"

#include <optional>
#include <string>

namespace quorvel {

class QVApplicationDescriptionService : public QVSharedService<QVApplicationDescriptionService> {
public:
    QVApplicationDescriptionService() = default;

    // GET "client_applications/<game>/application_descriptions.xml"; the id is
    // used as given (an empty one sends nothing).
    platform::Ref<QVRequestHandle> getShowWithId(const std::string& gameId, const QVDelegate& onSuccess,
                                                 const QVDelegate& onFailure) override;
    void populateKnownResources(QVResourceNameMap& map) override;
};

class QVApplicationDescription : public QVResource {
    QV_DECLARE_RESOURCE(QVApplicationDescription)
public:
    static std::string getResourceName() { return "application_description"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVApplicationDescriptionService::sharedService(); }

    const std::string& name() const { return name_; }
    // None for an empty text.
    const std::optional<std::string>& iconUrl() const { return iconUrl_; }
    const std::string& itunesId() const { return itunesId_; }
    const std::string& price() const { return price_; }
    const std::string& currentVersion() const { return currentVersion_; }
    const std::string& briefDescription() const { return briefDescription_; }
    const std::string& extendedDescription() const { return extendedDescription_; }
    const std::string& applicationId() const { return applicationId_; }

protected:
    QVApplicationDescription() = default;

private:
    std::string name_;
    std::optional<std::string> iconUrl_;
    std::string itunesId_;
    std::string price_;
    std::string currentVersion_;
    std::string briefDescription_;
    std::string extendedDescription_;
    std::string applicationId_;
};

} // namespace quorvel
