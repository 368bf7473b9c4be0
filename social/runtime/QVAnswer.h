// QVAnswer: what counts as the service's answer to a request. One rule for
// every caller of the request layer, which each asks instead of reading
// statuses and bodies itself:
//
// - an answer is a success status (200 to 299) with a body the caller can
//   read: one well-formed document whose top element is neither an error list
//   (<errors>: the service refused, whatever its status says) nor an HTML
//   page. A caller that reads bytes rather than a document (a stored value)
//   takes only 200, the status that carries the whole entity;
// - everything else is the request's failure: no answer, a redirect, "not
//   modified", any other status, a body that cannot be read;
// - the refusals 403 and 406 show no error screen (QVActionRequest): the
//   account forms ask for them by name and show the service's reasons;
// - no answer is taken above kMaxSize bytes, signed or unsigned, over HTTP or
//   inside the presence channel.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"
#include "social/runtime/QVXmlDocument.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/SaxReader.h"

namespace quorvel {

class QVAnswer {
public:
    static constexpr size_t kMaxSize = 8 * 1024 * 1024;

    // A status that may carry an answer.
    static bool isSuccessStatus(int status) { return status >= 200 && status <= 299; }
    // The refusals whose reasons (an <errors> body) the account forms show.
    static bool isRefusal(int status) { return status == 403 || status == 406; }
    // The HTTP status a loader's answer came with; 0 when none came.
    static int status(const platform::Object* loader);

    // The loader's answer as a document: null when it is none (the reason in
    // *why, with the service's own messages for an error list).
    static platform::Ref<QVXmlDocument> document(const platform::Object* loader, std::string* why = nullptr);
    // The loader's body when the route answers bytes: null unless the status is 200.
    static const platform::Bytes* bytes(const platform::Object* loader);
    // Whether a document with this top element can be an answer; why not in *why.
    static bool isAnswerElement(std::string_view name, std::string* why = nullptr);

    // The service's messages when the body is an error list, one line each:
    // "- field: reason" (the reason alone for the field "base"), or an
    // error's own text when it has neither; none when it is no error list.
    static std::optional<std::string> serviceErrors(const platform::Bytes& body);
    static std::string serviceErrors(const QVXmlElement& errors);
    // The messages on one line, for the log ("(no message)" when there are none).
    static std::string oneLine(std::string messages);
};

// Reads an error list's messages (as QVAnswer::serviceErrors words them)
// from the parser's events, keeping nothing else of it; a reader of answers
// hands it the events of a document whose top element is <errors>.
class QVErrorListReader : public platform::SaxHandler {
public:
    void startElement(const char* name, const char** attributes) override;
    void characters(const char* text, size_t length) override;
    void endElement(const char* name) override;

    bool isErrors() const { return isErrors_; }
    const std::string& messages() const { return messages_; }
    // Told, the reader stops the parse at a top element that is no error list.
    platform::SaxReader* parser { nullptr };

private:
    struct Error {
        std::string field, reason, text;
        bool hasField { false }, hasReason { false };
    };
    int depth_ { 0 };
    bool isErrors_ { false };
    Error error_;
    std::string* into_ { nullptr };
    std::string messages_;
};

} // namespace quorvel
