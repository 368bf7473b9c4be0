// The cloud-storage service: the key-value store's requests and their status
// objects, the storage-host transfers, and the blob forms each road uses.
#include "social/services/QVCloudStorageService.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVCloudStorage.h"
#include "social/services/QVS3UploadParameters.h"

#include <zlib.h>

#include <algorithm>

namespace quorvel {

using platform::Bytes;
using platform::Object;
using platform::Ref;

namespace {

const QVServiceEndpoint kUpload { "POST", "/cloud_stores", 0, nullptr };
const QVServiceEndpoint kDownload { "GET", "cloud_stores/%@.blob", 0, nullptr };
const QVServiceEndpoint kIndex { "GET", "cloud_stores.xml", 0, nullptr };

} // namespace

QVCloudStorageService::QVCloudStorageService()
    : mS3HttpService(platform::adoptRef(new QVHttpService("", false)))
    , mStatusOk(platform::adoptRef(new QVCloudStorageStatus_Ok))
    , mStatusNotAcceptable(platform::adoptRef(new QVCloudStorageStatus_NotAcceptable))
    , mStatusNotFound(platform::adoptRef(new QVCloudStorageStatus_NotFound))
    , mStatusGatewayTimeout(platform::adoptRef(new QVCloudStorageStatus_GatewayTimeout))
    , mStatusInsufficientStorage(platform::adoptRef(new QVCloudStorageStatus_InsufficientStorage))
{
}

QVCloudStorageService::~QVCloudStorageService() { mS3HttpService->cancelAllRequests(); }

void QVCloudStorageService::populateKnownResources(QVResourceNameMap& names)
{
    names.addResource<QVCloudStorageBlob>(QVCloudStorageBlob::getResourceName());
}

// -- the key-value store ----------------------------------------------------------------

bool QVCloudStorageService::keyIsValid(const std::string& key)
{
    if (key.empty() || !charIsAlpha(static_cast<unsigned char>(key[0])))
        return false;
    // Bytes of a multi-byte character are all above 0x7F, so none passes.
    return std::all_of(key.begin() + 1, key.end(), [](char ch) {
        char16_t c = static_cast<unsigned char>(ch);
        return charIsAlpha(c) || charIsNum(c) || charIsPunctAllowedInKey(c);
    });
}

Ref<QVRequestHandle> QVCloudStorageService::uploadBlob(const std::optional<Bytes>& blob, const std::string& key,
                                                       const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVCloudStorageService::uploadBlob");
    QVCloudStorageService& shared = service();
    Ref<QVCloudStorageService> keep(&shared);
    // Before start-up or after shut-down: said as every call says it, and no answer.
    if (!QVSessionRole::requireRunningClient("QVCloudStorageService::uploadBlob")) {
        onFailure.invoke(shared.getStatusObject_GatewayTimeout());
        return nullptr;
    }
    if (!blob) {
        onFailure.invoke(shared.getStatusObject_NotAcceptable());
        return nullptr;
    }
    std::optional<Bytes> stored = blob;
    if (shared.mUseCompression)
        stored = QVCompressableData::serializedDataFromData(*blob);
    if (stored->size() > kMaxStoredBlob || blob->size() > kMaxExpandedValue) {
        onFailure.invoke(shared.getStatusObject_InsufficientStorage());
        return nullptr;
    }
    if (!keyIsValid(key)) {
        onFailure.invoke(shared.getStatusObject_NotAcceptable());
        return nullptr;
    }
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string keyText = key;
    params->io("key", keyText);
    params->io("blob", stored);
    return shared.send(kUpload, {}, params.get(), onSuccess,
                       QVDelegate(&shared, BRISKO_SELECTOR(QVCloudStorageService, onUploadFailure),
                                  QVDelegateChained::chainedWith(onFailure).get()));
}

Ref<QVRequestHandle> QVCloudStorageService::downloadBlobWithKey(const std::string& key, const QVDelegate& onSuccess,
                                                                const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVCloudStorageService::downloadBlobWithKey");
    QVCloudStorageService& shared = service();
    Ref<QVCloudStorageService> keep(&shared);
    if (!QVSessionRole::requireRunningClient("QVCloudStorageService::downloadBlobWithKey")) {
        onFailure.invoke(shared.getStatusObject_GatewayTimeout());
        return nullptr;
    }
    if (!keyIsValid(key)) {
        onFailure.invoke(shared.getStatusObject_NotAcceptable());
        return nullptr;
    }
    std::optional<std::string> path = QVServicePath::build(kDownload.path, { key });
    if (!path) {
        onFailure.invoke(shared.getStatusObject_NotAcceptable());
        return nullptr;
    }
    // No session to send through: the download ends at once, as every other
    // request does, with no answer to report.
    QVProvider* provider = QVSessionRole::current().provider();
    if (!provider) {
        onFailure.invoke(shared.getStatusObject_GatewayTimeout());
        return nullptr;
    }
    auto values = QVDelegateChained::chainedWith(onSuccess, onFailure);
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    return provider->performAction(
        *path, params.get(), kDownload.httpMethod,
        QVDelegate(&shared, BRISKO_SELECTOR(QVCloudStorageService, onBlobDownloaded), values.get()),
        QVDelegate(&shared, BRISKO_SELECTOR(QVCloudStorageService, onDownloadFailure), values.get()),
        kDownload.requestType, nullptr, true);
}

Ref<QVRequestHandle> QVCloudStorageService::getIndex(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVCloudStorageService::getIndex");
    return service().getIndexOnSuccess(onSuccess, onFailure);
}

Ref<QVRequestHandle> QVCloudStorageService::getIndexOnSuccess(const QVDelegate& onSuccess,
                                                              const QVDelegate& onFailure)
{
    return send(kIndex, {}, nullptr, onSuccess, onFailure);
}

QVCloudStorageStatus_Object* QVCloudStorageService::statusForFailure(Object* loaderObject, bool keep507) const
{
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(loaderObject);
    if (!loader || !loader->oauthResponse() || !loader->oauthResponse()->urlResponse())
        return getStatusObject_GatewayTimeout();
    int status = loader->oauthResponse()->statusCode();
    if (status == 507 && keep507)
        return getStatusObject_InsufficientStorage();
    // A success status that is no answer (QVAnswer): the service's error list
    // is its refusal; a body the client cannot read says nothing of what the
    // service did, as no answer does.
    if (QVAnswer::isSuccessStatus(status))
        return QVAnswer::serviceErrors(loader->data()) ? getStatusObject_NotFound() : getStatusObject_GatewayTimeout();
    return getStatusObject_NotFound();
}

void QVCloudStorageService::onUploadFailure(Object* loader, Object* nextCall)
{
    if (auto* chained = QVDelegateChained::from(nextCall))
        chained->invokeWith(statusForFailure(loader, true));
}

void QVCloudStorageService::onDownloadFailure(Object* loader, Object* nextCall)
{
    if (auto* values = QVDelegateChained::from(nextCall))
        values->invokeFailureWith(statusForFailure(loader, false));
}

void QVCloudStorageService::onBlobDownloaded(Object* loaderObject, Object* nextCall)
{
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(loaderObject);
    QVDelegateChained* values = QVDelegateChained::from(nextCall);
    BRISKO_ASSERT(loader && values, "A stored value's download came without its loader or the caller's values");
    // The value's bytes come only with 200 (QVAnswer::bytes): anything else is
    // no saved value, and is reported as not found.
    const Bytes* body = QVAnswer::bytes(loader);
    if (!body) {
        platform::logWarning("Quorvel: a cloud value's download was answered with HTTP %d; it is reported as not found",
                             QVAnswer::status(loader));
        values->invokeFailureWith(getStatusObject_NotFound());
        return;
    }
    std::optional<Bytes> blob = *body;
    if (mUseCompression)
        blob = QVCompressableData::uncompressedDataFromSerializedData(*body, kMaxExpandedValue);
    // A stored value that does not expand is not the value: a failure.
    if (!blob) {
        values->invokeFailureWith(getStatusObject_NotAcceptable());
        return;
    }
    values->invokeWith(platform::Boxed::data(std::move(*blob)).get());
}

// -- blob forms of the storage host -------------------------------------------------------

std::optional<Bytes> QVCloudStorageService::compressBlob(const std::optional<Bytes>& blob)
{
    QVSessionRole::requireMainThread("QVCloudStorageService::compressBlob");
    if (!blob || blob->empty())
        return std::nullopt;
    QVCloudStorageService& shared = service();
    if (!shared.mUseLegacyHeaderlessCompression)
        return QVCompressableData::serializedDataFromData(*blob);
    size_t n = blob->size();
    uLongf length = uLongf(2 * n + 128);
    Bytes out(length);
    if (::compress(out.data(), &length, blob->data(), uLong(n)) != Z_OK)
        return std::nullopt;
    out.resize(length);
    if (shared.mVerboseCompression)
        platform::log("Quorvel: BLOB compressed. Compressed size is %d percent of original size.",
                      static_cast<int>(static_cast<float>(length) / static_cast<float>(n) * 100.0f));
    return out;
}

std::optional<Bytes> QVCloudStorageService::uncompressBlob(const std::optional<Bytes>& blob)
{
    QVSessionRole::requireMainThread("QVCloudStorageService::uncompressBlob");
    if (!blob || blob->empty())
        return std::nullopt;
    if (!service().mUseLegacyHeaderlessCompression)
        return QVCompressableData::uncompressedDataFromSerializedData(*blob, kMaxTransferredBlob);
    return inflateHeaderless(*blob, kMaxTransferredBlob);
}

std::optional<Bytes> QVCloudStorageService::inflateHeaderless(const Bytes& stream, size_t cap)
{
    if (stream.empty() || stream.size() > uInt(-1))
        return std::nullopt;
    z_stream z {};
    if (inflateInit(&z) != Z_OK)
        return std::nullopt;
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    // One byte beyond the cap tells a stream that fills it from one that overflows it.
    size_t limit = cap + 1;
    Bytes out(std::min(2 * stream.size(), limit));
    size_t produced = 0;
    for (;;) {
        if (produced == out.size()) {
            if (out.size() >= limit)
                break;
            out.resize(std::min(out.size() + stream.size(), limit));
        }
        z.next_out = out.data() + produced;
        z.avail_out = uInt(out.size() - produced);
        int result = inflate(&z, Z_SYNC_FLUSH);
        produced = out.size() - z.avail_out;
        if (result == Z_STREAM_END) {
            if (inflateEnd(&z) != Z_OK || produced > cap)
                return std::nullopt;
            out.resize(produced);
            return out;
        }
        if (result != Z_OK)
            break;
    }
    inflateEnd(&z);
    return std::nullopt;
}

// -- storage transfers ------------------------------------------------------------------------

void QVCloudStorageService::uploadS3Blob(const std::optional<Bytes>& blob, const QVS3UploadParameters* parameters,
                                         Object* passThrough, const QVDelegate& onSuccess,
                                         const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVCloudStorageService::uploadS3Blob");
    if (!parameters || !parameters->action() || parameters->action()->empty() || !blob)
        return;
    QVCloudStorageService& shared = service();
    Bytes payload = *blob;
    if (shared.mUseCompression) {
        // Only an empty blob has no stored form; it goes as it is.
        if (auto packed = compressBlob(blob))
            payload = std::move(*packed);
    }
    std::string boundary = QVS3UploadParameters::getMultiPartBoundary();
    auto observer = platform::adoptRef(new QVBlobDownloadObserver(onSuccess, onFailure, true));
    shared.mS3HttpService->startRequest(*parameters->action(), "POST", parameters->createS3HttpBodyForBlob(payload),
                                        nullptr, nullptr, passThrough, &boundary, observer.get());
}

Ref<QVRequestHandle> QVCloudStorageService::downloadS3Blob(const std::string& address, Object* passThrough,
                                                           const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVCloudStorageService::downloadS3Blob");
    QVCloudStorageService& shared = service();
    auto values = QVDelegateChained::chainedWith(onSuccess, onFailure);
    QVDelegate success(&shared, BRISKO_SELECTOR(QVCloudStorageService, onS3BlobDownloaded), values.get());
    auto observer = platform::adoptRef(new QVBlobDownloadObserver(success, onFailure, true));
    auto request = shared.mS3HttpService->startRequest(address, "GET", std::nullopt, nullptr, nullptr, passThrough,
                                                       nullptr, observer.get());
    return QVRequestHandle::requestHandle(request.get());
}

void QVCloudStorageService::onS3BlobDownloaded(Object* responseObject, Object* nextCall)
{
    auto* response = dynamic_cast<QVS3Response*>(responseObject);
    QVDelegateChained* values = QVDelegateChained::from(nextCall);
    BRISKO_ASSERT(response && values, "A storage host download came without its response or the caller's values");
    Ref<QVS3Response> keep(response);
    if (mUseCompression) {
        std::optional<Bytes> blob = uncompressBlob(response->data());
        // A body that does not expand is reported as a failure, not as an empty success.
        if (!blob) {
            values->invokeFailureWith(
                QVS3Response::response(std::nullopt, response->passThroughObject(), 406).get());
            return;
        }
        response->setData(std::move(blob));
    }
    values->invokeWith(response);
}

} // namespace quorvel
