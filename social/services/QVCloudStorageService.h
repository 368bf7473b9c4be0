// QVCloudStorageService: the player's key-value blob store on the service
// (upload, download by key, the key list) and the unsigned blob transfers to
// and from the storage host that score blobs use (a signed multipart form up,
// a plain GET down). It also holds the three compression switches the central
// class sets while it starts.
//
// Cloud-store failures reach the caller as one of five status objects (200,
// 404, 406, 504, 507); a key or size refused before sending sends nothing.
// Storage transfers report a QVS3Response to both callbacks. A stored blob
// that does not expand is a failure (406), never a success without data.
//
// Main thread only. Destroying the service cancels every storage transfer.
#pragma once

#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVService.h"

#include <optional>
#include <string>

namespace quorvel {

class QVS3UploadParameters;

class QVCloudStorageStatus_Object : public platform::Object {
public:
    virtual int getStatusCode() const { return 0; }
    bool isNetworkError() const { return getStatusCode() == 504; }
    bool isAnyError() const { return getStatusCode() != 200; }
};

#define QV_CLOUD_STORAGE_STATUS(Name, Code)                                                                     \
    class QVCloudStorageStatus_##Name : public QVCloudStorageStatus_Object {                                    \
    public:                                                                                                     \
        int getStatusCode() const override { return Code; }                                                     \
    };
QV_CLOUD_STORAGE_STATUS(Ok, 200)
QV_CLOUD_STORAGE_STATUS(NotAcceptable, 406)
QV_CLOUD_STORAGE_STATUS(NotFound, 404)
QV_CLOUD_STORAGE_STATUS(GatewayTimeout, 504)
QV_CLOUD_STORAGE_STATUS(InsufficientStorage, 507)
#undef QV_CLOUD_STORAGE_STATUS

class QVCloudStorageService : public QVSharedService<QVCloudStorageService> {
public:
    // The largest stored form of a cloud-store value.
    static constexpr size_t kMaxStoredBlob = 262144;
    // The largest cloud-store value itself: an upload beyond it is refused
    // (507) and a download expands to at most it, so what is accepted can
    // always be read back.
    static constexpr size_t kMaxExpandedValue = QVCompressableData::kDefaultExpansionCap;
    // Storage-host blobs expand to at most this many bytes.
    static constexpr size_t kMaxTransferredBlob = QVCompressableData::kDefaultExpansionCap;

    void populateKnownResources(QVResourceNameMap& names) override;
    platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;

    // -- the key-value store. Null when nothing was sent.
    static platform::Ref<QVRequestHandle> uploadBlob(const std::optional<platform::Bytes>& blob, const std::string& key,
                                                     const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // The success value receives the blob as a Boxed data value.
    static platform::Ref<QVRequestHandle> downloadBlobWithKey(const std::string& key, const QVDelegate& onSuccess,
                                                              const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getIndex(const QVDelegate& onSuccess, const QVDelegate& onFailure);

    // A key: an ASCII letter, then ASCII letters, digits, '-' and '_'.
    static bool keyIsValid(const std::string& key);
    static bool charIsAlpha(char16_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
    static bool charIsNum(char16_t c) { return c >= '0' && c <= '9'; }
    static bool charIsPunctAllowedInKey(char16_t c) { return c == '-' || c == '_'; }

    // -- the storage-host form: header form (or raw), or the bare zlib stream
    // while the headerless switch is on. None for an empty blob, or one that
    // does not expand within kMaxTransferredBlob.
    static std::optional<platform::Bytes> compressBlob(const std::optional<platform::Bytes>& blob);
    static std::optional<platform::Bytes> uncompressBlob(const std::optional<platform::Bytes>& blob);
    // A bare zlib stream expanded to at most `cap` bytes; none on any error.
    static std::optional<platform::Bytes> inflateHeaderless(const platform::Bytes& stream, size_t cap);

    // -- storage transfers. An upload without an address or blob sends nothing
    // and calls nothing.
    static void uploadS3Blob(const std::optional<platform::Bytes>& blob, const QVS3UploadParameters* parameters,
                             platform::Object* passThrough, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void uploadS3Blob(const std::optional<platform::Bytes>& blob, const QVS3UploadParameters* parameters,
                             const QVDelegate& onSuccess, const QVDelegate& onFailure)
    {
        uploadS3Blob(blob, parameters, nullptr, onSuccess, onFailure);
    }
    static platform::Ref<QVRequestHandle> downloadS3Blob(const std::string& address, platform::Object* passThrough,
                                                         const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> downloadS3Blob(const std::string& address, const QVDelegate& onSuccess,
                                                         const QVDelegate& onFailure)
    {
        return downloadS3Blob(address, nullptr, onSuccess, onFailure);
    }

    // -- switches
    void disableCompression() { mUseCompression = false; }
    bool isCompressionEnabled() const { return mUseCompression; }
    void enableVeboseCompression() { mVerboseCompression = true; }
    bool isVerboseCompressionEnabled() const { return mVerboseCompression; }
    void useLegacyHeaderlessCompression() { mUseLegacyHeaderlessCompression = true; }
    bool isUsingLegacyHeaderlessCompression() const { return mUseLegacyHeaderlessCompression; }

    QVHttpService* getS3HttpService() const { return mS3HttpService.get(); }
    QVCloudStorageStatus_Object* getStatusObject_Ok() const { return mStatusOk.get(); }
    QVCloudStorageStatus_Object* getStatusObject_NotAcceptable() const { return mStatusNotAcceptable.get(); }
    QVCloudStorageStatus_Object* getStatusObject_NotFound() const { return mStatusNotFound.get(); }
    QVCloudStorageStatus_Object* getStatusObject_GatewayTimeout() const { return mStatusGatewayTimeout.get(); }
    QVCloudStorageStatus_Object* getStatusObject_InsufficientStorage() const
    {
        return mStatusInsufficientStorage.get();
    }

    // Callback targets: the request loader (or storage response) and the caller's values.
    void onBlobDownloaded(platform::Object* loader, platform::Object* nextCall);
    void onDownloadFailure(platform::Object* loader, platform::Object* nextCall);
    void onUploadFailure(platform::Object* loader, platform::Object* nextCall);
    void onS3BlobDownloaded(platform::Object* response, platform::Object* nextCall);

private:
    friend class QVSharedService<QVCloudStorageService>;
    QVCloudStorageService();
    ~QVCloudStorageService() override;

    // The status of a failed request: 504 without an answer, then 200, 507
    // (when `keep507`) or 404.
    QVCloudStorageStatus_Object* statusForFailure(platform::Object* loader, bool keep507) const;

    platform::Ref<QVHttpService> mS3HttpService;
    bool mUseCompression { true };
    bool mVerboseCompression { false };
    bool mUseLegacyHeaderlessCompression { false };
    platform::Ref<QVCloudStorageStatus_Object> mStatusOk;
    platform::Ref<QVCloudStorageStatus_Object> mStatusNotAcceptable;
    platform::Ref<QVCloudStorageStatus_Object> mStatusNotFound;
    platform::Ref<QVCloudStorageStatus_Object> mStatusGatewayTimeout;
    platform::Ref<QVCloudStorageStatus_Object> mStatusInsufficientStorage;
};

} // namespace quorvel
