// Fuzzes the property-list reader; whatever it accepts must write back into a
// document that reads again and writes out identically.
#include "platform/foundation/PropertyList.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto value = platform::readPropertyList(data, size);
    if (!value)
        return 0;
    // What the reader accepts is never nested too deep to write.
    std::string written = platform::writePropertyList(*value).value();
    auto again = platform::readPropertyList(written.data(), written.size());
    if (!again || platform::writePropertyList(*again) != written)
        std::abort();
    return 0;
}
