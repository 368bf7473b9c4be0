// QVUserService: players from the server — one by id (answered locally for the
// local user and from the offline store while offline), by name, the accounts
// used on this device, a player's e-mail credential — and the player's
// location report. Every operation is a class method ending with a success and
// a failure value; the success value receives the answer series.
#pragma once

#include "social/runtime/QVService.h"

#include "platform/ui/MapView.h"

#include <optional>
#include <string>

namespace quorvel {

class QVUser;

class QVUserService : public QVSharedService<QVUserService> {
public:
    QVUserService() = default;

    // Empty id or the local user's id: success at once with the local user, no
    // request, null answer. Offline: the stored user of that id (failure with
    // null when there is none), null answer. Otherwise GET "users/<id>/".
    static platform::Ref<QVRequestHandle> getUser(const std::string& userId, const QVDelegate& onSuccess,
                                                  const QVDelegate& onFailure);
    // POST "users/<id or @me>/set_location.xml": "lat", "lng", and "allowed" = 1 only when allowed.
    static void setUserLocation(const std::string& userId, const platform::ui::LocationCoordinate2D& location,
                                bool allowed, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // GET "users.xml": "name", "page".
    static void findUsersByName(const std::string& name, int pageIndex, const QVDelegate& onSuccess,
                                const QVDelegate& onFailure);
    // GET "users/for_device.xml" without login: "udid".
    static void findUsersForLocalDeviceOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // GET "http_basic_credentials/<id or @me>.xml".
    static void getEmailForUser(const std::string& userId, const QVDelegate& onSuccess, const QVDelegate& onFailure);

    void populateKnownResources(QVResourceNameMap& map) override;

    // -- the users table of the offline store (QVUserServiceOffline.cpp) -------
    // One row per player who logged in on this device.
    static void setupOfflineSupport(bool recreate);
    // Stores (or replaces) the player's row; false for an id that is not a
    // decimal number or when the row cannot be written.
    static bool createLocalUser(const std::string& userId, const std::string& userName,
                                const std::optional<std::string>& profilePictureUrl);
    // The stored player, or null.
    static platform::Ref<QVUser> getLocalUser(const std::string& userId);
    // The stored player as a one-user series to the success value, or the
    // failure value with null; never a request.
    static void getLocalUser(const std::string& userId, const QVDelegate& onSuccess, const QVDelegate& onFailure);

    ~QVUserService() override;
};

} // namespace quorvel
