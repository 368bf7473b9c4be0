// Fuzz target: stored blobs read back — the header form with its recorded
// size and zlib stream, the raw form, and a legacy headerless stream through
// the capped inflate; whatever reads back must write and read again unchanged.
#include "social/runtime/QVCompressableData.h"
#include "social/services/QVCloudStorageService.h"

#include <cstdint>
#include <cstdlib>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Small caps keep each run fast; the caps are what is under test.
    constexpr size_t kCap = 64 * 1024;
    platform::Bytes input(data, data + size);
    if (auto blob = QVCompressableData::uncompressedDataFromSerializedData(input, kCap)) {
        platform::Bytes again = QVCompressableData::serializedDataFromData(*blob);
        auto back = QVCompressableData::uncompressedDataFromSerializedData(again, kCap);
        if (!back || *back != *blob)
            std::abort();
    }
    auto parsed = QVCompressableData::dataWithSerializedData(input);
    parsed->uncompress(kCap);
    (void)parsed->serializedData();
    if (auto expanded = QVCloudStorageService::inflateHeaderless(input, kCap)) {
        if (expanded->size() > kCap)
            std::abort();
    }
    return 0;
}
