// QVPoller: asks one server path for new activity on a repeating timer of the
// main loop. Each registered resource class sends its last-seen id
// ("last_seen_<name>_id"); resources of those classes in the answer raise it
// and are posted under the class's discovered notification, with the user-info
// object "QVPollerNotificationKeyResources" (a QVPaginatedSeries of them). A
// failed poll posts "QVPollingFailed" with the source path as the object.
//
// Nothing is polled while the provider holds no access token; a poll asked for
// while one is in flight runs once that one ends.
#pragma once

#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVResourceClass.h"
#include "social/runtime/QVResourceNameMap.h"

#include <cstdint>
#include <vector>

namespace quorvel {

class QVProvider;
class QVResource;

class QVPoller : public platform::Object, public QVCallbackable {
public:
    static platform::Ref<QVPoller> pollerWithProvider(QVProvider* provider, std::string sourceUrl);
    ~QVPoller() override;

    void registerResourceClass(const QVResourceClass& cls);
    void pollNow();
    double getPollingFrequency() const { return frequency_; }
    void changePollingFrequency(double seconds);
    void stopPolling();
    void resetToDefaultPollingFrequency();
    void clearCacheForResourceClass(const QVResourceClass& cls) { clearCacheAndForceLastSeenId(0, cls); }
    void clearCacheAndForceLastSeenId(int64_t lastSeenId, const QVResourceClass& cls);

    int64_t lastSeenId(const QVResourceClass& cls) const;
    bool isPollInFlight() const { return inFlight_; }
    const std::string& sourceUrl() const { return sourceUrl_; }

    bool canReceiveCallbacksNow() override { return true; }

    static constexpr const char* kResourcesKey = "QVPollerNotificationKeyResources";
    static constexpr const char* kPollingFailedNotification = "QVPollingFailed";
    static constexpr const char* kDefaultFrequencyKey = "QuorvelSettingPollingFrequencyDefault";

private:
    QVPoller() = default;
    void pollSucceeded(platform::Object* loader);
    void pollFailed(platform::Object* loader);
    void pollEnded();

    struct Polled {
        const QVResourceClass* cls;
        std::string idParameter;
        int64_t lastSeenId { 0 };
        std::vector<platform::Ref<platform::Object>> fresh;
        std::string notification;
    };
    platform::Ref<QVProvider> provider_;
    std::string sourceUrl_;
    std::vector<Polled> classes_;
    QVResourceNameMap names_;
    platform::Ref<platform::Timer> timer_;
    double frequency_ { 0 };
    bool inFlight_ { false };
    bool pollNoted_ { false };
};

} // namespace quorvel
