// XML property lists: a reader that builds Values from SAX events on an explicit stack,
// a writer that always produces a document the reader accepts (refusing a
// value nested deeper, or a document larger, than the reader takes), atomic
// file writes.
//
// The reader is fed outside files (bundle resources, saved settings), so it
// refuses anything it does not understand instead of guessing: entity
// declarations (the route to entity-expansion bombs and external loads),
// unknown elements, stray text, dictionary keys without a value, too-deep
// nesting.
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/SaxReader.h"
#include "platform/foundation/Base64.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace platform {

namespace {

// Deep enough for any real file, shallow enough that the recursive walks over
// the resulting Value (copy, compare, destroy, write) stay far from the stack limit.
constexpr size_t maxDepth = 256;

const char* const isoDatePattern = "yyyy-MM-dd'T'HH:mm:ss'Z'";

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isXmlSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isXmlSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// ---------------------------------------------------------------- reading

enum class Kind { Plist, Dict, Array, Key, String, Integer, Real, True, False, Date, Data };

struct Frame {
    Kind kind;
    Value value; // the container being filled
    std::string text; // character data of a leaf element
    std::string pendingKey; // dictionaries: key waiting for its value
    bool hasPendingKey { false };
};

struct Reader : SaxHandler {
    SaxReader sax { *this };
    std::vector<Frame> stack;
    std::optional<Value> root;
    bool failed_ { false };

    void fail(const std::string& message)
    {
        failed_ = true;
        sax.stop(message);
    }

    bool failed() const { return failed_; }

    void startElement(const char* name, const char**) override { start(name); }
    void characters(const char* s, size_t length) override { text(s, length); }
    void endElement(const char* name) override { end(name); }

    static bool kindForName(const char* name, Kind& kind)
    {
        static const std::pair<const char*, Kind> names[] = {
            { "plist", Kind::Plist }, { "dict", Kind::Dict }, { "array", Kind::Array },
            { "key", Kind::Key }, { "string", Kind::String }, { "integer", Kind::Integer },
            { "real", Kind::Real }, { "true", Kind::True }, { "false", Kind::False },
            { "date", Kind::Date }, { "data", Kind::Data },
        };
        for (auto& [n, k] : names) {
            if (std::strcmp(n, name) == 0) {
                kind = k;
                return true;
            }
        }
        return false;
    }

    static bool isLeaf(Kind k) { return k != Kind::Plist && k != Kind::Dict && k != Kind::Array; }

    void start(const char* name)
    {
        if (failed())
            return;
        Kind kind;
        if (!kindForName(name, kind))
            return fail(format("unknown element <%s>", name));
        if (stack.empty()) {
            if (kind == Kind::Key)
                return fail("<key> outside a dictionary");
        } else {
            Frame& parent = stack.back();
            if (isLeaf(parent.kind))
                return fail(format("element <%s> inside a value that holds only text", name));
            if (kind == Kind::Plist)
                return fail("<plist> nested inside another element");
            if (parent.kind == Kind::Plist && root)
                return fail("<plist> holds more than one value");
            if (parent.kind == Kind::Dict) {
                if (kind == Kind::Key && parent.hasPendingKey)
                    return fail("dictionary key without a value");
                if (kind != Kind::Key && !parent.hasPendingKey)
                    return fail(format("<%s> in a dictionary where a <key> was expected", name));
            } else if (kind == Kind::Key) {
                return fail("<key> outside a dictionary");
            }
        }
        Frame frame { kind, {}, {}, {}, false };
        if (kind == Kind::Dict)
            frame.value = Value(ValueDictionary {});
        else if (kind == Kind::Array)
            frame.value = Value(ValueArray {});
        stack.push_back(std::move(frame));
    }

    void text(const char* s, size_t len)
    {
        if (failed() || stack.empty())
            return;
        Frame& f = stack.back();
        if (isLeaf(f.kind)) {
            if (f.kind == Kind::True || f.kind == Kind::False) {
                if (!trimmed(std::string_view(s, len)).empty())
                    fail("text inside <true/> or <false/>");
                return;
            }
            f.text.append(s, len);
            return;
        }
        if (!trimmed(std::string_view(s, len)).empty())
            fail("text outside a value element");
    }

