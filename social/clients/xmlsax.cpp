// xmlsax on expat: forwards expat's callbacks to the handler and stops the
// parser on anything the client never accepts (entity declarations, excess depth).
#include "social/clients/xmlsax.h"

#include "platform/foundation/Format.h"

#include <climits>
#include <expat.h>

namespace quorvel {

namespace {

struct State {
    XML_Parser parser;
    xmlsax::Handler* handler;
    int depth { 0 };
    int maxDepth;
    std::string refusal;
};

void stop(State* s, const char* reason)
{
    if (s->refusal.empty())
        s->refusal = reason;
    XML_StopParser(s->parser, XML_FALSE);
}

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** atts)
{
    auto* s = static_cast<State*>(data);
    if (++s->depth > s->maxDepth) {
        stop(s, "elements nested too deeply");
        return;
    }
    xmlsax::Attributes attributes;
    for (int i = 0; atts[i] && atts[i + 1]; i += 2)
        attributes.emplace_back(atts[i], atts[i + 1]);
    s->handler->startElement(name, attributes);
}

void XMLCALL onEnd(void* data, const XML_Char* name)
{
    auto* s = static_cast<State*>(data);
    --s->depth;
    s->handler->endElement(name);
}

void XMLCALL onText(void* data, const XML_Char* text, int length)
{
    auto* s = static_cast<State*>(data);
    if (length > 0)
        s->handler->characters(text, static_cast<size_t>(length));
}

void XMLCALL onEntityDecl(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                          const XML_Char*, const XML_Char*, const XML_Char*)
{
    stop(static_cast<State*>(data), "entity declarations are not accepted");
}

} // namespace

bool xmlsax::parse(const void* data, size_t length)
{
    error_.clear();
    if (length > static_cast<size_t>(INT_MAX)) {
        error_ = "document too large";
        return false;
    }
    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (!parser) {
        error_ = "out of memory";
        return false;
    }
    State state { parser, &handler_, 0, maxDepth_, {} };
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetEntityDeclHandler(parser, onEntityDecl);
    // No external entity handler is installed, so external entities are never fetched.
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);

    XML_Status status = XML_Parse(parser, static_cast<const char*>(data), static_cast<int>(length), XML_TRUE);
    bool ok = status == XML_STATUS_OK && state.refusal.empty();
    if (!ok) {
        if (!state.refusal.empty())
            error_ = platform::format("%s at line %lu", state.refusal.c_str(),
                                      static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)));
        else
            error_ = platform::format("%s at line %lu", XML_ErrorString(XML_GetErrorCode(parser)),
                                      static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)));
    }
    XML_ParserFree(parser);
    return ok;
}

} // namespace quorvel
