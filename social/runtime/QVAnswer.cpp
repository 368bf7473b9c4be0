// The request layer's rule of what counts as an answer, and the service's
// messages of an error list.
#include "social/runtime/QVAnswer.h"

#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/SaxReader.h"
#include "platform/foundation/Text.h"

#include <cstring>

#include <strings.h>

namespace quorvel {

namespace {

const OAuthAPIRequestLoader* loaderOf(const platform::Object* object)
{
    return dynamic_cast<const OAuthAPIRequestLoader*>(object);
}

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string QVAnswer::oneLine(std::string messages)
{
    while (!messages.empty() && messages.back() == '\n')
        messages.pop_back();
    replaceAll(messages, "\n", "; ");
    return messages.empty() ? std::string("(no message)") : messages;
}

int QVAnswer::status(const platform::Object* object)
{
    const OAuthAPIRequestLoader* loader = loaderOf(object);
    return loader && loader->oauthResponse() ? loader->oauthResponse()->statusCode() : 0;
}

bool QVAnswer::isAnswerElement(std::string_view name, std::string* why)
{
    if (name == "errors") {
        if (why)
            *why = "the service answered with errors";
        return false;
    }
    // A page a proxy or a server's error handler sent in place of an answer.
    if (platform::equalsIgnoringAsciiCase(name, "html")) {
        if (why)
            *why = "an HTML page is no answer";
        return false;
    }
    return true;
}

platform::Ref<QVXmlDocument> QVAnswer::document(const platform::Object* object, std::string* why)
{
    const OAuthAPIRequestLoader* loader = loaderOf(object);
    const int code = status(object);
    if (!loader || !isSuccessStatus(code)) {
        if (why)
            *why = code ? "HTTP " + std::to_string(code) : std::string("no answer");
        return nullptr;
    }
    std::string error;
    auto document = QVXmlDocument::xmlDocumentWithData(loader->data(), &error);
    const QVXmlElement* top = document ? document->topElement() : nullptr;
    if (!top) {
        if (why)
            *why = "not a document: " + (error.empty() ? std::string("empty") : error);
        return nullptr;
    }
    if (!isAnswerElement(top->name, why)) {
        if (why && top->name == "errors")
            *why += ": " + oneLine(serviceErrors(*top));
        return nullptr;
    }
    return document;
}

const platform::Bytes* QVAnswer::bytes(const platform::Object* object)
{
    const OAuthAPIRequestLoader* loader = loaderOf(object);
    return loader && status(object) == 200 ? &loader->data() : nullptr;
}

namespace {

// One error of a list, worded: "- field: reason", the reason alone for the
// field "base" or none, or its own text when it has neither a field nor a reason.
void appendError(std::string& message, const std::string& field, std::string reason, const std::string& text,
                 bool hasField, bool hasReason)
{
    const bool plain = !hasField && !hasReason;
    if (plain)
        reason = text;
    replaceAll(reason, "&lt;", "<");
    replaceAll(reason, "&gt;", ">");
    replaceAll(reason, "&amp;", "&"); // last, so one level of escaping stays
    if (plain && reason.empty())
        return;
    if (plain || field == "base" || field.empty())
        message += reason + "\n";
    else
        message += "- " + field + ": " + reason + "\n";
}

} // namespace

void QVErrorListReader::startElement(const char* name, const char**)
{
    ++depth_;
    if (depth_ == 1) {
        isErrors_ = std::strcmp(name, "errors") == 0;
        if (!isErrors_ && parser)
            parser->stop("no error list");
    } else if (depth_ == 2) {
        error_ = Error {};
    } else if (depth_ == 3) {
        // The first <field> and the first <reason> of an error count.
        into_ = nullptr;
        if (std::strcmp(name, "field") == 0 && !error_.hasField) {
            error_.hasField = true;
            into_ = &error_.field;
        } else if (std::strcmp(name, "reason") == 0 && !error_.hasReason) {
            error_.hasReason = true;
            into_ = &error_.reason;
        }
    }
}

void QVErrorListReader::characters(const char* text, size_t length)
{
    if (depth_ == 2)
        error_.text.append(text, length);
    else if (depth_ == 3 && into_)
        into_->append(text, length);
}

void QVErrorListReader::endElement(const char*)
{
    if (depth_ == 2 && isErrors_)
        appendError(messages_, error_.field, std::move(error_.reason), error_.text, error_.hasField, error_.hasReason);
    else if (depth_ == 3)
        into_ = nullptr;
    --depth_;
}

std::optional<std::string> QVAnswer::serviceErrors(const platform::Bytes& body)
{
    if (body.empty())
        return std::nullopt;
    QVErrorListReader list;
    platform::SaxReader parser(list);
    list.parser = &parser;
    if (!parser.parse(body.data(), body.size()) || !list.isErrors())
        return std::nullopt;
    return list.messages();
}

std::string QVAnswer::serviceErrors(const QVXmlElement& errors)
{
    std::string message;
    for (const auto& error : errors.children) {
        const QVXmlElement* field = error->child("field");
        const QVXmlElement* reason = error->child("reason");
        appendError(message, field ? field->text : std::string(), reason ? reason->text : std::string(), error->text,
                    field != nullptr, reason != nullptr);
    }
    return message;
}

} // namespace quorvel
