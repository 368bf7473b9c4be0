// One parameter of a request to the service: a name with a text value, or a
// named data part (a blob), which makes the request a multipart body.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <string>

namespace quorvel {

class OAuthURLRequestParameter : public platform::Object {
public:
    static platform::Ref<OAuthURLRequestParameter> parameterWithName(std::string name, std::string value)
    {
        auto p = platform::adoptRef(new OAuthURLRequestParameter);
        p->initWithName(std::move(name), std::move(value));
        return p;
    }
    // A data part; `dataType` names the part's kind (the client's blobs use "blob").
    static platform::Ref<OAuthURLRequestParameter> dataParameterWithName(std::string name, platform::Bytes data,
                                                                         std::string dataType)
    {
        auto p = platform::adoptRef(new OAuthURLRequestParameter);
        p->name_ = std::move(name);
        p->data_ = std::move(data);
        p->dataType_ = std::move(dataType);
        p->isData_ = true;
        return p;
    }

    bool initWithName(std::string name, std::string value)
    {
        name_ = std::move(name);
        value_ = std::move(value);
        return true;
    }

    const std::string& name() const { return name_; }
    const std::string& value() const { return value_; }
    bool isData() const { return isData_; }
    const platform::Bytes& data() const { return data_; }
    const std::string& dataType() const { return dataType_; }

private:
    OAuthURLRequestParameter() = default;
    std::string name_;
    std::string value_;
    platform::Bytes data_;
    std::string dataType_;
    bool isData_ { false };
};

} // namespace quorvel
