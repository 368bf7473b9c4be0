// Request parameters from serialised records: nested names and the decimal
// forms of the value types.
#include "social/runtime/QVHttpNestedQueryStringWriter.h"

#include "platform/foundation/Format.h"

namespace quorvel {

std::string QVHttpNestedQueryStringWriter::nameFor(const char* name) const
{
    std::string plain = name ? name : "";
    if (scopes_.empty() || plain.find('[') != std::string::npos)
        return plain;
    std::string full = scopes_.front().name;
    for (size_t i = 1; i < scopes_.size(); ++i)
        full += scopes_[i - 1].isSeries ? std::string("[]") : "[" + scopes_[i].name + "]";
    full += scopes_.back().isSeries ? std::string("[]") : "[" + plain + "]";
    return full;
}

void QVHttpNestedQueryStringWriter::add(const char* name, std::string value)
{
    parameters_.push_back(OAuthURLRequestParameter::parameterWithName(nameFor(name), std::move(value)));
}

void QVHttpNestedQueryStringWriter::io(const char* name, bool& value) { add(name, value ? "1" : "0"); }
void QVHttpNestedQueryStringWriter::io(const char* name, int& value) { add(name, platform::format("%d", value)); }
// Unsigned values print as unsigned, so counts above 2^31 keep their value.
void QVHttpNestedQueryStringWriter::io(const char* name, unsigned int& value) { add(name, platform::format("%u", value)); }
void QVHttpNestedQueryStringWriter::io(const char* name, int64_t& value)
{
    add(name, platform::format("%lld", static_cast<long long>(value)));
}
void QVHttpNestedQueryStringWriter::io(const char* name, double& value) { add(name, platform::format("%f", value)); }
void QVHttpNestedQueryStringWriter::io(const char* name, std::string& value) { add(name, value); }

void QVHttpNestedQueryStringWriter::io(const char* name, std::optional<std::string>& value)
{
    if (value)
        add(name, *value);
}

void QVHttpNestedQueryStringWriter::io(const char* name, std::optional<platform::Bytes>& value)
{
    if (!value)
        return;
    parameters_.push_back(OAuthURLRequestParameter::dataParameterWithName(nameFor(name), *value, "blob"));
    multipart_ = true;
}

} // namespace quorvel
