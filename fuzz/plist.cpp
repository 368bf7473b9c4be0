// Fuzzes property lists both ways. The input is read as a document: whatever
// the reader accepts must write back into a document that reads again and
// writes out identically. The same bytes also build a value of any shape
// (strings and keys of any bytes, reals and dates of any bits, lists nested
// past what a file holds): whatever the writer accepts must read back and
// write out identically, and what it refuses it must say why.
#include "platform/foundation/PropertyList.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>

using platform::Value;

namespace {

// The document reads again and writes out as it was; its root keeps its kind
// (nil is written as an empty string).
void expectReadsBack(const std::string& written, const Value& root)
{
    std::string error;
    std::optional<Value> again = platform::readPropertyList(written.data(), written.size(), &error);
    if (!again || platform::writePropertyList(*again) != written)
        std::abort();
    if (again->type() != (root.isNil() ? Value::Type::String : root.type()))
        std::abort();
}

double anyBits(FuzzedDataProvider& in)
{
    const uint64_t bits = in.ConsumeIntegral<uint64_t>();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

Value anyValue(FuzzedDataProvider& in, int depth)
{
    switch (in.ConsumeIntegralInRange(0, depth < 6 ? 9 : 6)) {
    case 0:
        return Value();
    case 1:
        return Value(in.ConsumeBool());
    case 2:
        return Value(in.ConsumeIntegral<long long>());
    case 3:
        return Value(anyBits(in));
    case 4:
        return Value(in.ConsumeRandomLengthString(64));
    case 5:
        return Value(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, 300)));
    case 6:
        return Value(platform::Date { anyBits(in) });
    case 7: {
        platform::ValueArray items;
        for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n)
            items.push_back(anyValue(in, depth + 1));
        return Value(std::move(items));
    }
    case 8: {
        platform::ValueDictionary entries;
        for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n)
            entries.set(in.ConsumeRandomLengthString(16), anyValue(in, depth + 1));
        return Value(std::move(entries));
    }
    default: {
        // Nested up to a little past the deepest a file holds.
        Value inner = anyValue(in, depth + 1);
        for (int n = in.ConsumeIntegralInRange(0, 300); n > 0; --n)
            inner = Value(platform::ValueArray { inner });
        return inner;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    if (std::optional<Value> value = platform::readPropertyList(data, size, &error)) {
        // What the reader accepts is never nested too deep to write; only a
        // document at the edge of the reader's bound can write out larger.
        std::optional<std::string> written = platform::writePropertyList(*value, &error);
        if (written)
            expectReadsBack(*written, *value);
        else if (error.rfind("too large to read back", 0) != 0)
            std::abort();
    }

    FuzzedDataProvider in(data, size);
    const Value built = anyValue(in, 0);
    error.clear();
    if (std::optional<std::string> written = platform::writePropertyList(built, &error))
        expectReadsBack(*written, built);
    else if (error.empty())
        std::abort();
    return 0;
}
