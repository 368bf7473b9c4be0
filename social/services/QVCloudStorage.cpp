// The public cloud-storage class: its three requests and their delegate messages.
#include "social/services/QVCloudStorage.h"

#include "platform/foundation/Boxed.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVCloudStorageService.h"

namespace quorvel {

using platform::Ref;

QVService* QVCloudStorageBlob::getService() { return QVCloudStorageService::sharedService(); }

namespace {
int statusCodeOf(platform::Object* status)
{
    auto* s = dynamic_cast<QVCloudStorageStatus_Object*>(status);
    return s ? s->getStatusCode() : 0;
}
} // namespace

void QVCloudStorage::setDelegate(QVCloudStorageDelegate* delegate)
{
    QVSessionRole::requireMainThread("QVCloudStorage::setDelegate");
    QVCloudStorageClass::setDelegate(delegate);
}

QVCloudStorageDelegate* QVCloudStorage::delegate()
{
    QVSessionRole::requireMainThread("QVCloudStorage::delegate");
    return QVCloudStorageClass::delegate();
}

Ref<QVRequestHandle> QVCloudStorage::upload(const std::optional<platform::Bytes>& data, const std::string& key)
{
    QVSessionRole::requireMainThread("QVCloudStorage::upload");
    auto& c = QVCloudStorageClass::classObject();
    return QVCloudStorageClass::file(QVCloudStorageService::uploadBlob(
        data, key, QVDelegate(&c, BRISKO_SELECTOR(QVCloudStorageClass, _uploadSuccess)),
        QVDelegate(&c, BRISKO_SELECTOR(QVCloudStorageClass, _uploadFail))));
}

Ref<QVRequestHandle> QVCloudStorage::downloadDataWithKey(const std::string& key)
{
    QVSessionRole::requireMainThread("QVCloudStorage::downloadDataWithKey");
    auto& c = QVCloudStorageClass::classObject();
    return QVCloudStorageClass::file(QVCloudStorageService::downloadBlobWithKey(
        key, QVDelegate(&c, BRISKO_SELECTOR(QVCloudStorageClass, _downloadSuccess)),
        QVDelegate(&c, BRISKO_SELECTOR(QVCloudStorageClass, _downloadFail))));
}

Ref<QVRequestHandle> QVCloudStorage::downloadKeysForCurrentUser()
{
    QVSessionRole::requireMainThread("QVCloudStorage::downloadKeysForCurrentUser");
    auto& c = QVCloudStorageClass::classObject();
    return QVCloudStorageClass::file(QVCloudStorageService::getIndex(
        QVDelegate(&c, BRISKO_SELECTOR(QVCloudStorageClass, _downloadKeysForCurrentUserSuccess)),
        QVDelegate(&c, BRISKO_SELECTOR(QVCloudStorageClass, _downloadKeysForCurrentUserFail))));
}

void QVCloudStorageClass::_uploadSuccess(platform::Object*)
{
    notify([](QVCloudStorageDelegate& d) { d.didUpload(); });
}

void QVCloudStorageClass::_uploadFail(platform::Object* status)
{
    int code = statusCodeOf(status);
    notify([code](QVCloudStorageDelegate& d) { d.didFailUpload(code); });
}

void QVCloudStorageClass::_downloadSuccess(platform::Object* data)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(data);
    platform::Bytes bytes = boxed ? boxed->value().data() : platform::Bytes();
    notify([&bytes](QVCloudStorageDelegate& d) { d.didDownloadData(bytes); });
}

void QVCloudStorageClass::_downloadFail(platform::Object* status)
{
    int code = statusCodeOf(status);
    notify([code](QVCloudStorageDelegate& d) { d.didFailDownloadData(code); });
}

void QVCloudStorageClass::_downloadKeysForCurrentUserSuccess(platform::Object* object)
{
    std::vector<std::string> keys;
    for (const auto& item : requireCast<QVPaginatedSeries>(object, "A service's answer must carry a series")->objects()) {
        if (auto* blob = dynamic_cast<QVCloudStorageBlob*>(item.get()))
            keys.push_back(blob->keyStr());
    }
    if (keys.empty()) {
        _downloadKeysForCurrentUserFail(nullptr);
        return;
    }
    notify([&keys](QVCloudStorageDelegate& d) { d.didDownloadKeysForCurrentUser(keys); });
}

void QVCloudStorageClass::_downloadKeysForCurrentUserFail(platform::Object*)
{
    notify([](QVCloudStorageDelegate& d) { d.didFailDownloadKeysForCurrentUser(); });
}

} // namespace quorvel
