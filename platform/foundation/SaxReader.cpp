// SaxReader on expat: forwards expat's callbacks to the handler, refuses
// entity and attribute-list declarations, external entities, excess depth and
// documents past their cost bound, and carries a handler's exception past expat.
#include "platform/foundation/SaxReader.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"

#include <algorithm>
#include <cstring>
#include <expat.h>
#include <mutex>
#include <utility>

namespace platform {

struct SaxReader::Callbacks {
    static SaxReader& reader(void* data) { return *static_cast<SaxReader*>(data); }

    // Runs a handler call; an exception stops the parse and is kept for parse().
    template <class F>
    static void guarded(SaxReader& r, F&& f)
    {
        if (!r.error_.empty() || r.thrown_)
            return;
        try {
            f();
        } catch (...) {
            r.thrown_ = std::current_exception();
            XML_StopParser(static_cast<XML_Parser>(r.parser_), XML_FALSE);
        }
    }

    static void XMLCALL start(void* data, const XML_Char* name, const XML_Char** attributes)
    {
        SaxReader& r = reader(data);
        if (++r.depth_ > r.maxDepth_)
            return r.refuse(format("elements nested deeper than %d levels", r.maxDepth_));
        size_t count = 0;
        size_t bytes = std::strlen(name);
        for (const XML_Char** a = attributes; a && a[0] && a[1]; a += 2) {
            ++count;
            bytes += std::strlen(a[0]) + std::strlen(a[1]);
        }
        if (!r.charge(1, count, bytes, 0))
            return;
        guarded(r, [&] { r.handler_.startElement(name, attributes); });
    }

    static void XMLCALL end(void* data, const XML_Char* name)
    {
        SaxReader& r = reader(data);
        --r.depth_;
        guarded(r, [&] { r.handler_.endElement(name); });
    }

    static void XMLCALL text(void* data, const XML_Char* s, int length)
    {
        SaxReader& r = reader(data);
        if (length > 0 && r.charge(0, 0, static_cast<size_t>(length), 0))
            guarded(r, [&] { r.handler_.characters(s, static_cast<size_t>(length)); });
    }

    // Internal declarations are how expansion bombs are built; external ones
    // would load files or URLs.
    static void XMLCALL entityDeclaration(void* data, const XML_Char* name, int, const XML_Char*, int,
                                          const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*)
    {
        reader(data).refuse(format("entity declaration \"%s\" refused", name));
    }

    // A declared attribute's default is reported on every element of its type
    // as if written there: a few bytes of declaration would cost memory on
    // each element. Documents of ours never declare attributes.
    static void XMLCALL attributeDeclaration(void* data, const XML_Char* element, const XML_Char* attribute,
                                             const XML_Char*, const XML_Char*, int)
    {
        reader(data).refuse(format("attribute declaration \"%s %s\" refused", element, attribute));
    }

    // A reference to an entity nobody declared (possible once a DOCTYPE names an
    // external subset, which is never read).
    static void XMLCALL skippedEntity(void* data, const XML_Char* name, int)
    {
        reader(data).refuse(format("undefined entity \"%s\"", name));
    }

