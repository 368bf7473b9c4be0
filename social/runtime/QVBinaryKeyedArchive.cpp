// Binary keyed archives: the writer collects keyed values and lays them out;
// the reader validates the whole archive before it answers any key.
#include "social/runtime/QVBinaryKeyedArchive.h"

#include <cstring>

namespace quorvel {

using platform::Bytes;

namespace {

constexpr char kMagic[4] = { 'Q', 'V', 'K', 'A' };
enum : uint8_t { kBool = 1, kInteger = 2, kReal = 3, kString = 4, kData = 5 };

// Scope paths shared by writer and reader: an element directly inside a
// series is numbered, any other scope keeps its name.
template <typename Scopes>
std::string childPath(Scopes& scopes, const char* name)
{
    if (scopes.empty())
        return name;
    auto& parent = scopes.back();
    std::string component = parent.isSeries ? std::to_string(parent.nextElement++) : std::string(name);
    return parent.path + "/" + component;
}

template <typename Scopes>
std::string keyFor(const Scopes& scopes, const char* name)
{
    return scopes.empty() ? std::string(name) : scopes.back().path + "/" + name;
}

void putU16(Bytes& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void putU32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putU64(Bytes& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

class Cursor {
public:
    Cursor(const uint8_t* p, size_t n) : p_(p), n_(n) { }
    bool take(size_t count, const uint8_t*& out)
    {
        if (count > n_ - at_)
            return false;
        out = p_ + at_;
        at_ += count;
        return true;
    }
    bool u8(uint8_t& v)
    {
        const uint8_t* b;
        if (!take(1, b))
            return false;
        v = b[0];
        return true;
    }
    bool u16(uint16_t& v)
    {
        const uint8_t* b;
        if (!take(2, b))
            return false;
        v = static_cast<uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool u32(uint32_t& v)
    {
        const uint8_t* b;
        if (!take(4, b))
            return false;
        v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | b[i];
        return true;
    }
    bool u64(uint64_t& v)
    {
        const uint8_t* b;
        if (!take(8, b))
            return false;
        v = 0;
        for (int i = 7; i >= 0; --i)
            v = (v << 8) | b[i];
        return true;
    }
    bool text(size_t length, std::string& out)
    {
        const uint8_t* b;
        if (!take(length, b))
            return false;
        out.assign(reinterpret_cast<const char*>(b), length);
        return true;
    }
    bool atEnd() const { return at_ == n_; }
    size_t remaining() const { return n_ - at_; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t at_ { 0 };
};

} // namespace

// ---- Writer ----

void QVBinaryKeyedWriter::put(const char* name, Stored value)
{
    std::string key = keyFor(scopes_, name);
    auto found = index_.find(key);
    if (found != index_.end()) {
        entries_[found->second].second = std::move(value);
        return;
    }
    index_.emplace(key, entries_.size());
    entries_.emplace_back(std::move(key), std::move(value));
}

void QVBinaryKeyedWriter::io(const char* name, bool& value) { put(name, value); }
void QVBinaryKeyedWriter::io(const char* name, int& value) { put(name, static_cast<int64_t>(value)); }
void QVBinaryKeyedWriter::io(const char* name, unsigned int& value) { put(name, static_cast<int64_t>(value)); }
void QVBinaryKeyedWriter::io(const char* name, int64_t& value) { put(name, value); }
void QVBinaryKeyedWriter::io(const char* name, double& value) { put(name, value); }
void QVBinaryKeyedWriter::io(const char* name, std::string& value) { put(name, value); }
void QVBinaryKeyedWriter::io(const char* name, std::optional<std::string>& value)
{
    if (value)
        put(name, *value);
}
void QVBinaryKeyedWriter::io(const char* name, std::optional<Bytes>& value)
{
    if (value)
        put(name, *value);
}
void QVBinaryKeyedWriter::ioElementCount(unsigned int& count) { put("num_elements", static_cast<int64_t>(count)); }

void QVBinaryKeyedWriter::beginScope(const char* name, bool isSeries)
{
    std::string path = childPath(scopes_, name);
    scopes_.push_back({ std::move(path), isSeries, 0 });
}

void QVBinaryKeyedWriter::endScope()
{
    if (!scopes_.empty())
        scopes_.pop_back();
}

Bytes QVBinaryKeyedWriter::data() const
{
    Bytes out(kMagic, kMagic + 4);
    out.push_back(QVBinaryKeyedReader::kFormatVersion);
    std::string cls = className_.substr(0, 0xFFFF);
    putU16(out, static_cast<uint16_t>(cls.size()));
    out.insert(out.end(), cls.begin(), cls.end());
    putU32(out, static_cast<uint32_t>(entries_.size()));
    for (const auto& [rawKey, value] : entries_) {
        std::string key = rawKey.substr(0, 0xFFFF);
        putU16(out, static_cast<uint16_t>(key.size()));
        out.insert(out.end(), key.begin(), key.end());
        if (auto* b = std::get_if<bool>(&value)) {
            out.push_back(kBool);
            out.push_back(*b ? 1 : 0);
        } else if (auto* i = std::get_if<int64_t>(&value)) {
            out.push_back(kInteger);
            putU64(out, static_cast<uint64_t>(*i));
        } else if (auto* d = std::get_if<double>(&value)) {
            out.push_back(kReal);
            uint64_t bits;
            std::memcpy(&bits, d, sizeof bits);
            putU64(out, bits);
        } else if (auto* s = std::get_if<std::string>(&value)) {
            out.push_back(kString);
            putU32(out, static_cast<uint32_t>(s->size()));
            out.insert(out.end(), s->begin(), s->end());
        } else if (auto* data = std::get_if<Bytes>(&value)) {
            out.push_back(kData);
            putU32(out, static_cast<uint32_t>(data->size()));
            out.insert(out.end(), data->begin(), data->end());
        }
    }
    return out;
}

// ---- Reader ----

platform::Ref<QVBinaryKeyedReader> QVBinaryKeyedReader::readerWithData(const void* bytes, size_t length,
                                                                   const std::string& className, std::string* error)
{
    auto fail = [error](const char* why) {
        if (error)
            *error = why;
        return platform::Ref<QVBinaryKeyedReader>();
    };
    if (!bytes || length < 5)
        return fail("not an archive");
    Cursor in(static_cast<const uint8_t*>(bytes), length);
    const uint8_t* magic;
    uint8_t version;
    in.take(4, magic);
    if (std::memcmp(magic, kMagic, 4) != 0)
        return fail("not an archive");
    in.u8(version);
    if (version != kFormatVersion)
        return fail("unknown archive format version");
    uint16_t clsLength;
    std::string cls;
    if (!in.u16(clsLength) || !in.text(clsLength, cls))
        return fail("truncated archive");
    if (cls != className)
        return fail("archive holds another class");
    uint32_t count;
    if (!in.u32(count))
        return fail("truncated archive");
    // Each entry takes at least four bytes, so a count beyond that is corrupt.
    if (count > in.remaining() / 4)
        return fail("corrupt entry count");

    platform::Ref<QVBinaryKeyedReader> reader = platform::adoptRef(new QVBinaryKeyedReader);
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t keyLength;
        std::string key;
        uint8_t type;
        if (!in.u16(keyLength) || !in.text(keyLength, key) || !in.u8(type))
            return fail("truncated archive");
        Stored value;
        switch (type) {
        case kBool: {
            uint8_t b;
            if (!in.u8(b) || b > 1)
                return fail("corrupt boolean");
            value = b == 1;
            break;
        }
        case kInteger: {
            uint64_t v;
            if (!in.u64(v))
                return fail("truncated archive");
            value = static_cast<int64_t>(v);
            break;
        }
        case kReal: {
            uint64_t bits;
            if (!in.u64(bits))
                return fail("truncated archive");
            double d;
            std::memcpy(&d, &bits, sizeof d);
            value = d;
            break;
        }
        case kString:
        case kData: {
            uint32_t n;
            std::string s;
            if (!in.u32(n) || !in.text(n, s))
                return fail("truncated archive");
            if (type == kString)
                value = std::move(s);
            else
                value = Bytes(s.begin(), s.end());
            break;
        }
        default:
            return fail("unknown value type");
        }
        if (!reader->entries_.emplace(std::move(key), std::move(value)).second)
            return fail("duplicate key");
    }
    if (!in.atEnd())
        return fail("trailing bytes after the archive");
    return reader;
}

const QVBinaryKeyedReader::Stored* QVBinaryKeyedReader::find(const char* name) const
{
    auto found = entries_.find(keyFor(scopes_, name));
    return found == entries_.end() ? nullptr : &found->second;
}

bool QVBinaryKeyedReader::containsKey(const char* name) const { return find(name) != nullptr; }

bool QVBinaryKeyedReader::integer(const char* name, int64_t& out) const
{
    const Stored* s = find(name);
    if (!s)
        return false;
    if (auto* i = std::get_if<int64_t>(s)) {
        out = *i;
        return true;
    }
    if (auto* b = std::get_if<bool>(s)) {
        out = *b;
        return true;
    }
    return false;
}

void QVBinaryKeyedReader::io(const char* name, bool& value)
{
    int64_t v;
    if (integer(name, v))
        value = v != 0;
}
void QVBinaryKeyedReader::io(const char* name, int& value)
{
    int64_t v;
    if (integer(name, v))
        value = static_cast<int>(v);
}
void QVBinaryKeyedReader::io(const char* name, unsigned int& value)
{
    int64_t v;
    if (integer(name, v))
        value = static_cast<unsigned int>(v);
}
void QVBinaryKeyedReader::io(const char* name, int64_t& value) { integer(name, value); }
void QVBinaryKeyedReader::io(const char* name, double& value)
{
    const Stored* s = find(name);
    if (!s)
        return;
    if (auto* d = std::get_if<double>(s))
        value = *d;
    else if (auto* i = std::get_if<int64_t>(s))
        value = static_cast<double>(*i);
}
void QVBinaryKeyedReader::io(const char* name, std::string& value)
{
    if (auto* s = find(name); s && std::holds_alternative<std::string>(*s))
        value = std::get<std::string>(*s);
}
void QVBinaryKeyedReader::io(const char* name, std::optional<std::string>& value)
{
    if (auto* s = find(name); s && std::holds_alternative<std::string>(*s))
        value = std::get<std::string>(*s);
}
void QVBinaryKeyedReader::io(const char* name, std::optional<Bytes>& value)
{
    if (auto* s = find(name); s && std::holds_alternative<Bytes>(*s))
        value = std::get<Bytes>(*s);
}
void QVBinaryKeyedReader::ioElementCount(unsigned int& count)
{
    int64_t v;
    if (integer("num_elements", v))
        count = v < 0 ? 0u : static_cast<unsigned int>(std::min<int64_t>(v, std::numeric_limits<unsigned int>::max()));
}

void QVBinaryKeyedReader::beginScope(const char* name, bool isSeries)
{
    std::string path = childPath(scopes_, name);
    scopes_.push_back({ std::move(path), isSeries, 0 });
}

void QVBinaryKeyedReader::endScope()
{
    if (!scopes_.empty())
        scopes_.pop_back();
}

} // namespace quorvel
