// QVXmlDocument: builds the element tree from xmlsax events and answers path
// lookups into it.
#include "social/runtime/QVXmlDocument.h"

#include "social/runtime/xmlsax.h"

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

namespace {

class TreeBuilder : public xmlsax::Handler {
public:
    explicit TreeBuilder(QVXmlElement& root) { stack_.push_back(&root); }

    void startElement(const std::string& name, const xmlsax::Attributes& attributes) override
    {
        auto element = std::make_unique<QVXmlElement>();
        element->name = name;
        element->attributes = attributes;
        QVXmlElement* raw = element.get();
        stack_.back()->children.push_back(std::move(element));
        stack_.push_back(raw);
    }
    void characters(const char* text, size_t length) override { stack_.back()->text.append(text, length); }
    void endElement(const std::string&) override
    {
        if (stack_.size() > 1)
            stack_.pop_back();
    }

private:
    std::vector<QVXmlElement*> stack_;
};

} // namespace

Ref<QVXmlDocument> QVXmlDocument::xmlDocumentWithData(const void* bytes, size_t length, std::string* error)
{
    auto document = platform::adoptRef(new QVXmlDocument);
    TreeBuilder builder(document->root_);
    xmlsax parser(builder);
    if (!bytes || length == 0 || !parser.parse(bytes, length)) {
        if (error)
            *error = length == 0 ? std::string("empty document") : parser.error();
        return nullptr;
    }
    return document;
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