    static int XMLCALL externalEntity(XML_Parser parser, const XML_Char*, const XML_Char*, const XML_Char*,
                                      const XML_Char*)
    {
        reader(XML_GetUserData(parser)).refuse("external entities are not loaded");
        return XML_STATUS_ERROR;
    }
};

void SaxReader::stop(const std::string& reason)
{
    if (!parser_)
        return;
    if (error_.empty())
        error_ = format("line %lu: %s", currentLine(), reason.c_str());
    XML_StopParser(static_cast<XML_Parser>(parser_), XML_FALSE);
}

void SaxReader::refuse(const std::string& reason)
{
    if (!parser_ || !error_.empty())
        return;
    stop(reason);
    // Callers read a body again to look for what it says (an error list):
    // the same document refused again at once is not logged twice. It is
    // known by the refusal, how far it was read and the bytes around that point.
    uint64_t hash = 1469598103934665603ull;
    int offset = 0, size = 0;
    if (const char* context = XML_GetInputContext(static_cast<XML_Parser>(parser_), &offset, &size))
        for (int i = 0; i < size; ++i)
            hash = (hash ^ static_cast<unsigned char>(context[i])) * 1099511628211ull;
    const std::string key = format("%s|%zu|%016llx", error_.c_str(), fed_, static_cast<unsigned long long>(hash));
    static std::mutex mutex;
    static std::string lastLogged;
    {
        std::lock_guard guard(mutex);
        if (key == lastLogged)
            return;
        lastLogged = key;
    }
    logWarning("XML document refused: %s", error_.c_str());
}

bool SaxReader::charge(size_t elements, size_t attributes, size_t bytes, size_t extra)
{
    if (!error_.empty() || !parser_)
        return false;
    nodes_ += elements + attributes;
    bytes_ += bytes;
    cost_ += elements * elementCost_ + attributes * attributeCost_ + 2 * bytes + extra;
    if (std::string why = pastBounds(cost_, maxCost_, nodes_, maxNodes_, bytes_); !why.empty()) {
        refuse(why);
        return false;
    }
    // What is written is all that is handed on: only a change of encoding
    // makes it larger (at most twice, from one-byte encodings).
    if (bytes_ > 2 * fed_ + 4096) {
        refuse(format("%zu bytes of names, values and text from %zu bytes of document", bytes_, fed_));
        return false;
    }
    return true;
}

std::string SaxReader::pastBounds(size_t cost, size_t maxCost, size_t nodes, size_t maxNodes, size_t bytes)
{
    if (cost > maxCost)
        return format("more than %zu bytes to hold (%zu elements and attributes, %zu bytes of names, values and text)",
                      maxCost, nodes, bytes);
    if (nodes > maxNodes)
        return format("more than %zu elements and attributes", maxNodes);
    return {};
}

std::string SaxReader::refusalFor(size_t elements, size_t attributes, size_t bytes)
{
    return pastBounds(elements * kElementCost + attributes * kAttributeCost + 2 * bytes, kDefaultMaxCost,
                      elements + attributes, kDefaultMaxNodes, bytes);
}

unsigned long SaxReader::currentLine() const
{
    return parser_ ? static_cast<unsigned long>(XML_GetCurrentLineNumber(static_cast<XML_Parser>(parser_))) : 0;
}

const char* SaxReader::attribute(const char** attributes, const char* name)
{
    for (const char** a = attributes; a && a[0] && a[1]; a += 2) {
        if (std::strcmp(a[0], name) == 0)
            return a[1];
    }
    return nullptr;
}

SaxReader::~SaxReader()
{
    if (parser_)
        XML_ParserFree(static_cast<XML_Parser>(parser_));
}

bool SaxReader::begin()
{
    if (parser_)
        XML_ParserFree(static_cast<XML_Parser>(parser_));
    parser_ = nullptr;
    error_.clear();
    thrown_ = nullptr;
    depth_ = 0;
    nodes_ = 0;
    bytes_ = 0;
    cost_ = 0;
    fed_ = 0;
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) {
        error_ = "out of memory";
        return false;
    }
    parser_ = parser;
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, Callbacks::start, Callbacks::end);
    XML_SetCharacterDataHandler(parser, Callbacks::text);
    XML_SetEntityDeclHandler(parser, Callbacks::entityDeclaration);
    XML_SetAttlistDeclHandler(parser, Callbacks::attributeDeclaration);
    XML_SetSkippedEntityHandler(parser, Callbacks::skippedEntity);
    XML_SetExternalEntityRefHandler(parser, Callbacks::externalEntity);
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    return true;
}

bool SaxReader::feed(const void* data, size_t length, bool last)
{
    if (!parser_) {
        if (error_.empty())
            error_ = "no document is being read";
        return false;
    }
    XML_Parser parser = static_cast<XML_Parser>(parser_);
    // expat takes int lengths: large inputs go in pieces.
    constexpr size_t kChunk = 1 << 20;
    const char* text = static_cast<const char*>(data);
    size_t offset = 0;
    bool ok = true;
    do {
        size_t n = std::min(kChunk, length - offset);
        bool final = last && offset + n == length;
        fed_ += n;
        if (XML_Parse(parser, text ? text + offset : "", static_cast<int>(n), final) != XML_STATUS_OK) {
            ok = false;
            break;
        }
        offset += n;
    } while (offset < length);

    if (!ok && error_.empty() && !thrown_)
        error_ = format("line %lu: %s", currentLine(), XML_ErrorString(XML_GetErrorCode(parser)));
    ok = ok && error_.empty() && !thrown_;
    if (!ok || last)
        end();
    if (thrown_)
        std::rethrow_exception(std::exchange(thrown_, nullptr));
    return ok;
}

void SaxReader::end()
{
    XML_ParserFree(static_cast<XML_Parser>(parser_));
    parser_ = nullptr;
}

bool SaxReader::parse(const void* data, size_t length) { return begin() && feed(data, length, true); }

} // namespace platform
