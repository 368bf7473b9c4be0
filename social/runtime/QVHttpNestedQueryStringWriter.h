// QVHttpNestedQueryStringWriter: the serialiser that turns named values into
// request parameters, in call order, with nested names for scopes.
//
// Names: at top level the value's name; inside scopes the outermost scope's
// name, then "[scope]" for each further scope ("[]" for a scope directly inside
// a series), then "[name]" ("[]" when the innermost scope is a series). So the
// field score of an entry inside the series high_scores is high_scores[][score].
// A name that already holds brackets (post[body]) is used as it is. A blob
// becomes a data part of type "blob", which makes the request multipart; the
// element count writes nothing.
#pragma once

#include "social/runtime/OAuthURLRequestParameter.h"
#include "social/runtime/QVISerializer.h"

#include <vector>

namespace quorvel {

class QVHttpNestedQueryStringWriter : public QVISerializer {
public:
    using Parameters = std::vector<platform::Ref<OAuthURLRequestParameter>>;

    static platform::Ref<QVHttpNestedQueryStringWriter> create()
    {
        return platform::adoptRef(new QVHttpNestedQueryStringWriter);
    }
    // A writer holding one text value.
    static platform::Ref<QVHttpNestedQueryStringWriter> with(const char* name, std::string value)
    {
        auto writer = create();
        writer->put(name, std::move(value));
        return writer;
    }

    // Writes a value the caller does not keep, in the form io() gives it; a
    // text literal goes as text, never as a flag.
    template <typename T>
    QVHttpNestedQueryStringWriter& put(const char* name, T value)
    {
        io(name, value);
        return *this;
    }
    QVHttpNestedQueryStringWriter& put(const char* name, const char* value) { return put(name, std::string(value)); }

    bool isReading() const override { return false; }

    void io(const char* name, bool& value) override;
    void io(const char* name, int& value) override;
    void io(const char* name, unsigned int& value) override;
    void io(const char* name, int64_t& value) override;
    void io(const char* name, double& value) override;
    void io(const char* name, std::string& value) override;
    void io(const char* name, std::optional<std::string>& value) override;
    void io(const char* name, std::optional<platform::Bytes>& value) override;
    void ioElementCount(unsigned int&) override { }

    // The parameters in call order, as the request builder takes them.
    const Parameters& getQueryParametersAsArray() const { return parameters_; }
    // True once a blob was written: the request must go as multipart/form-data.
    bool isMultipart() const { return multipart_; }

    // The full parameter name of a value written now.
    std::string nameFor(const char* name) const;

protected:
    void beginScope(const char* name, bool isSeries) override { scopes_.push_back({ name, isSeries }); }
    void endScope() override
    {
        if (!scopes_.empty())
            scopes_.pop_back();
    }

private:
    void add(const char* name, std::string value);

    struct OpenScope {
        std::string name;
        bool isSeries;
    };
    std::vector<OpenScope> scopes_;
    Parameters parameters_;
    bool multipart_ { false };
};

} // namespace quorvel
