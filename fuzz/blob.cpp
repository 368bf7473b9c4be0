// Fuzz target: stored blobs read back — the header form with its recorded
// size and zlib stream, and the raw form; whatever reads back must write and
// read again unchanged.
#include "social/runtime/QVCompressableData.h"

#include <cstdint>
#include <cstdlib>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    platform::Bytes input(data, data + size);
    // Small caps keep each run fast; the caps are what is under test.
    if (auto blob = QVCompressableData::uncompressedDataFromSerializedData(input, 64 * 1024)) {
        platform::Bytes again = QVCompressableData::serializedDataFromData(*blob);
        auto back = QVCompressableData::uncompressedDataFromSerializedData(again, 64 * 1024);
        if (!back || *back != *blob)
            std::abort();
    }
    auto parsed = QVCompressableData::dataWithSerializedData(input);
    parsed->uncompress(64 * 1024);
    (void)parsed->serializedData();
    return 0;
}
