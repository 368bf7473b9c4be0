// The signed storage form: its fields and the multipart body it posts.
#include "social/services/QVS3UploadParameters.h"

#include "social/services/QVCloudStorageService.h"

namespace quorvel {

void QVS3UploadParameters::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVS3UploadParameters> f(map);
    f.field<QVFieldTextOrNil>("action", &QVS3UploadParameters::action_);
    f.field<QVFieldTextOrNil>("key", &QVS3UploadParameters::key_);
    f.field<QVFieldTextOrNil>("AWSAccessKeyId", &QVS3UploadParameters::accessKeyId_);
    f.field<QVFieldTextOrNil>("acl", &QVS3UploadParameters::acl_);
    f.field<QVFieldTextOrNil>("policy", &QVS3UploadParameters::policy_);
    f.field<QVFieldTextOrNil>("signature", &QVS3UploadParameters::signature_);
}

QVService* QVS3UploadParameters::getService() { return QVCloudStorageService::sharedService(); }

namespace {
void append(platform::Bytes& data, const std::string& text) { data.insert(data.end(), text.begin(), text.end()); }
} // namespace

void QVS3UploadParameters::addParamToData(platform::Bytes& data, const std::string& paramName,
                                          const std::optional<std::string>& paramValue)
{
    append(data, getBoundaryMarkerStart());
    append(data, "Content-Disposition: form-data; name=\"" + paramName + "\"\r\n");
    append(data, getHeaderSpacer());
    if (paramValue)
        append(data, *paramValue);
    append(data, getHeaderSpacer());
}

platform::Bytes QVS3UploadParameters::createS3HttpBodyForBlob(const platform::Bytes& blob) const
{
    platform::Bytes body;
    addParamToData(body, "key", key_);
    addParamToData(body, "AWSAccessKeyId", accessKeyId_);
    addParamToData(body, "acl", acl_);
    addParamToData(body, "policy", policy_);
    addParamToData(body, "signature", signature_);
    append(body, getBoundaryMarkerStart());
    append(body, "Content-Disposition: form-data; name=\"file\"; filename=\"test.blob\"\r\n");
    append(body, "Content-Type: \"application/octet-stream\"\r\n");
    append(body, getHeaderSpacer());
    body.insert(body.end(), blob.begin(), blob.end());
    append(body, getHeaderSpacer());
    append(body, getBoundaryMarkerEnd());
    return body;
}

} // namespace quorvel
