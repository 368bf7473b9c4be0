// QVDeviceContact: a contact of the device's address book offered as the
// recipient of an invitation. Built by the contact screens, never read from
// XML; every field is optional and kept as set.
#pragma once

#include "social/runtime/QVResource.h"

#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace quorvel {

class QVDeviceContact : public QVResource {
    QV_DECLARE_RESOURCE(QVDeviceContact)
public:
    static platform::Ref<QVDeviceContact> create() { return platform::adoptRef(new QVDeviceContact); }
    static std::string getResourceName() { return {}; }

    int recordId() const { return recordId_; }
    void setRecordId(int id) { recordId_ = id; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    const std::string& number() const { return number_; }
    void setNumber(std::string number) { number_ = std::move(number); }
    const std::string& email() const { return email_; }
    void setEmail(std::string email) { email_ = std::move(email); }
    // The contact's picture, when the address book has one.
    const std::optional<platform::Bytes>& imageData() const { return imageData_; }
    void setImageData(std::optional<platform::Bytes> data) { imageData_ = std::move(data); }

protected:
    QVDeviceContact() = default;

private:
    int recordId_ { 0 };
    std::string name_;
    std::string number_;
    std::string email_;
    std::optional<platform::Bytes> imageData_;
};

} // namespace quorvel
