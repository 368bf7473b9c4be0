// Property lists: reading every value type, refusing hostile or malformed
// documents, writing documents that read back, atomic file writes.
#include "platform/foundation/PropertyList.h"
#include "support/TestSupport.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace platform;
using testing_support::TempDir;

namespace {

std::optional<Value> read(const std::string& xml, std::string* error = nullptr)
{
    return readPropertyList(xml.data(), xml.size(), error);
}

std::string plist(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Example//DTD PLIST 1.0//EN\" \"http://example.com/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">"
        + body + "</plist>";
}

// The reason a document is refused (and a failure when it is accepted).
std::string rejection(const std::string& xml)
{
    std::string error;
    auto v = read(xml, &error);
    EXPECT_FALSE(v.has_value()) << "accepted: " << xml;
    EXPECT_FALSE(error.empty());
    return error;
}

} // namespace

TEST(PropertyListRead, ReadsEveryValueTypeWithKeysInFileOrder)
{
    auto v = read(plist(R"(
<dict>
    <key>zeta</key><string> spaced &amp; &lt;escaped&gt; </string>
    <key>count</key><integer>-42</integer>
    <key>ratio</key><real>0.25</real>
    <key>yes</key><true/>
    <key>no</key><false/>
    <key>when</key><date>2010-03-04T05:06:07Z</date>
    <key>blob</key><data>
        AAEC
        /w==
    </data>
    <key>list</key><array><integer>1</integer><array/><dict/></array>
    <key>alpha</key><string></string>
</dict>)"));
    ASSERT_TRUE(v);
    ASSERT_TRUE(v->isDictionary());
    std::vector<std::string> expectedKeys { "zeta", "count", "ratio", "yes", "no", "when", "blob", "list", "alpha" };
    EXPECT_EQ(v->dictionary().keys(), expectedKeys);
    EXPECT_EQ((*v)["zeta"].string(), " spaced & <escaped> ");
    EXPECT_TRUE((*v)["count"].isInteger());
    EXPECT_EQ((*v)["count"].asInteger(), -42);
    EXPECT_TRUE((*v)["ratio"].isReal());
    EXPECT_EQ((*v)["ratio"].asDouble(), 0.25);
    EXPECT_EQ((*v)["yes"], Value(true));
    EXPECT_EQ((*v)["no"], Value(false));
    EXPECT_EQ((*v)["when"].date().seconds, 1267679167.0);
    EXPECT_EQ((*v)["blob"].data(), (Bytes { 0, 1, 2, 0xFF }));
    EXPECT_EQ((*v)["list"].size(), 3u);
    EXPECT_TRUE((*v)["list"][1].isArray());
    EXPECT_TRUE((*v)["list"][2].isDictionary());
    EXPECT_TRUE((*v)["alpha"].isString());
}

TEST(PropertyListRead, AcceptsARootValueWithoutThePlistElement)
{
    auto v = read("<array><string>a</string></array>");
    ASSERT_TRUE(v);
    EXPECT_EQ((*v)[0].string(), "a");
}

TEST(PropertyListRead, LaterDuplicateKeyReplacesTheValueInPlace)
{
    auto v = read(plist("<dict><key>a</key><integer>1</integer><key>b</key><integer>2</integer>"
                        "<key>a</key><integer>3</integer></dict>"));
    ASSERT_TRUE(v);
    EXPECT_EQ(v->dictionary().keys(), (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ((*v)["a"].asInteger(), 3);
}

TEST(PropertyListRead, RefusesBinaryPropertyListsByName)
{
    std::string error = rejection(std::string("bplist00\xD1\x01\x02", 11));
    EXPECT_NE(error.find("binary property lists are not supported"), std::string::npos) << error;
}

TEST(PropertyListRead, RefusesEntityExpansionBombsWithoutExpanding)
{
    std::string bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [\n<!ENTITY a \"aaaaaaaaaaaaaaaaaaaa\">\n";
    char prev = 'a';
    for (char c = 'b'; c <= 'k'; ++c) {
        bomb += std::string("<!ENTITY ") + c + " \"";
        for (int i = 0; i < 10; ++i)
            bomb += std::string("&") + prev + ";";
        bomb += "\">\n";
        prev = c;
    }
    bomb += "]>\n<plist version=\"1.0\"><string>&k;</string></plist>";
    std::string error = rejection(bomb);
    EXPECT_NE(error.find("entity"), std::string::npos) << error;
    // Declared attribute defaults would be copied onto every element of their type.
    error = rejection("<?xml version=\"1.0\"?><!DOCTYPE plist [<!ATTLIST string d CDATA \"dddd\">]>"
                      "<plist><array><string>a</string><string>b</string></array></plist>");
    EXPECT_NE(error.find("attribute declaration \"string d\" refused"), std::string::npos) << error;
}

TEST(PropertyListRead, NeverLoadsExternalEntities)
{
    TempDir dir;
    std::string secret = dir.write("secret.txt", "top secret");
    rejection("<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY x SYSTEM \"file://" + secret
              + "\">]><plist><string>&x;</string></plist>");
    // A reference whose declaration would sit in the (never read) external subset.
    rejection(plist("<string>&undeclared;</string>"));
}

TEST(PropertyListRead, RefusesMalformedDocuments)
{
    const char* cases[] = {
        "",
        "   ",
        "<plist><dict><key>a</key></dict></plist>", // key without value
        "<plist><dict><key>a</key><key>b</key><string/></dict></plist>", // two keys in a row
        "<plist><dict><string>v</string></dict></plist>", // value without key
        "<plist><dict><key>a</key><string>v</string></plist>", // not closed properly
        "<plist><array><key>a</key></array></plist>", // key outside a dictionary
        "<plist><string>a</string><string>b</string></plist>", // two roots
        "<plist></plist>", // no value
        "<plist><widget/></plist>", // unknown element
        "<plist><array>stray</array></plist>", // text in a container
        "<plist><string><integer>1</integer></string></plist>", // element in a leaf
        "<plist><true>x</true></plist>",
        "<plist><integer>12abc</integer></plist>",
        "<plist><integer></integer></plist>",
        "<plist><integer>+-5</integer></plist>",
        "<plist><integer>99999999999999999999</integer></plist>",
        "<plist><real>1.5x</real></plist>",
        "<plist><date>2010-13-01T00:00:00Z</date></plist>",
        "<plist><date>yesterday</date></plist>",
        "<plist><data>@@@@</data></plist>",
        "<plist><plist><string/></plist></plist>",
        "<plist><string>a</string>", // truncated
        "<key>a</key>",
    };
    for (const char* xml : cases)
        rejection(xml);
    // Embedded NUL bytes are not characters XML can carry.
    rejection(std::string("<plist><string>a\0b</string></plist>", 35));
}

TEST(PropertyListRead, CapsNestingDepth)
{
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<array>";
    std::string error = rejection("<plist>" + deep);
    EXPECT_NE(error.find("nested deeper than 256 levels"), std::string::npos) << error;

    std::string fine;
    for (int i = 0; i < 200; ++i)
        fine += "<array>";
    for (int i = 0; i < 200; ++i)
        fine += "</array>";
    EXPECT_TRUE(read(plist(fine)));
}

TEST(PropertyListRead, ReportsMissingAndCorruptFiles)
{
    TempDir dir;
    std::string error;
    EXPECT_FALSE(readPropertyListFile(dir.file("missing.plist"), &error));
    EXPECT_NE(error.find("missing.plist"), std::string::npos);
    std::string path = dir.write("bad.plist", "<plist><dict>");
    EXPECT_FALSE(readPropertyListFile(path, &error));
    EXPECT_NE(error.find("bad.plist"), std::string::npos);
}

TEST(PropertyListWrite, WritesTheDocumentFrame)
{
    std::string xml = *writePropertyList(Value(ValueDictionary { { "a", 1 } }));
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist", 0), 0u) << xml;
    EXPECT_NE(xml.find("<plist version=\"1.0\">\n<dict>\n\t<key>a</key>\n\t<integer>1</integer>\n</dict>\n</plist>\n"),
              std::string::npos)
        << xml;
}

TEST(PropertyListWrite, KeepsIntegersAndRealsApartAndWritesIsoDates)
{
    std::string xml = *writePropertyList(Value(ValueArray { 3, 3.0, 0.1, Date { 1267679167.0 }, nullptr }));
    EXPECT_NE(xml.find("<integer>3</integer>"), std::string::npos);
    EXPECT_NE(xml.find("<real>3</real>"), std::string::npos);
    EXPECT_NE(xml.find("<real>0.1</real>"), std::string::npos);
    EXPECT_NE(xml.find("<date>2010-03-04T05:06:07Z</date>"), std::string::npos);
    EXPECT_NE(xml.find("<string></string>"), std::string::npos); // nil
    auto back = read(xml);
    ASSERT_TRUE(back);
    EXPECT_TRUE((*back)[0].isInteger());
    EXPECT_TRUE((*back)[1].isReal());
}

TEST(PropertyListWrite, RealsAreWrittenAndReadWithAPointUnderEveryLocale)
{
    for (const char* locale : { "C", "de_DE.UTF-8", "fr_FR.UTF-8" }) {
        SCOPED_TRACE(locale);
        testing_support::ScopedLocale scoped(locale);
        std::string xml = *writePropertyList(Value(ValueArray { 0.5, -1234.0625, "0.5" }));
        EXPECT_NE(xml.find("<real>0.5</real>"), std::string::npos) << xml;
        EXPECT_NE(xml.find("<real>-1234.0625</real>"), std::string::npos) << xml;
        auto back = read(plist("<array><real>0.5</real><real>1e-3</real><real> 2.75 </real></array>"));
        ASSERT_TRUE(back);
        EXPECT_EQ((*back)[0].asDouble(), 0.5);
        EXPECT_EQ((*back)[1].asDouble(), 0.001);
        EXPECT_EQ((*back)[2].asDouble(), 2.75);
        EXPECT_EQ(Value("0.5").asDouble(), 0.5) << "a string read as a number";
        EXPECT_FALSE(read(plist("<real>0,5</real>"))) << "a comma is no decimal mark in a file";
    }
}

TEST(PropertyListWrite, RoundTripsNestedValues)
{
    Bytes blob(200);
    for (size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<uint8_t>(i * 7);
    ValueDictionary inner { { "deep", ValueArray { "x", true, false, -9223372036854775807LL - 1 } } };
    Value root(ValueDictionary {
        { "z-first", "<&>\"' ]]> tab\tnewline\ncr\r" },
        { "unicode", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80" },
        { "blob", blob },
        { "empty", Bytes {} },
        { "inner", inner },
        { "reals", ValueArray { 1e300, -0.5, 1.0 / 3.0, INFINITY, -INFINITY } },
        { "when", Date { -86400.0 } },
    });
    std::string xml = *writePropertyList(root);
    // Base64 is wrapped rather than written as one long line.
    EXPECT_EQ(xml.find(std::string(80, 'A')), std::string::npos);
    std::string error;
    auto back = read(xml, &error);
    ASSERT_TRUE(back) << error << "\n" << xml;
    EXPECT_EQ(*back, root);
    EXPECT_EQ(back->dictionary().keys(), root.dictionary().keys());
    EXPECT_EQ(writePropertyList(*back), xml);
}

TEST(PropertyListWrite, StringsXmlCannotCarryStillReadBack)
{
    // Control characters are dropped and broken UTF-8 replaced, rather than
    // writing a file that no reader accepts.
    Value root(ValueDictionary { { "bad\x01key", "a\x02" "b\xFF" "c\xC3" } });
    auto back = read(*writePropertyList(root));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->dictionary().size(), 1u);
    EXPECT_EQ(back->dictionary().keys()[0], "badkey");
    EXPECT_EQ((*back)["badkey"].string(), "ab\xEF\xBF\xBD" "c\xEF\xBF\xBD");

    // Keys that would be written alike are refused rather than read back as one.
    for (const char* other : { "bad\x02key", "badkey" }) {
        std::string error;
        EXPECT_FALSE(writePropertyList(Value(ValueDictionary { { "bad\x01key", 1 }, { other, 2 } }), &error)) << other;
        EXPECT_EQ(error, "two keys of a dictionary are both written \"badkey\" once the characters a property list "
                         "cannot carry are dropped or replaced");
    }
    EXPECT_TRUE(writePropertyList(Value(ValueDictionary { { "a\xFF", 1 }, { "a\xEF\xBF\xBD", 2 } })) == std::nullopt);
}

TEST(PropertyListWrite, NanAndOutOfRangeDatesStillReadBack)
{
    auto back = read(*writePropertyList(Value(ValueArray { NAN, Date { 1e300 }, Date { NAN } })));
    ASSERT_TRUE(back);
    EXPECT_TRUE(std::isnan((*back)[0].asDouble()));
    EXPECT_EQ((*back)[1].date().seconds, 253402300799.0); // 9999-12-31T23:59:59Z
    EXPECT_EQ((*back)[2].date().seconds, 0.0);
}

TEST(PropertyListWrite, RefusesValuesNestedDeeperThanTheReaderGoes)
{
    // 254 arrays around a number: the number lies at level 255, the deepest that reads back.
    Value deepest(1);
    for (int i = 0; i < 254; ++i)
        deepest = Value(ValueArray { deepest });
    std::optional<std::string> xml = writePropertyList(deepest);
    ASSERT_TRUE(xml);
    std::string error;
    auto back = read(*xml, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(*back, deepest);

    // One level more, the reader refuses the document; the writer refuses the value.
    const Value tooDeep(ValueDictionary { { "k", deepest } });
    std::string byHand = "<dict><key>k</key>";
    for (int i = 0; i < 254; ++i)
        byHand += "<array>";
    byHand += "<integer>1</integer>";
    for (int i = 0; i < 254; ++i)
        byHand += "</array>";
    EXPECT_NE(rejection(plist(byHand + "</dict>")).find("nested deeper than 256 levels"), std::string::npos);
    EXPECT_FALSE(writePropertyList(tooDeep, &error));
    EXPECT_EQ(error, "values nested deeper than 255 levels, which a property list cannot hold");

    // Far deeper, built in memory (dictionaries and arrays in turn, the arrays
    // sharing a branch with a value kept apart): refused as well, a file keeps
    // what it held, and letting it go costs no stack.
    const Value kept(ValueArray { ValueDictionary { { "k", ValueArray { 1 } } } });
    Value abyss(kept);
    for (int i = 0; i < 300000; ++i) {
        if (i % 2) {
            abyss = Value(ValueArray { kept, abyss });
        } else {
            ValueDictionary wrapper;
            wrapper.set("next", std::move(abyss));
            abyss = Value(std::move(wrapper));
        }
    }
    TempDir dir;
    const std::string path = dir.file("settings.plist");
    ASSERT_TRUE(writePropertyListFile(path, Value(1)));
    EXPECT_FALSE(writePropertyListFile(path, abyss, &error));
    EXPECT_EQ(error, "cannot write " + path + ": values nested deeper than 255 levels, which a property list cannot hold");
    EXPECT_EQ(readPropertyListFile(path), Value(1));
    abyss = nullptr;
    EXPECT_EQ(kept[size_t(0)]["k"][size_t(0)], Value(1));
}

// The reader holds no more than a bounded cost of a document (its
// elements and text); the writer refuses what would pass that bound, so
// whatever it writes reads back. At the bound, for a list of many small
// values and then for a string of the characters it escapes, drops or
// mends: the largest value written reads back, and the document of one
// element or character more, written by hand, the reader refuses too.
TEST(PropertyListWrite, RefusesWhatIsTooLargeToReadBackAndNoMore)
{
    std::string error;
    const Value many(ValueArray(std::vector<Value>(400000, Value(7))));
    EXPECT_FALSE(writePropertyList(many, &error));
    EXPECT_EQ(error.rfind("too large to read back: more than 67108864 bytes to hold", 0), 0u) << error;

    // The largest n in [0, limit) for which make(n) is written.
    auto largestWritten = [](size_t limit, const std::function<Value(size_t)>& make) {
        size_t lo = 0, hi = limit;
        while (hi - lo > 1) {
            const size_t mid = lo + (hi - lo) / 2;
            (writePropertyList(make(mid)) ? lo : hi) = mid;
        }
        return lo;
    };
    // Lists of a thousand true values, shared, then single ones.
    const Value thousand(ValueArray(std::vector<Value>(1000, Value(true))));
    auto trues = [&](size_t thousands, size_t ones) {
        std::vector<Value> values(thousands, thousand);
        values.resize(thousands + ones, Value(true));
        return ValueArray(std::move(values));
    };
    const size_t thousands = largestWritten(512, [&](size_t n) { return Value(trues(n, 0)); });
    ASSERT_GT(thousands, 300u);
    const size_t ones = largestWritten(2048, [&](size_t n) { return Value(trues(thousands, n)); });
    ASSERT_LT(ones, 2047u);
    std::string xml = *writePropertyList(Value(trues(thousands, ones)));
    auto back = read(xml, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->array().size(), thousands + ones);
    EXPECT_FALSE(writePropertyList(Value(trues(thousands, ones + 1))));
    std::string oneMore = xml;
    oneMore.insert(oneMore.find("<array>\n") + 8, "\t<true/>\n");
    EXPECT_FALSE(read(oneMore, &error));
    EXPECT_NE(error.find("more than 67108864 bytes to hold"), std::string::npos) << error;

    // Room for some hundred characters beside the values, taken by a string
    // of characters written as references, dropped, or mended.
    const std::vector<std::pair<std::string, std::string>> pieces {
        { "&", "&amp;" }, { "\r", "&#13;" }, { "<", "&lt;" }, { "\x01", "" }, { "\xC3\xA9", "\xC3\xA9" },
        { "\xFF", "\xEF\xBF\xBD" }, { ">", "&gt;" }, { "a", "a" },
    };
    ASSERT_GE(ones, 3u);
    auto withText = [&](size_t n) {
        std::string text;
        for (size_t i = 0; i < n; ++i)
            text += pieces[i % pieces.size()].first;
        ValueArray values = trues(thousands, ones - 3);
        values.push_back(text);
        return Value(std::move(values));
    };
    const size_t longest = largestWritten(4096, withText);
    ASSERT_GT(longest, 100u);
    ASSERT_LT(longest, 4095u);
    xml = *writePropertyList(withText(longest));
    back = read(xml, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_TRUE(*writePropertyList(*back) == xml);
    // The next piece that counts, written by hand.
    size_t next = longest;
    while (pieces[next % pieces.size()].second.empty())
        ++next;
    EXPECT_FALSE(writePropertyList(withText(next + 1)));
    oneMore = xml;
    oneMore.insert(oneMore.rfind("</string>"), pieces[next % pieces.size()].second);
    EXPECT_FALSE(read(oneMore, &error));
    EXPECT_NE(error.find("more than 67108864 bytes to hold"), std::string::npos) << error;
}

TEST(PropertyListFile, WritesAtomicallyAndReadsBack)
{
    TempDir dir;
    std::string path = dir.file("settings.plist");
    Value first(ValueDictionary { { "n", 1 } });
    ASSERT_TRUE(writePropertyListFile(path, first));
    Value second(ValueDictionary { { "n", 2 } });
    ASSERT_TRUE(writePropertyListFile(path, second));
    EXPECT_EQ(readPropertyListFile(path), second);
    // No temporary file is left beside the target.
    size_t files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

// A written file's mode is the one asked less the umask, never the mode of
// the file it replaces nor of a linked one; a link at the target is replaced,
// what it pointed at left as it was.
TEST(PropertyListFile, ModesAreTheAskedOnesAndNoLinkIsFollowed)
{
    TempDir dir;
    struct Row {
        unsigned umask, asked;
        int mode;
    };
    for (Row row : { Row { 022, 0644, 0644 }, Row { 077, 0644, 0600 }, Row { 022, 0600, 0600 }, Row { 0, 0600, 0600 } }) {
        SCOPED_TRACE(testing::Message() << std::oct << "umask " << row.umask << ", asked " << row.asked);
        testing_support::ScopedUmask mask(row.umask);
        std::string path = dir.file("settings.plist");
        ASSERT_TRUE(writePropertyListFile(path, Value(1), nullptr, row.asked));
        EXPECT_EQ(testing_support::fileMode(path), row.mode);
        // An open file being replaced does not hand its mode on.
        ::chmod(path.c_str(), 0666);
        ASSERT_TRUE(writePropertyListFile(path, Value(2), nullptr, row.asked));
        EXPECT_EQ(testing_support::fileMode(path), row.mode);

        std::string victim = dir.write("victim", "untouched");
        ::chmod(victim.c_str(), 0666);
        std::filesystem::remove(path);
        std::filesystem::create_symlink(victim, path);
        ASSERT_TRUE(writePropertyListFile(path, Value(3), nullptr, row.asked));
        EXPECT_EQ(testing_support::readFile(victim), "untouched");
        EXPECT_EQ(testing_support::fileMode(victim), 0666);
        EXPECT_EQ(testing_support::fileMode(path), row.mode);
        EXPECT_EQ(readPropertyListFile(path), Value(3));
    }
}

TEST(PropertyListFile, FailedWriteReportsAndKeepsTheOldFile)
{
    TempDir dir;
    std::string error;
    EXPECT_FALSE(writePropertyListFile(dir.file("missing/settings.plist"), Value(1), &error));
    EXPECT_NE(error.find("missing/settings.plist"), std::string::npos) << error;

    // A folder nobody may create files in (even root).
    EXPECT_FALSE(writePropertyListFile("/proc/brisko-settings.plist", Value(1), &error));

    // The rename fails when a folder stands at the target: the temporary file goes.
    std::string target = dir.file("occupied");
    dir.write("occupied/inside", "x");
    EXPECT_FALSE(writePropertyListFile(target, Value(1), &error));
    size_t files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST(PropertyListFile, WriteIntoReadOnlyFolderFailsAndKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    TempDir dir;
    std::string path = dir.file("settings.plist");
    ASSERT_TRUE(writePropertyListFile(path, Value(1)));
    chmod(dir.path().c_str(), 0555);
    EXPECT_FALSE(writePropertyListFile(path, Value(2)));
    chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(readPropertyListFile(path), Value(1));
}
