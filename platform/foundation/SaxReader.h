// SaxReader: the one event (SAX) XML reader of the system, over expat.
//
// A handler hears element starts with their attributes, character data and
// element ends, in document order. Hostile input fails cleanly: a document that
// declares entities (the "billion laughs" family) or attributes (whose
// defaults would be handed on with every element) is refused, external
// entities and DTDs are never loaded, and nesting deeper than maxDepth is an
// error. What a document may cost its reader is bounded: at most maxNodes
// elements and attributes, no more bytes of names, values and text than
// the document could hold, and at most maxCost bytes to hold it all. The cost
// counts each element and attribute at what an element tree spends on one
// (kElementCost, kAttributeCost, whatever their bytes; setCosts for a handler
// that keeps less), their bytes twice
// (strings grow by doubling) and what the handler says it keeps besides
// (addCost), so that no shape of document, many empty elements or many
// attributes, costs many times its size. Each such refusal is logged as a warning (once
// when the same document is refused again straight after). A
// handler may stop the parse with a reason of its own; an exception thrown by a
// handler stops the parse and leaves parse() once expat is out of the way.
// After a failure the handler may have heard part of the document: callers
// discard what they built.
//
// A document can also be read in pieces (begin, then feed each piece in
// order, the last one marked), so that a large one is read a part at a time
// between other work: the handler hears each piece's events as it is fed.
#pragma once

#include <cstddef>
#include <exception>
#include <string>

namespace platform {

class SaxHandler {
public:
    virtual ~SaxHandler() = default;
    // attributes: name, value, name, value, ..., nullptr.
    virtual void startElement(const char* /*name*/, const char** /*attributes*/) { }
    virtual void characters(const char* /*text*/, size_t /*length*/) { }
    virtual void endElement(const char* /*name*/) { }
};

class SaxReader {
public:
    static constexpr int kDefaultMaxDepth = 256;
    // Elements and attributes together; a reader keeps some tens of bytes for each.
    static constexpr size_t kDefaultMaxNodes = 2'000'000;
    // An answer of the service (8 MiB at most) is held in at most this much.
    static constexpr size_t kDefaultMaxCost = 64u * 1024 * 1024;
    static constexpr size_t kElementCost = 160;
    static constexpr size_t kAttributeCost = 128;

    explicit SaxReader(SaxHandler& handler) : handler_(handler) { }
    ~SaxReader();
    SaxReader(const SaxReader&) = delete;
    SaxReader& operator=(const SaxReader&) = delete;

    void setMaxDepth(int depth) { maxDepth_ = depth; }
    void setMaxNodes(size_t nodes) { maxNodes_ = nodes; }
    void setMaxCost(size_t bytes) { maxCost_ = bytes; }
    // What the handler keeps of each element and attribute beyond their
    // bytes, for a handler that keeps less than a tree (kElementCost, kAttributeCost).
    void setCosts(size_t element, size_t attribute)
    {
        elementCost_ = element;
        attributeCost_ = attribute;
    }

    // Parses one complete document; false with error() set ("line N: why")
    // when it is malformed, refused or stopped.
    bool parse(const void* data, size_t length);
    const std::string& error() const { return error_; }

    // Reading in pieces: begin() starts a document (dropping any unfinished
    // one); feed() reads the next piece, `last` ending the document. Each
    // answers false with error() set once the document is malformed, refused
    // or stopped, after which it is over; so is it after the last piece.
    bool begin();
    bool feed(const void* data, size_t length, bool last);
    // A document has begun and is neither finished nor failed.
    bool isReading() const { return parser_ != nullptr; }

    // From inside a handler: ends the parse, which answers false with reason.
    void stop(const std::string& reason);
    // From inside a handler: `bytes` more that it keeps for what it was given
    // (an object it made of an element). False once past maxCost: the
    // document is refused and the handler hears no more.
    bool addCost(size_t bytes) { return charge(0, 0, 0, bytes); }
    // The line the parser is on (1-based), 0 outside parse().
    unsigned long currentLine() const;

    // The value of `name` in a start's attributes, or nullptr.
    static const char* attribute(const char** attributes, const char* name);

    // Why a reader with the default bounds and costs refuses a document of
    // `elements` elements and `attributes` attributes with `bytes` bytes of
    // names, values and text (as handed to a handler: references resolved),
    // or "" when it holds it: for a writer whose documents must read back.
    static std::string refusalFor(size_t elements, size_t attributes, size_t bytes);

private:
    struct Callbacks;
    void end();
    // stop() for a document refused as hostile or too costly: also logged.
    void refuse(const std::string& reason);
    // Counts what the handler is about to be given (elements, attributes,
    // bytes of names, values and text) and `extra` it keeps besides; false
    // once past the bounds.
    bool charge(size_t elements, size_t attributes, size_t bytes, size_t extra);
    // The refusal for a cost or a count past its bound, "" within them.
    static std::string pastBounds(size_t cost, size_t maxCost, size_t nodes, size_t maxNodes, size_t bytes);

    SaxHandler& handler_;
    void* parser_ { nullptr }; // the expat parser while parse() runs
    std::string error_;
    std::exception_ptr thrown_;
    int maxDepth_ { kDefaultMaxDepth };
    int depth_ { 0 };
    size_t maxNodes_ { kDefaultMaxNodes };
    size_t nodes_ { 0 };
    size_t bytes_ { 0 };
    size_t maxCost_ { kDefaultMaxCost };
    size_t elementCost_ { kElementCost };
    size_t attributeCost_ { kAttributeCost };
    size_t cost_ { 0 };
    size_t fed_ { 0 }; // bytes of the document given to expat so far
};

} // namespace platform
