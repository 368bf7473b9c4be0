// QVXmlDocument: the document model of every XML answer of the service.
//
// The parsed document hangs under a synthetic element named "root", whose one
// child is the document's top element. Each element keeps its attributes, its
// own character data and its child elements in document order. A body that is
// not well-formed XML gives no document (xmlDocumentWithData answers null), so
// callers take their failure path.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel {

struct QVXmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text; // the element's own character data, concatenated
    std::vector<std::unique_ptr<QVXmlElement>> children;

    // The first child element of that name, or null.
    const QVXmlElement* child(std::string_view childName) const;
    // The text of the first child of that name; empty when there is none.
    std::string childText(std::string_view childName) const;
    // Null when the attribute is absent.
    const std::string* attribute(std::string_view attributeName) const;
};

class QVXmlDocument : public platform::Object {
public:
    static platform::Ref<QVXmlDocument> xmlDocumentWithData(const void* bytes, size_t length, std::string* error = nullptr);
    static platform::Ref<QVXmlDocument> xmlDocumentWithData(const platform::Bytes& data, std::string* error = nullptr)
    {
        return xmlDocumentWithData(data.data(), data.size(), error);
    }
    static platform::Ref<QVXmlDocument> xmlDocumentWithString(std::string_view text, std::string* error = nullptr)
    {
        return xmlDocumentWithData(text.data(), text.size(), error);
    }

    // The synthetic "root" element holding the top element.
    const QVXmlElement& root() const { return root_; }
    // The document's top element.
    const QVXmlElement* topElement() const { return root_.children.empty() ? nullptr : root_.children.front().get(); }

    // The text at a dot-separated path whose first component names the top
    // element ("errors.TwitterCredential", "error_message"); empty when the top
    // element or a step is missing.
    std::string getElementValue(std::string_view path) const;

private:
    friend class QVXmlDocumentBuilder;
    QVXmlDocument() { root_.name = "root"; }
    QVXmlElement root_;
};

// Builds a document from parser events, for a reader that takes the events
// itself (an answer read in pieces, part of which goes elsewhere). The events
// must nest: each end closes the latest start still open.
class QVXmlDocumentBuilder {
public:
    QVXmlDocumentBuilder();
    // attributes: name, value, name, value, ..., nullptr (or null for none).
    void startElement(const char* name, const char** attributes);
    void characters(const char* text, size_t length);
    void endElement();
    // The document built so far; the builder starts again empty.
    platform::Ref<QVXmlDocument> finish();

private:
    platform::Ref<QVXmlDocument> document_;
    std::vector<QVXmlElement*> open_;
};

// Text with &, < and > escaped (and double quotes, for attribute values);
// single quotes too with `apostrophes`, for text that goes into HTML.
std::string QVXmlEscape(std::string_view text, bool apostrophes = false);

} // namespace quorvel
