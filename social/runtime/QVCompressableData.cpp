// The compressed-blob form: whole-buffer zlib compress and a capped uncompress.
#include "social/runtime/QVCompressableData.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace quorvel {

using platform::Bytes;
using platform::Ref;

namespace {

bool gCompressionDisabled = false;
bool gVerbose = false;

bool beginsWithMarker(const Bytes& data)
{
    return data.size() >= sizeof QVCompressableData::kMarker
        && std::memcmp(data.data(), QVCompressableData::kMarker, sizeof QVCompressableData::kMarker) == 0;
}

} // namespace

void QVCompressableData::setDisableCompression(bool disabled) { gCompressionDisabled = disabled; }
bool QVCompressableData::isCompressionDisabled() { return gCompressionDisabled; }
void QVCompressableData::setVerbose(bool verbose) { gVerbose = verbose; }
bool QVCompressableData::isVerbose() { return gVerbose; }

Ref<QVCompressableData> QVCompressableData::dataWithBytes(const void* bytes, size_t length, bool compress)
{
    auto d = platform::adoptRef(new QVCompressableData);
    if (length > 0) {
        auto* b = static_cast<const uint8_t*>(bytes);
        d->data_.assign(b, b + length);
    }
    if (compress)
        d->compress();
    return d;
}

Ref<QVCompressableData> QVCompressableData::dataWithNSData(const Bytes& data, bool compress)
{
    return dataWithBytes(data.data(), data.size(), compress);
}

Ref<QVCompressableData> QVCompressableData::dataWithSerializedData(const Bytes& data)
{
    auto d = platform::adoptRef(new QVCompressableData);
    if (beginsWithMarker(data) && data.size() >= kHeaderSize) {
        const uint8_t* size = data.data() + sizeof kMarker;
        d->uncompressedSize_ = uint32_t(size[0]) | uint32_t(size[1]) << 8 | uint32_t(size[2]) << 16
            | uint32_t(size[3]) << 24;
        d->data_.assign(data.begin() + kHeaderSize, data.end());
    } else {
        d->data_ = data;
    }
    return d;
}

void QVCompressableData::compress(bool force)
{
    if (gCompressionDisabled || data_.empty() || uncompressedSize_ != 0)
        return;
    size_t n = data_.size();
    // The header records the size as a positive signed 32-bit number.
    if (n > size_t(std::numeric_limits<int32_t>::max()))
        return;
    uLongf outLength = compressBound(uLong(n));
    Bytes out(outLength);
    if (::compress(out.data(), &outLength, data_.data(), uLong(n)) != Z_OK)
        return;
    if (!force && n <= outLength + kHeaderSize)
        return;
    out.resize(outLength);
    data_ = std::move(out);
    uncompressedSize_ = uint32_t(n);
}

std::optional<Bytes> QVCompressableData::uncompressedData(size_t cap) const
{
    if (uncompressedSize_ == 0)
        return data_;
    // The recorded size comes from outside: it only bounds the output, and
    // never beyond the cap.
    if (uncompressedSize_ > cap)
        return std::nullopt;
    Bytes out(uncompressedSize_);
    uLongf outLength = uncompressedSize_;
    if (::uncompress(out.data(), &outLength, data_.data(), uLong(data_.size())) != Z_OK)
        return std::nullopt;
    out.resize(outLength);
    return out;
}

void QVCompressableData::uncompress(size_t cap)
{
    if (uncompressedSize_ == 0)
        return;
    if (auto expanded = uncompressedData(cap)) {
        data_ = std::move(*expanded);
        uncompressedSize_ = 0;
    }
}

Bytes QVCompressableData::serializedData() const
{
    if (int32_t(uncompressedSize_) <= 0)
        return data_;
    Bytes out;
    out.reserve(kHeaderSize + data_.size());
    out.insert(out.end(), kMarker, kMarker + sizeof kMarker);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(uncompressedSize_ >> shift));
    out.insert(out.end(), data_.begin(), data_.end());
    return out;
}

Bytes QVCompressableData::serializedDataFromData(const Bytes& data)
{
    if (gCompressionDisabled)
        return data;
    auto d = dataWithNSData(data, true);
    // Raw bytes that begin with the marker would read back as a header.
    if (d->uncompressedSize_ == 0 && beginsWithMarker(data))
        d->compress(true);
    return d->serializedData();
}

std::optional<Bytes> QVCompressableData::uncompressedDataFromSerializedData(const Bytes& data, size_t cap)
{
    if (gCompressionDisabled)
        return data;
    // The writer never makes a header without its size or with size 0.
    if (beginsWithMarker(data)) {
        if (data.size() < kHeaderSize)
            return std::nullopt;
        auto d = dataWithSerializedData(data);
        if (d->uncompressedSize_ == 0)
            return std::nullopt;
        return d->uncompressedData(cap);
    }
    return data;
}

} // namespace quorvel
