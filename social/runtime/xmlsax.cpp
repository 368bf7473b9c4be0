// xmlsax on platform::SaxReader: hands the reader's events to the client's
// handler with the attributes as name/value pairs.
#include "social/runtime/xmlsax.h"

namespace quorvel {

namespace {

class Forwarder : public platform::SaxHandler {
public:
    explicit Forwarder(xmlsax::Handler& handler) : handler_(handler) { }

    void startElement(const char* name, const char** attributes) override
    {
        xmlsax::Attributes pairs;
        for (const char** a = attributes; a && a[0] && a[1]; a += 2)
            pairs.emplace_back(a[0], a[1]);
        handler_.startElement(name, pairs);
    }
    void characters(const char* text, size_t length) override { handler_.characters(text, length); }
    void endElement(const char* name) override { handler_.endElement(name); }

private:
    xmlsax::Handler& handler_;
};

} // namespace

bool xmlsax::parse(const void* data, size_t length)
{
    Forwarder forwarder(handler_);
    platform::SaxReader reader(forwarder);
    reader.setMaxDepth(maxDepth_);
    bool ok = reader.parse(data, length);
    error_ = reader.error();
    return ok;
}

} // namespace quorvel
