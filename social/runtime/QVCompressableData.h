// QVCompressableData: the stored form of a game blob (cloud-storage values,
// score blobs, challenge data). A blob that zlib shrinks by more than the
// 12-byte header is written as the marker "QVZLHDR0", its uncompressed size
// (uint32 little-endian) and the zlib stream; any other blob is written raw.
// Readers meet both forms and tell them apart by the marker.
//
// The recorded size is never trusted for allocation: expansion is capped
// (1 MiB unless the caller gives a smaller cap) and a stream that expands past
// the cap or past its recorded size fails. A raw blob that itself begins with
// the marker is always written in the header form, so it cannot be misread.
//
// Process-wide switches, set once while the client starts: with compression
// disabled every operation is the identity both ways; the verbose flag is
// only kept for the callers that log ratios. Main thread only.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstdint>
#include <optional>

namespace quorvel {

class QVCompressableData : public platform::Object {
public:
    static constexpr char kMarker[8] = { 'Q', 'V', 'Z', 'L', 'H', 'D', 'R', '0' };
    static constexpr size_t kHeaderSize = 12;
    static constexpr size_t kDefaultExpansionCap = 1024 * 1024;

    static void setDisableCompression(bool disabled);
    static bool isCompressionDisabled();
    static void setVerbose(bool verbose);
    static bool isVerbose();

    // The form to store or send: header form when compression pays, else the
    // bytes themselves; the argument unchanged while compression is disabled.
    static platform::Bytes serializedDataFromData(const platform::Bytes& data);
    // The blob back from either form; none when a header form does not expand
    // within `cap` bytes. While compression is disabled, the argument unparsed.
    static std::optional<platform::Bytes> uncompressedDataFromSerializedData(const platform::Bytes& data,
                                                                             size_t cap = kDefaultExpansionCap);

    static platform::Ref<QVCompressableData> dataWithNSData(const platform::Bytes& data, bool compress);
    static platform::Ref<QVCompressableData> dataWithBytes(const void* bytes, size_t length, bool compress);
    // Parses the header or raw form. A marker without its full size field is
    // taken as raw bytes (it is never read past its end).
    static platform::Ref<QVCompressableData> dataWithSerializedData(const platform::Bytes& data);

    const platform::Bytes& data() const { return data_; }
    void setData(platform::Bytes data) { data_ = std::move(data); }
    // 0: data holds the blob as it is; otherwise data is a zlib stream of that many bytes.
    uint32_t uncompressedSize() const { return uncompressedSize_; }
    void setUncompressedSize(uint32_t size) { uncompressedSize_ = size; }
    size_t length() const { return uncompressedSize_ ? uncompressedSize_ : data_.size(); }

    // The blob's bytes; none when expansion fails or exceeds `cap`.
    std::optional<platform::Bytes> uncompressedData(size_t cap = kDefaultExpansionCap) const;
    // Expands in place; on failure nothing changes.
    void uncompress(size_t cap = kDefaultExpansionCap);
    // Compresses in place when that saves more than the header's 12 bytes.
    void compress() { compress(false); }
    platform::Bytes serializedData() const;

private:
    QVCompressableData() = default;
    // `force`: keep the compressed form even when it saves nothing.
    void compress(bool force);

    platform::Bytes data_;
    uint32_t uncompressedSize_ { 0 };
};

} // namespace quorvel
