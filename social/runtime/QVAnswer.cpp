// The request layer's rule of what counts as an answer, and the service's
// messages of an error list.
#include "social/runtime/QVAnswer.h"

#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/Text.h"

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

std::optional<std::string> QVAnswer::serviceErrors(const platform::Bytes& body)
{
    auto document = body.empty() ? nullptr : QVXmlDocument::xmlDocumentWithData(body);
    const QVXmlElement* errors = document ? document->topElement() : nullptr;
    if (!errors || errors->name != "errors")
        return std::nullopt;
    return serviceErrors(*errors);
}

std::string QVAnswer::serviceErrors(const QVXmlElement& errors)
{
    std::string message;
    for (const auto& error : errors.children) {
        std::string field = error->childText("field");
        std::string reason = error->childText("reason");
        // An error with neither (<error>text</error>) says it all in its text.
        const bool plain = !error->child("field") && !error->child("reason");
        if (plain)
            reason = error->text;
        replaceAll(reason, "&lt;", "<");
        replaceAll(reason, "&gt;", ">");
        replaceAll(reason, "&amp;", "&"); // last, so one level of escaping stays
        if (plain && reason.empty())
            continue;
        if (plain || field == "base" || field.empty())
            message += reason + "\n";
        else
            message += "- " + field + ": " + reason + "\n";
    }
    return message;
}

} // namespace quorvel
