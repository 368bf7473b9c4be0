// Fuzz target: the binary keyed archive reader. Any input must give either no
// reader or a reader whose every lookup, scope and series stays in bounds.
#include "social/runtime/QVBinaryKeyedArchive.h"

#include <cstring>

using namespace quorvel;

namespace {

struct Element : platform::Object {
    explicit Element(QVISerializer& s) { serialize(s); }
    void serialize(QVISerializer& s)
    {
        s.io("name", name);
        s.io("score", score);
        s.io("blob", blob);
    }
    std::string name;
    int64_t score { 0 };
    std::optional<platform::Bytes> blob;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The class name is the archive's own when the input carries one, so the
    // fuzzer reaches the entries; otherwise a fixed name.
    std::string cls = "QVFuzz";
    if (size >= 7 && std::memcmp(data, "QVKA", 4) == 0) {
        size_t n = data[5] | (data[6] << 8);
        if (7 + n <= size)
            cls.assign(reinterpret_cast<const char*>(data + 7), n);
    }
    auto reader = QVBinaryKeyedReader::readerWithData(data, size, cls);
    if (!reader)
        return 0;
    bool b = false;
    int i = 0;
    unsigned int u = 0;
    int64_t l = 0;
    double d = 0;
    std::string s;
    std::optional<std::string> os;
    std::optional<platform::Bytes> blob;
    reader->io("resourceId", os);
    reader->io("name", s);
    reader->io("flag", b);
    reader->io("count", i);
    reader->io("unsigned", u);
    reader->io("big", l);
    reader->io("ratio", d);
    reader->io("blob", blob);
    std::vector<platform::Ref<Element>> items;
    reader->ioArray("items", items);
    {
        QVISerializer::Scope scope(*reader, "nested");
        reader->io("name", s);
        reader->ioArray("items", items);
    }
    return 0;
}
