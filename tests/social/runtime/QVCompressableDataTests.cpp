// The stored blob form: when compression pays, the header's bytes, both
// readers, the switches, and the caps that keep a hostile header harmless.
#include "social/runtime/QVCompressableData.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <string>

using platform::Bytes;
using quorvel::QVCompressableData;

namespace {

Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// 331 bytes of English prose.
const std::string kSentence =
    "The quick brown fox jumps over the lazy dog while the patient farmer watches from the porch, "
    "wondering whether the fox will ever learn that the dog is far too lazy to chase it, and whether "
    "the dog will ever notice the fox at all, since the afternoon is warm and the porch is shady and "
    "nobody on the farm has any reason to hurry up.";

Bytes header(uint32_t size, const Bytes& stream)
{
    Bytes out(QVCompressableData::kMarker, QVCompressableData::kMarker + 8);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(size >> shift));
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

Bytes zlibStream(const Bytes& data)
{
    uLongf n = compressBound(uLong(data.size()));
    Bytes out(n);
    EXPECT_EQ(compress(out.data(), &n, data.data(), uLong(data.size())), Z_OK);
    out.resize(n);
    return out;
}

class CompressableDataTest : public testing::Test {
protected:
    void TearDown() override
    {
        QVCompressableData::setDisableCompression(false);
        QVCompressableData::setVerbose(false);
    }
};

} // namespace

TEST_F(CompressableDataTest, SmallBlobsStayRaw)
{
    ASSERT_EQ(kSentence.size(), 331u);
    for (const std::string& s : { std::string("ABC"), std::string(), std::string("QVZLHDR"), std::string(12, 'a') }) {
        Bytes stored = QVCompressableData::serializedDataFromData(bytes(s));
        EXPECT_EQ(stored, bytes(s));
        EXPECT_EQ(QVCompressableData::uncompressedDataFromSerializedData(stored), bytes(s));
    }
    auto raw = QVCompressableData::dataWithNSData(bytes(kSentence), false);
    EXPECT_EQ(raw->serializedData(), bytes(kSentence));
    EXPECT_EQ(QVCompressableData::dataWithSerializedData(raw->serializedData())->data(), bytes(kSentence));
}

TEST_F(CompressableDataTest, ASentenceIsWrittenInTheHeaderFormAndReadBackExactly)
{
    Bytes stored = QVCompressableData::serializedDataFromData(bytes(kSentence));
    ASSERT_GT(stored.size(), 14u);
    EXPECT_LT(stored.size(), kSentence.size());
    EXPECT_EQ(std::string(stored.begin(), stored.begin() + 8), "QVZLHDR0");
    EXPECT_EQ(Bytes(stored.begin() + 8, stored.begin() + 14), (Bytes { 0x4B, 0x01, 0x00, 0x00, 0x78, 0x9C }));
    EXPECT_EQ(QVCompressableData::uncompressedDataFromSerializedData(stored), bytes(kSentence));

    auto d = QVCompressableData::dataWithBytes(kSentence.data(), kSentence.size(), true);
    EXPECT_EQ(d->uncompressedSize(), 331u);
    EXPECT_EQ(d->length(), 331u);
    d->uncompress();
    EXPECT_EQ(d->uncompressedSize(), 0u);
    EXPECT_EQ(d->data(), bytes(kSentence));
}

TEST_F(CompressableDataTest, DisabledCompressionIsTheIdentityBothWays)
{
    QVCompressableData::setDisableCompression(true);
    EXPECT_EQ(QVCompressableData::serializedDataFromData(bytes(kSentence)), bytes(kSentence));
    Bytes marked = header(3, zlibStream(bytes("abc")));
    EXPECT_EQ(QVCompressableData::uncompressedDataFromSerializedData(marked), marked);
    auto d = QVCompressableData::dataWithNSData(bytes(kSentence), true);
    EXPECT_EQ(d->uncompressedSize(), 0u);
}

TEST_F(CompressableDataTest, DamagedHeadersFailAndLeaveTheObjectAlone)
{
    Bytes stream = zlibStream(bytes(kSentence));
    Bytes corrupt = stream;
    corrupt[stream.size() / 2] ^= 0xFF;
    Bytes truncated(stream.begin(), stream.begin() + long(stream.size() / 2));
    // A stream longer than its recorded size, a corrupt one, a truncated one,
    // a recorded size of 0, and a marker without its size.
    uint32_t n = uint32_t(kSentence.size());
    for (const Bytes& bad : { header(n - 1, stream), header(n, corrupt), header(n, truncated), header(0, stream),
                              Bytes { 'Q', 'V', 'Z', 'L', 'H', 'D', 'R', '0', 1, 0 } })
        EXPECT_FALSE(QVCompressableData::uncompressedDataFromSerializedData(bad));

    auto d = QVCompressableData::dataWithSerializedData(header(331, corrupt));
    EXPECT_FALSE(d->uncompressedData());
    d->uncompress();
    EXPECT_EQ(d->uncompressedSize(), 331u);
    EXPECT_EQ(d->data(), corrupt);
}

TEST_F(CompressableDataTest, TheRecordedSizeNeverDrivesAllocationPastTheCap)
{
    Bytes big(QVCompressableData::kDefaultExpansionCap + 1, 'z');
    Bytes stored = QVCompressableData::serializedDataFromData(big);
    ASSERT_LT(stored.size(), 10000u);
    EXPECT_FALSE(QVCompressableData::uncompressedDataFromSerializedData(stored));
    // A tiny stream claiming 4 GiB is refused before anything is allocated.
    EXPECT_FALSE(QVCompressableData::uncompressedDataFromSerializedData(header(0xFFFFFFFFu, zlibStream(bytes("x")))));
    // A smaller cap of the caller's own.
    Bytes fits(262144, 'y');
    Bytes packed = QVCompressableData::serializedDataFromData(fits);
    EXPECT_EQ(QVCompressableData::uncompressedDataFromSerializedData(packed, 262144), fits);
    EXPECT_FALSE(QVCompressableData::uncompressedDataFromSerializedData(packed, 262143));
}

TEST_F(CompressableDataTest, RawBlobsThatBeginWithTheMarkerAreAlwaysHeaderWritten)
{
    for (const Bytes& tricky : { header(3, zlibStream(bytes("abc"))), bytes("QVZLHDR0\x05"), bytes("QVZLHDR0") }) {
        Bytes stored = QVCompressableData::serializedDataFromData(tricky);
        EXPECT_EQ(std::string(stored.begin(), stored.begin() + 8), "QVZLHDR0");
        EXPECT_NE(stored, tricky);
        EXPECT_EQ(QVCompressableData::uncompressedDataFromSerializedData(stored), tricky);
    }
}