    std::optional<Value> leafValue(Frame& f)
    {
        switch (f.kind) {
        case Kind::String:
            return Value(std::move(f.text));
        case Kind::True:
            return Value(true);
        case Kind::False:
            return Value(false);
        case Kind::Integer: {
            std::string t(trimmed(f.text));
            const char* p = t.c_str();
            if (*p == '+')
                ++p;
            const char* digits = *p == '-' && p == t.c_str() ? p + 1 : p;
            if (!std::isdigit(static_cast<unsigned char>(*digits))) {
                fail(format("bad integer \"%s\"", t.c_str()));
                return std::nullopt;
            }
            errno = 0;
            char* end = nullptr;
            long long v = std::strtoll(p, &end, 10);
            if (end == p || *end != '\0') {
                fail(format("bad integer \"%s\"", t.c_str()));
                return std::nullopt;
            }
            if (errno == ERANGE) {
                fail(format("integer out of range \"%s\"", t.c_str()));
                return std::nullopt;
            }
            return Value(v);
        }
        case Kind::Real: {
            std::string t(trimmed(f.text));
            char* end = nullptr;
            double v = parseDouble(t.c_str(), &end);
            if (t.empty() || *end != '\0') {
                fail(format("bad real \"%s\"", t.c_str()));
                return std::nullopt;
            }
            return Value(v);
        }
        case Kind::Date: {
            std::string t(trimmed(f.text));
            auto d = DateFormatter(isoDatePattern).parse(t);
            if (!d) {
                fail(format("bad date \"%s\"", t.c_str()));
                return std::nullopt;
            }
            return Value(*d);
        }
        case Kind::Data: {
            auto bytes = base64Decode(f.text);
            if (!bytes) {
                fail("bad base64 in <data>");
                return std::nullopt;
            }
            return Value(std::move(*bytes));
        }
        default:
            return std::nullopt;
        }
    }

    void end(const char*)
    {
        if (failed() || stack.empty())
            return;
        Frame f = std::move(stack.back());
        stack.pop_back();
        if (f.kind == Kind::Key) {
            Frame& dict = stack.back(); // start() guarantees a dictionary parent
            dict.pendingKey = std::move(f.text);
            dict.hasPendingKey = true;
            return;
        }
        if (f.kind == Kind::Plist) {
            if (!root)
                return fail("<plist> holds no value");
            return;
        }
        Value v;
        if (f.kind == Kind::Dict) {
            if (f.hasPendingKey)
                return fail(format("dictionary key \"%s\" without a value", f.pendingKey.c_str()));
            v = std::move(f.value);
        } else if (f.kind == Kind::Array) {
            v = std::move(f.value);
        } else {
            auto leaf = leafValue(f);
            if (!leaf)
                return;
            v = std::move(*leaf);
        }
        attach(std::move(v));
    }

    void attach(Value v)
    {
        if (stack.empty() || stack.back().kind == Kind::Plist) {
            root = std::move(v);
            return;
        }
        Frame& parent = stack.back();
        if (parent.kind == Kind::Dict) {
            parent.value.mutableDictionary().set(std::move(parent.pendingKey), std::move(v));
            parent.pendingKey.clear();
            parent.hasPendingKey = false;
        } else {
            parent.value.mutableArray().push_back(std::move(v));
        }
    }
};

void setError(std::string* error, std::string message)
{
    if (error)
        *error = std::move(message);
}

// ---------------------------------------------------------------- writing

// The document being written, with what its reader will count of it (see
// SaxReader): elements, attributes, and the bytes of names and character
// data it will be handed, whitespace between elements included and each
// reference counted as the character it stands for. What would be refused
// is refused here instead, so a document written always reads back.
struct Writer {
    std::string out;
    size_t elements { 0 };
    size_t attributes { 0 };
    size_t bytes { 0 };
    std::string refusal;

    // Character data, as written and as read.
    void text(std::string_view s)
    {
        out += s;
        bytes += s.size();
    }
    void tabs(int count)
    {
        out.append(static_cast<size_t>(count), '\t');
        bytes += static_cast<size_t>(count);
    }
    void open(std::string_view name)
    {
        out += '<';
        out += name;
        out += '>';
        ++elements;
        bytes += name.size();
    }
    void close(std::string_view name)
    {
        out += "</";
        out += name;
        out += '>';
    }
    void empty(std::string_view name)
    {
        out += '<';
        out += name;
        out += "/>";
        ++elements;
        bytes += name.size();
    }
    // A leaf: <name>text</name>.
    void leaf(std::string_view name, std::string_view s)
    {
        open(name);
        text(s);
        close(name);
    }
    // Character data for any string (see mendedText): whether it was mended.
    bool escaped(std::string_view s);

