// QVCloudStorage: the game's interface to the player's cloud store — store a
// blob under a key, fetch it back, list the keys — reporting to one class-wide
// QVCloudStorageDelegate (a weak link; every method optional). Failures
// arrive as the status codes 404, 406, 504 and 507. An empty key list is a
// failure, not an empty list. Clearing the delegate forgets the class's
// outstanding requests.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVServicePublicClass.h"

#include <string>
#include <vector>

namespace quorvel {

// One stored blob's entry in the key list (element "cloud_store").
class QVCloudStorageBlob : public QVResource {
    QV_DECLARE_RESOURCE(QVCloudStorageBlob)
public:
    static std::string getResourceName() { return "cloud_store"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_cloud_storage_blob_discovered"; }
    static void getDataMap(QVResourceDataMap& map)
    {
        QVResourceFields<QVCloudStorageBlob> f(map);
        f.read<QVFieldText>("user_id", &QVCloudStorageBlob::userId_);
        f.read<QVFieldText>("key", &QVCloudStorageBlob::keyStr_);
    }
    static QVService* getService();

    const std::string& userId() const { return userId_; }
    const std::string& keyStr() const { return keyStr_; }
    void setUserId(const std::string& text) { userId_ = text; }
    void setKeyStr(const std::string& text) { keyStr_ = text; }

protected:
    QVCloudStorageBlob() = default;

private:
    std::string userId_;
    std::string keyStr_;
};

class QVCloudStorageDelegate {
public:
    virtual ~QVCloudStorageDelegate() = default;
    virtual void didUpload() { }
    virtual void didFailUpload(int /*statusCode*/) { }
    virtual void didDownloadData(const platform::Bytes&) { }
    virtual void didFailDownloadData(int /*statusCode*/) { }
    virtual void didDownloadKeysForCurrentUser(const std::vector<std::string>&) { }
    virtual void didFailDownloadKeysForCurrentUser() { }
};

// The class object: its delegate, its request module and the request callbacks.
class QVCloudStorageClass : public QVServicePublicClass<QVCloudStorageClass, QVCloudStorageDelegate> {
    friend class QVServicePublicClass<QVCloudStorageClass, QVCloudStorageDelegate>;
    QVCloudStorageClass() = default;

public:
    void _uploadSuccess(platform::Object*);
    void _uploadFail(platform::Object* status);
    void _downloadSuccess(platform::Object* data);
    void _downloadFail(platform::Object* status);
    void _downloadKeysForCurrentUserSuccess(platform::Object* series);
    void _downloadKeysForCurrentUserFail(platform::Object*);
};

class QVCloudStorage {
public:
    static void setDelegate(QVCloudStorageDelegate* delegate);
    static QVCloudStorageDelegate* delegate();

    // Each answers the request's handle, or null when nothing was sent.
    static platform::Ref<QVRequestHandle> upload(const std::optional<platform::Bytes>& data, const std::string& key);
    static platform::Ref<QVRequestHandle> downloadDataWithKey(const std::string& key);
    static platform::Ref<QVRequestHandle> downloadKeysForCurrentUser();
};

} // namespace quorvel
