// QVS3UploadParameters: one signed storage form as the service hands it out
// inside a high score (element "blob_upload_parameters"): the address the form
// is posted to and the five policy fields. createS3HttpBodyForBlob writes the
// exact multipart body the storage host expects; the address is not part of it.
#pragma once

#include "social/runtime/QVResourceFields.h"

#include <optional>
#include <string>

namespace quorvel {

class QVS3UploadParameters : public QVResource {
    QV_DECLARE_RESOURCE(QVS3UploadParameters)
public:
    static platform::Ref<QVS3UploadParameters> create() { return platform::adoptRef(new QVS3UploadParameters); }
    static std::string getResourceName() { return "blob_upload_parameters"; }
    static std::string getResourceDiscoveredNotification() { return "s3_upload_parameters_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    static std::string getMultiPartBoundary() { return "8b1b0390bf21a96d7f9b6d9ef5d3438ae3556eff"; }
    static std::string getHeaderSpacer() { return "\r\n"; }
    static std::string getBoundaryMarkerStart() { return "--" + getMultiPartBoundary() + "\r\n"; }
    static std::string getBoundaryMarkerEnd() { return "--" + getMultiPartBoundary() + "--"; }

    // The text parts key, AWSAccessKeyId, acl, policy, signature, then the file
    // part with the blob, then the end marker (no line end after it).
    platform::Bytes createS3HttpBodyForBlob(const platform::Bytes& blob) const;
    // Appends one text part; a missing value adds no bytes of its own.
    static void addParamToData(platform::Bytes& data, const std::string& paramName,
                               const std::optional<std::string>& paramValue);

    const std::optional<std::string>& action() const { return action_; }
    const std::optional<std::string>& key() const { return key_; }
    const std::optional<std::string>& AWSAccessKeyId() const { return accessKeyId_; }
    const std::optional<std::string>& acl() const { return acl_; }
    const std::optional<std::string>& policy() const { return policy_; }
    const std::optional<std::string>& signature() const { return signature_; }
    void setAction(std::optional<std::string> v) { action_ = std::move(v); }
    void setKey(std::optional<std::string> v) { key_ = std::move(v); }
    void setAWSAccessKeyId(std::optional<std::string> v) { accessKeyId_ = std::move(v); }
    void setAcl(std::optional<std::string> v) { acl_ = std::move(v); }
    void setPolicy(std::optional<std::string> v) { policy_ = std::move(v); }
    void setSignature(std::optional<std::string> v) { signature_ = std::move(v); }

protected:
    QVS3UploadParameters() = default;

private:
    std::optional<std::string> action_;
    std::optional<std::string> key_;
    std::optional<std::string> accessKeyId_;
    std::optional<std::string> acl_;
    std::optional<std::string> policy_;
    std::optional<std::string> signature_;
};

} // namespace quorvel