    // False, with the refusal set, once the document is more than the reader holds.
    bool withinBounds()
    {
        if (refusal.empty())
            if (std::string why = SaxReader::refusalFor(elements, attributes, bytes); !why.empty())
                refusal = "too large to read back: " + why;
        return refusal.empty();
    }
};

// Hands on s as XML character data, piece by piece: each piece as written
// and as it reads back. Characters XML cannot carry (most control
// characters) are dropped and invalid UTF-8 becomes U+FFFD, so that whatever
// a caller stored, the file stays readable; CR is written as a reference
// because parsers turn a literal one into LF. Answers whether anything was
// dropped or replaced.
template <class Piece>
bool mendedText(std::string_view s, Piece&& piece)
{
    bool mended = false;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            const std::string_view itself(reinterpret_cast<const char*>(p), 1);
            switch (c) {
            case '&': piece("&amp;", itself); break;
            case '<': piece("&lt;", itself); break;
            case '>': piece("&gt;", itself); break;
            case '\r': piece("&#13;", itself); break;
            default:
                if (c >= 0x20 || c == '\t' || c == '\n')
                    piece(itself, itself);
                else
                    mended = true;
                break;
            }
            ++p;
            continue;
        }
        // Multi-byte sequence: validate length, continuation bytes, range.
        size_t len = 0;
        uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        }
        bool valid = len != 0 && static_cast<size_t>(end - p) >= len;
        for (size_t i = 1; valid && i < len; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (valid) {
            bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
            bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
            bool nonChar = cp == 0xFFFE || cp == 0xFFFF || cp > 0x10FFFF;
            valid = !overlong && !surrogate && !nonChar;
        }
        if (valid) {
            const std::string_view sequence(reinterpret_cast<const char*>(p), len);
            piece(sequence, sequence);
            p += len;
        } else {
            piece("\xEF\xBF\xBD", "\xEF\xBF\xBD");
            mended = true;
            ++p;
        }
    }
    return mended;
}

bool Writer::escaped(std::string_view s)
{
    return mendedText(s, [this](std::string_view written, std::string_view read) {
        out += written;
        bytes += read.size();
    });
}

// s as it reads back once written.
std::string asReadBack(std::string_view s)
{
    std::string read;
    mendedText(s, [&](std::string_view, std::string_view piece) { read += piece; });
    return read;
}

std::string realText(double d)
{
    if (std::isnan(d))
        return "nan";
    if (std::isinf(d))
        return d > 0 ? "+infinity" : "-infinity";
    return Value(d).asString();
}

// Dates outside what the ISO form can carry are pinned to its ends, so that
// the file still reads back.
Date writableDate(Date d)
{
    constexpr double earliest = -62167219200.0; // 0000-01-01T00:00:00Z
    constexpr double latest = 253402300799.0; // 9999-12-31T23:59:59Z
    double s = d.seconds;
    if (std::isnan(s))
        s = 0;
    return Date { std::floor(std::clamp(s, earliest, latest)) };
}

// Levels a written value may take: the <plist> element is one of the reader's.
constexpr size_t maxValueDepth = maxDepth - 1;

