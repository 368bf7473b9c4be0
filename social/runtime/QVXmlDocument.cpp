// QVXmlDocument: builds the element tree from the parser's events and answers
// path lookups into it.
#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/SaxReader.h"

namespace quorvel {

using platform::Ref;

const QVXmlElement* QVXmlElement::child(std::string_view childName) const
{
    for (const auto& c : children) {
        if (c->name == childName)
            return c.get();
    }
    return nullptr;
}

std::string QVXmlElement::childText(std::string_view childName) const
{
    const QVXmlElement* c = child(childName);
    return c ? c->text : std::string();
}

const std::string* QVXmlElement::attribute(std::string_view attributeName) const
{
    for (const auto& [key, value] : attributes) {
        if (key == attributeName)
            return &value;
    }
    return nullptr;
}

QVXmlDocumentBuilder::QVXmlDocumentBuilder() { finish(); }

void QVXmlDocumentBuilder::startElement(const char* name, const char** attributes)
{
    auto element = std::make_unique<QVXmlElement>();
    element->name = name;
    for (const char** a = attributes; a && a[0] && a[1]; a += 2)
        element->attributes.emplace_back(a[0], a[1]);
    QVXmlElement* raw = element.get();
    open_.back()->children.push_back(std::move(element));
    open_.push_back(raw);
}

void QVXmlDocumentBuilder::characters(const char* text, size_t length) { open_.back()->text.append(text, length); }

void QVXmlDocumentBuilder::endElement()
{
    if (open_.size() > 1)
        open_.pop_back();
}

Ref<QVXmlDocument> QVXmlDocumentBuilder::finish()
{
    Ref<QVXmlDocument> built = std::move(document_);
    document_ = platform::adoptRef(new QVXmlDocument);
    open_.assign(1, &document_->root_);
    return built;
}

namespace {

// The parser's events straight into the builder.
class TreeBuilder : public platform::SaxHandler {
public:
    void startElement(const char* name, const char** attributes) override { builder.startElement(name, attributes); }
    void characters(const char* text, size_t length) override { builder.characters(text, length); }
    void endElement(const char*) override { builder.endElement(); }
    QVXmlDocumentBuilder builder;
};

} // namespace

Ref<QVXmlDocument> QVXmlDocument::xmlDocumentWithData(const void* bytes, size_t length, std::string* error)
{
    TreeBuilder tree;
    platform::SaxReader parser(tree);
    if (!bytes || length == 0 || !parser.parse(bytes, length)) {
        if (error)
            *error = length == 0 ? std::string("empty document") : parser.error();
        return nullptr;
    }
    return tree.builder.finish();
}

std::string QVXmlDocument::getElementValue(std::string_view path) const
{
    const QVXmlElement* at = &root_;
    size_t start = 0;
    while (true) {
        size_t dot = path.find('.', start);
        std::string_view step = path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        at = at->child(step);
        if (!at)
            return {};
        if (dot == std::string_view::npos)
            return at->text;
        start = dot + 1;
    }
}

std::string QVXmlEscape(std::string_view text, bool apostrophes)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'':
            if (apostrophes)
                out += "&#39;";
            else
                out += c;
            break;
        default: out += c; break;
        }
    }
    return out;
}

} // namespace quorvel
