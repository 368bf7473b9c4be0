// The blob observer's reading of an unwrapped body: the stored-blob form.
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVHttpService.h"

namespace quorvel {

std::optional<platform::Bytes> QVBlobDownloadObserver::decodeBody(const platform::Bytes& body)
{
    return QVCompressableData::uncompressedDataFromSerializedData(body);
}

} // namespace quorvel
