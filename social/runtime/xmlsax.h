// xmlsax: the client's event XML parser, on the platform's hardened reader.
//
// The handler hears element starts with their attributes, character data and
// element ends, in document order. Hostile input fails cleanly (see
// platform::SaxReader): entity declarations are refused, external entities
// are never loaded, and nesting deeper than maxDepth is an error. After a
// failure the handler may have heard part of the document; callers must
// discard what they built.
#pragma once

#include "platform/foundation/SaxReader.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

class xmlsax {
public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void startElement(const std::string& /*name*/, const Attributes& /*attributes*/) { }
        virtual void characters(const char* /*text*/, size_t /*length*/) { }
        virtual void endElement(const std::string& /*name*/) { }
    };

    static constexpr int kDefaultMaxDepth = platform::SaxReader::kDefaultMaxDepth;

    explicit xmlsax(Handler& handler) : handler_(handler) { }

    // Parses one complete document; false with error() set when it is malformed.
    bool parse(const void* data, size_t length);
    const std::string& error() const { return error_; }
    void setMaxDepth(int depth) { maxDepth_ = depth; }

private:
    Handler& handler_;
    std::string error_;
    int maxDepth_ { kDefaultMaxDepth };
};

} // namespace quorvel
