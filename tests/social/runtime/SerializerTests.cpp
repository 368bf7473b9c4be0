// Serialisers: nested request-parameter names and formats, and the binary
// keyed archive (round trips, defaults for missing keys, corrupt input).
#include "social/runtime/QVBinaryKeyedArchive.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Bytes;

namespace {

// A record as the services describe theirs: plain fields, an optional text and a blob.
class Entry : public platform::Object {
public:
    Entry() = default;
    Entry(std::string board, int64_t score, std::optional<Bytes> blob = std::nullopt)
        : leaderboardId(std::move(board)), score(score), blob(std::move(blob)) { }
    explicit Entry(QVISerializer& s) { serialize(s); }

    void serialize(QVISerializer& s)
    {
        s.io("leaderboard_id", leaderboardId);
        s.io("score", score);
        s.io("display_text", displayText);
        s.io("blob", blob);
    }

    std::string leaderboardId;
    int64_t score { 0 };
    std::optional<std::string> displayText;
    std::optional<Bytes> blob;
};

std::vector<std::pair<std::string, std::string>> texts(const QVHttpNestedQueryStringWriter& w)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& p : w.getQueryParametersAsArray())
        out.emplace_back(p->name(), p->isData() ? "<" + p->dataType() + ">" : p->value());
    return out;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(QueryStringWriterTest, FormatsValuesAtTopLevel)
{
    // The wire holds a decimal point whatever locale the game set (Turkish and German write a comma).
    for (const char* locale : { "C", "de_DE.UTF-8", "tr_TR.UTF-8" }) {
        SCOPED_TRACE(locale);
        testing_support::ScopedLocale scoped(locale);
        platform::Ref<QVHttpNestedQueryStringWriter> w = platform::adoptRef(new QVHttpNestedQueryStringWriter);
        double third = 33.5, whole = 100, place = -48.8566;
        w->io("percent_complete", third);
        w->io("percent_complete", whole);
        w->io("lat", place);
        EXPECT_EQ(texts(*w), (Pairs { { "percent_complete", "33.500000" }, { "percent_complete", "100.000000" },
                                     { "lat", "-48.856600" } }));
    }
    platform::Ref<QVHttpNestedQueryStringWriter> w = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    bool yes = true, no = false;
    int negative = -5;
    unsigned int big = 3000000000u;
    int64_t huge = 9007199254740993LL;
    double ratio = 1.5;
    std::string name = "a b&c";
    std::optional<std::string> absent;
    w->io("approved", yes);
    w->io("declined", no);
    w->io("delta", negative);
    w->io("count", big);
    w->io("score", huge);
    w->io("ratio", ratio);
    w->io("name", name);
    w->io("nothing", absent);
    w->io("post[body]", name);
    EXPECT_EQ(texts(*w), (Pairs { { "approved", "1" }, { "declined", "0" }, { "delta", "-5" }, { "count", "3000000000" },
                                 { "score", "9007199254740993" }, { "ratio", "1.500000" }, { "name", "a b&c" },
                                 { "post[body]", "a b&c" } }));
    EXPECT_FALSE(w->isMultipart());
}

TEST(QueryStringWriterTest, NamesNestedScopesAndSeries)
{
    platform::Ref<QVHttpNestedQueryStringWriter> writer = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    QVHttpNestedQueryStringWriter& w = *writer;
    {
        QVISerializer::Scope user(w, "user");
        std::string n = "ann";
        w.io("name", n);
        {
            QVISerializer::Scope prefs(w, "settings");
            bool on = true;
            w.io("chat", on);
            w.io("already[bracketed]", on);
        }
        QVISerializer::Scope none(w, nullptr);
        w.io("email", n);
    }
    std::vector<platform::Ref<Entry>> batch { platform::adoptRef(new Entry("12", 100)), platform::adoptRef(new Entry("13", 200)) };
    w.ioArray("high_scores", batch);
    {
        QVISerializer::Scope tags(w, "tags", true);
        std::string t = "x";
        w.io("tag", t);
    }
    EXPECT_EQ(texts(w), (Pairs { { "user[name]", "ann" }, { "user[settings][chat]", "1" },
                                { "already[bracketed]", "1" }, { "user[email]", "ann" },
                                { "high_scores[][leaderboard_id]", "12" }, { "high_scores[][score]", "100" },
                                { "high_scores[][leaderboard_id]", "13" }, { "high_scores[][score]", "200" },
                                { "tags[]", "x" } }));
}

TEST(QueryStringWriterTest, BlobMakesTheRequestMultipart)
{
    platform::Ref<QVHttpNestedQueryStringWriter> w = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::vector<platform::Ref<Entry>> batch { platform::adoptRef(new Entry("12", 5, Bytes { 1, 2, 3 })) };
    w->ioArray("high_scores", batch);
    EXPECT_TRUE(w->isMultipart());
    const auto& params = w->getQueryParametersAsArray();
    ASSERT_EQ(params.size(), 3u);
    EXPECT_TRUE(params[2]->isData());
    EXPECT_EQ(params[2]->name(), "high_scores[][blob]");
    EXPECT_EQ(params[2]->dataType(), "blob");
    EXPECT_EQ(params[2]->data(), (Bytes { 1, 2, 3 }));
}

