// A weak stand-in for the platform's property-list file reader, so that the
// sprite-sheet tests run before the platform's reader is in the library; the
// platform's own definition replaces it as soon as it is linked. Reads the XML
// form with dict, array, string, integer, real, true and false.
#include "platform/foundation/PropertyList.h"

#include <expat.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace platform {

namespace {

struct Frame {
    Value value;
    std::string pendingKey;
};

struct Parser {
    std::vector<Frame> stack;
    std::string text;
    std::string key;
    std::optional<Value> root;
    bool failed { false };

    void add(Value v)
    {
        if (stack.empty()) {
            root = std::move(v);
            return;
        }
        Frame& top = stack.back();
        if (top.value.isArray())
            top.value.mutableArray().push_back(std::move(v));
        else if (top.value.isDictionary())
            top.value.mutableDictionary().set(std::exchange(top.pendingKey, {}), std::move(v));
    }
};

void XMLCALL start(void* data, const char* name, const char**)
{
    auto* p = static_cast<Parser*>(data);
    p->text.clear();
    std::string n = name;
    if (n == "dict")
        p->stack.push_back({ Value(ValueDictionary()), {} });
    else if (n == "array")
        p->stack.push_back({ Value(ValueArray()), {} });
}

void XMLCALL end(void* data, const char* name)
{
    auto* p = static_cast<Parser*>(data);
    std::string n = name;
    if (n == "dict" || n == "array") {
        if (p->stack.empty())
            return;
        Value v = std::move(p->stack.back().value);
        p->stack.pop_back();
        p->add(std::move(v));
    } else if (n == "key") {
        if (!p->stack.empty())
            p->stack.back().pendingKey = p->text;
    } else if (n == "string") {
        p->add(Value(p->text));
    } else if (n == "integer") {
        p->add(Value(static_cast<long long>(std::strtoll(p->text.c_str(), nullptr, 10))));
    } else if (n == "real") {
        p->add(Value(std::strtod(p->text.c_str(), nullptr)));
    } else if (n == "true" || n == "false") {
        p->add(Value(n == "true"));
    }
    p->text.clear();
}

void XMLCALL chars(void* data, const char* s, int len)
{
    static_cast<Parser*>(data)->text.append(s, static_cast<size_t>(len));
}

} // namespace

[[gnu::weak]] std::optional<Value> readPropertyListFile(const std::string& path, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Parser parser;
    XML_Parser xml = XML_ParserCreate(nullptr);
    XML_SetUserData(xml, &parser);
    XML_SetElementHandler(xml, start, end);
    XML_SetCharacterDataHandler(xml, chars);
    bool ok = XML_Parse(xml, bytes.data(), static_cast<int>(bytes.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(xml);
    if (!ok)
        return std::nullopt;
    return parser.root;
}

} // namespace platform