// Writes v on a line of its own, `indent` tabs in. False, with w.refusal
// set and nothing more written, once a value lies deeper than the reader
// goes or the document grows past what it holds.
bool writeValue(Writer& w, const Value& v, int indent)
{
    if (static_cast<size_t>(indent) >= maxValueDepth) {
        w.refusal = format("values nested deeper than %zu levels, which a property list cannot hold", maxValueDepth);
        return false;
    }
    w.tabs(indent);
    switch (v.type()) {
    case Value::Type::Nil:
        w.leaf("string", "");
        break;
    case Value::Type::Bool:
        w.empty(v.asBool() ? "true" : "false");
        break;
    case Value::Type::Integer:
        w.leaf("integer", format("%lld", static_cast<long long>(v.asInteger())));
        break;
    case Value::Type::Real:
        w.leaf("real", realText(v.asDouble()));
        break;
    case Value::Type::String:
        w.open("string");
        (void)w.escaped(v.string());
        w.close("string");
        break;
    case Value::Type::Date:
        w.leaf("date", DateFormatter(isoDatePattern).format(writableDate(v.date())));
        break;
    case Value::Type::Data: {
        const Bytes& bytes = v.data();
        if (bytes.empty()) {
            w.leaf("data", "");
            break;
        }
        std::string encoded = base64Encode(bytes.data(), bytes.size());
        constexpr size_t lineLength = 68;
        w.open("data");
        w.text("\n");
        for (size_t i = 0; i < encoded.size(); i += lineLength) {
            w.tabs(indent);
            w.text(std::string_view(encoded).substr(i, lineLength));
            w.text("\n");
        }
        w.tabs(indent);
        w.close("data");
        break;
    }
    case Value::Type::Array:
        if (v.array().empty()) {
            w.empty("array");
            break;
        }
        w.open("array");
        w.text("\n");
        for (const Value& item : v.array())
            if (!writeValue(w, item, indent + 1))
                return false;
        w.tabs(indent);
        w.close("array");
        break;
    case Value::Type::Dictionary:
        if (v.dictionary().empty()) {
            w.empty("dict");
            break;
        }
        w.open("dict");
        w.text("\n");
        {
            // A mended key must not read back as another: the reader would keep one value of the two.
            std::unordered_set<std::string> mendedKeys;
            for (const auto& [key, item] : v.dictionary()) {
                w.tabs(indent + 1);
                w.open("key");
                if (w.escaped(key)) {
                    std::string read = asReadBack(key);
                    if (v.dictionary().contains(read) || !mendedKeys.insert(read).second) {
                        w.refusal = format("two keys of a dictionary are both written \"%s\" once the characters a "
                                           "property list cannot carry are dropped or replaced",
                                           read.c_str());
                        return false;
                    }
                }
                w.close("key");
                w.text("\n");
                if (!writeValue(w, item, indent + 1))
                    return false;
            }
        }
        w.tabs(indent);
        w.close("dict");
        break;
    }
    w.text("\n");
    return w.withinBounds();
}

} // namespace

std::optional<Value> readPropertyList(const void* bytes, size_t length, std::string* error)
{
    const char* text = static_cast<const char*>(bytes);
    if (length == 0 || !text) {
        setError(error, "empty property list");
        return std::nullopt;
    }
    if (length >= 6 && std::memcmp(text, "bplist", 6) == 0) {
        setError(error, "binary property lists are not supported; convert the file to XML");
        return std::nullopt;
    }

    Reader reader;
    // The other bounds and costs are the defaults, which the writer keeps
    // to (SaxReader::refusalFor): a file written here always reads back.
    reader.sax.setMaxDepth(static_cast<int>(maxDepth));
    if (!reader.sax.parse(text, length)) {
        setError(error, "malformed property list: " + reader.sax.error());
        return std::nullopt;
    }
    if (!reader.root) {
        setError(error, "malformed property list: no value");
        return std::nullopt;
    }
    return std::move(reader.root);
}

std::optional<Value> readPropertyListFile(const std::string& path, std::string* error)
{
    // A device, a pipe or an oversized file is refused (and said) before it is read.
    std::optional<Bytes> contents = platform::path::readFile(path);
    if (!contents) {
        setError(error, format("cannot read %s", path.c_str()));
        return std::nullopt;
    }
    std::string reason;
    auto value = readPropertyList(reinterpret_cast<const char*>(contents->data()), contents->size(), &reason);
    if (!value)
        setError(error, path + ": " + reason);
    return value;
}

std::optional<std::string> writePropertyList(const Value& root, std::string* error)
{
    Writer w;
    // The prologue is no character data; the root element and its attribute are counted.
    w.out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist>\n"
            "<plist version=\"1.0\">";
    w.elements = 1;
    w.attributes = 1;
    w.bytes = std::strlen("plist") + std::strlen("version") + std::strlen("1.0");
    w.text("\n");
    if (!writeValue(w, root, 0)) {
        setError(error, std::move(w.refusal));
        return std::nullopt;
    }
    w.close("plist");
    w.out += '\n'; // after the root element: no character data
    return std::move(w.out);
}

bool writePropertyListFile(const std::string& path, const Value& root, std::string* error, unsigned mode)
{
    std::string reason;
    std::optional<std::string> written = writePropertyList(root, &reason);
    if (!written) {
        setError(error, "cannot write " + path + ": " + reason);
        return false;
    }
    return writeFileAtomically(path, *written, mode, error);
}

} // namespace platform