struct Profile {
    std::optional<std::string> resourceId;
    std::string name { "default" };
    bool hasChat { false };
    int gamerScore { 0 };
    unsigned int flags { 0 };
    double ratio { 0 };
    std::vector<platform::Ref<Entry>> scores;

    void serialize(QVISerializer& s)
    {
        s.io("resourceId", resourceId);
        s.io("name", name);
        s.io("hasChat", hasChat);
        s.io("gamerScore", gamerScore);
        s.io("flags", flags);
        s.io("ratio", ratio);
        s.ioArray("scores", scores);
    }
};

Bytes archive(Profile& p, const char* cls = "QVTestProfile")
{
    platform::Ref<QVBinaryKeyedWriter> w = platform::adoptRef(new QVBinaryKeyedWriter(cls));
    p.serialize(*w);
    return w->data();
}

TEST(BinaryKeyedArchiveTest, RoundTripsEveryValueTypeAndSeries)
{
    Profile in;
    in.resourceId = "42";
    in.name = "Ann";
    in.hasChat = true;
    in.gamerScore = -7;
    in.flags = 4000000000u;
    in.ratio = 0.25;
    in.scores = { platform::adoptRef(new Entry("12", 99, Bytes { 9 })), platform::adoptRef(new Entry("13", -1)) };
    Bytes data = archive(in);

    auto reader = QVBinaryKeyedReader::readerWithData(data, "QVTestProfile");
    ASSERT_TRUE(reader);
    Profile out;
    out.serialize(*reader);
    EXPECT_EQ(out.resourceId, "42");
    EXPECT_EQ(out.name, "Ann");
    EXPECT_TRUE(out.hasChat);
    EXPECT_EQ(out.gamerScore, -7);
    EXPECT_EQ(out.flags, 4000000000u);
    EXPECT_EQ(out.ratio, 0.25);
    ASSERT_EQ(out.scores.size(), 2u);
    EXPECT_EQ(out.scores[0]->leaderboardId, "12");
    EXPECT_EQ(out.scores[0]->score, 99);
    EXPECT_EQ(out.scores[0]->blob, (Bytes { 9 }));
    EXPECT_EQ(out.scores[1]->score, -1);
    EXPECT_FALSE(out.scores[1]->blob);
}

TEST(BinaryKeyedArchiveTest, MissingKeysKeepTheCallersDefaults)
{
    platform::Ref<QVBinaryKeyedWriter> w = platform::adoptRef(new QVBinaryKeyedWriter("QVTestProfile"));
    std::string name = "Bo";
    w->io("name", name);
    auto reader = QVBinaryKeyedReader::readerWithData(w->data(), "QVTestProfile");
    ASSERT_TRUE(reader);
    Profile out;
    out.hasChat = true;
    out.gamerScore = 5;
    out.serialize(*reader);
    EXPECT_EQ(out.name, "Bo");
    EXPECT_FALSE(out.resourceId);
    EXPECT_TRUE(out.hasChat);
    EXPECT_EQ(out.gamerScore, 5);
    EXPECT_TRUE(out.scores.empty());
    EXPECT_FALSE(reader->containsKey("hasChat"));
}

TEST(BinaryKeyedArchiveTest, CorruptTruncatedOrForeignArchivesReadAsAbsent)
{
    Profile in;
    in.resourceId = "42";
    in.scores = { platform::adoptRef(new Entry("12", 1)) };
    Bytes data = archive(in);
    std::string error;

    for (size_t cut = 0; cut < data.size(); ++cut) {
        Bytes truncated(data.begin(), data.begin() + static_cast<long>(cut));
        EXPECT_FALSE(QVBinaryKeyedReader::readerWithData(truncated, "QVTestProfile")) << "cut at " << cut;
    }
    EXPECT_FALSE(QVBinaryKeyedReader::readerWithData(data, "QVOtherClass", &error));
    EXPECT_EQ(error, "archive holds another class");

    Bytes newer = data;
    newer[4] = 2;
    EXPECT_FALSE(QVBinaryKeyedReader::readerWithData(newer, "QVTestProfile", &error));
    EXPECT_EQ(error, "unknown archive format version");

    Bytes trailing = data;
    trailing.push_back(0);
    EXPECT_FALSE(QVBinaryKeyedReader::readerWithData(trailing, "QVTestProfile"));

    // An entry count far beyond the bytes present is refused before any allocation.
    Bytes inflated = data;
    size_t countAt = 4 + 1 + 2 + std::string("QVTestProfile").size();
    inflated[countAt + 3] = 0x7F;
    EXPECT_FALSE(QVBinaryKeyedReader::readerWithData(inflated, "QVTestProfile", &error));
    EXPECT_EQ(error, "corrupt entry count");
}

TEST(BinaryKeyedArchiveTest, SeriesCountIsBoundedByTheArchive)
{
    platform::Ref<QVBinaryKeyedWriter> w = platform::adoptRef(new QVBinaryKeyedWriter("QVTestProfile"));
    {
        QVISerializer::Scope series(*w, "scores", true);
        unsigned int lie = 4000000000u;
        w->ioElementCount(lie);
    }
    auto reader = QVBinaryKeyedReader::readerWithData(w->data(), "QVTestProfile");
    ASSERT_TRUE(reader);
    Profile out;
    out.serialize(*reader);
    EXPECT_LE(out.scores.size(), reader->entryCount());
}

} // namespace
