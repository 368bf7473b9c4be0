// The shared SAX reader: events in document order, hostile documents refused,
// a handler's stop and exceptions ending the parse cleanly, documents read
// in pieces.
#include "platform/foundation/SaxReader.h"

#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace platform;

namespace {

class Journal : public SaxHandler {
public:
    void startElement(const char* name, const char** attributes) override
    {
        log += "<" + std::string(name);
        for (const char** a = attributes; a[0]; a += 2)
            log += " " + std::string(a[0]) + "=" + a[1];
        log += ">";
        if (throwAt == name)
            throw std::runtime_error("handler failed");
        if (stopAt == name)
            reader->stop("stopped by the handler");
    }
    void characters(const char* text, size_t length) override { log.append(text, length); }
    void endElement(const char* name) override { log += "</" + std::string(name) + ">"; }

    std::string log;
    std::string throwAt, stopAt;
    SaxReader* reader { nullptr };
};

bool parse(Journal& journal, const std::string& xml, std::string* error = nullptr, int maxDepth = 0)
{
    SaxReader reader(journal);
    journal.reader = &reader;
    if (maxDepth)
        reader.setMaxDepth(maxDepth);
    bool ok = reader.parse(xml.data(), xml.size());
    if (error)
        *error = reader.error();
    return ok;
}

TEST(SaxReader, HandsOverEventsInDocumentOrder)
{
    Journal j;
    ASSERT_TRUE(parse(j, "<a x=\"1\" y=\"&lt;\">t&amp;u<b/></a>"));
    EXPECT_EQ(j.log, "<a x=1 y=<>t&u<b></b></a>");
    const char* attributes[] = { "x", "1", "y", "2", nullptr };
    EXPECT_STREQ(SaxReader::attribute(attributes, "y"), "2");
    EXPECT_EQ(SaxReader::attribute(attributes, "z"), nullptr);
}

TEST(SaxReader, RefusesEntityDeclarationsExternalEntitiesAndDeepNesting)
{
    Journal j;
    std::string error;
    EXPECT_FALSE(parse(j, "<!DOCTYPE r [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]><r>&b;</r>", &error));
    EXPECT_EQ(error, "line 1: entity declaration \"a\" refused");
    EXPECT_EQ(j.log.find("aaaa"), std::string::npos) << "nothing expanded";

    EXPECT_FALSE(parse(j, "<!DOCTYPE r SYSTEM \"file:///etc/passwd\"><r>&x;</r>", &error));
    EXPECT_FALSE(error.empty());

    // A declared default would be handed on with every element of its type.
    j.log.clear();
    EXPECT_FALSE(parse(j, "<!DOCTYPE r [<!ATTLIST e d CDATA \"" + std::string(1000, 'd') + "\">]><r><e/><e/></r>", &error));
    EXPECT_EQ(error, "line 1: attribute declaration \"e d\" refused");
    EXPECT_EQ(j.log, "") << "nothing handed on";
    // A doctype without declarations is harmless.
    EXPECT_TRUE(parse(j, "<!DOCTYPE r PUBLIC \"-//x//y\" \"http://x/y.dtd\"><r/>", &error)) << error;

    std::string deep;
    for (int i = 0; i < 11; ++i)
        deep += "<e>";
    for (int i = 0; i < 11; ++i)
        deep += "</e>";
    EXPECT_FALSE(parse(j, deep, &error, 10));
    EXPECT_EQ(error, "line 1: elements nested deeper than 10 levels");
    EXPECT_TRUE(parse(j, deep, &error, 11));
    EXPECT_TRUE(error.empty());

    EXPECT_FALSE(parse(j, "<a><b></a>", &error));
    EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
    EXPECT_FALSE(parse(j, "", &error));
}

TEST(SaxReader, ADocumentCostsNoMoreThanItsBoundsAndARefusalIsLoggedOnce)
{
    LogCapture captured;
    Journal j;
    std::string error;
    // A refusal is logged once for a document refused again at once: each
    // run of this test reads documents of its own.
    static int run = 0;
    const std::string own = "<!--" + std::to_string(++run) + "-->";
    std::string items = own + "<r>";
    for (int i = 0; i < 4; ++i)
        items += "<i a=\"1\"/>";
    items += "</r>";
    SaxReader reader(j);
    reader.setMaxNodes(9); // r, then four items of two nodes each
    EXPECT_TRUE(reader.parse(items.data(), items.size())) << reader.error();
    reader.setMaxNodes(8);
    j.log.clear();
    EXPECT_FALSE(reader.parse(items.data(), items.size()));
    EXPECT_EQ(reader.error(), "line 1: more than 8 elements and attributes");
    EXPECT_EQ(j.log, "<r><i a=1></i><i a=1></i><i a=1></i>") << "nothing past the bound";
    EXPECT_EQ(captured.texts(), std::vector<std::string> { "XML document refused: line 1: more than 8 elements and attributes" });
    // Read again for what it says (as callers look for an error list): told once.
    EXPECT_FALSE(reader.parse(items.data(), items.size()));
    EXPECT_EQ(captured.texts().size(), 1u);

    // A one-byte encoding doubles at most what is written: within the bound.
    captured.clear();
    std::string latin = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"" + std::string(5000, '\xe9') + "\">"
        + std::string(5000, '\xe9') + "</r>";
    EXPECT_TRUE(parse(j, latin, &error)) << error;
    // A malformed document is the caller's to tell; hostile ones are logged here.
    EXPECT_FALSE(parse(j, "<a><b></a>", &error));
    EXPECT_FALSE(parse(j, own + "<!DOCTYPE r [<!ENTITY a \"x\">]><r/>", &error));
    EXPECT_EQ(captured.texts(), std::vector<std::string> { "XML document refused: line 1: entity declaration \"a\" refused" });
}

TEST(SaxReader, AnAnswerOfAnyShapeCostsAtMostItsBound)
{
    LogCapture captured;
    // An answer's 8 MiB, of empty elements, of attributes, of text; and a
    // handler that keeps much for each element it is given.
    struct Keeper : SaxHandler {
        void startElement(const char*, const char**) override
        {
            if (reader && !reader->addCost(2048))
                ++refusedAt;
        }
        SaxReader* reader { nullptr };
        int refusedAt { 0 };
    };
    auto repeated = [](const std::string& item, size_t bytes) {
        std::string doc = "<r>";
        while (doc.size() + item.size() + 4 < bytes)
            doc += item;
        return doc + "</r>";
    };
    const size_t answer = 7 * 1024 * 1024 + 512 * 1024;
    struct Row {
        const char* name;
        std::string document;
        bool keeps;
        bool read;
    } rows[] = {
        { "empty elements", repeated("<e/>", answer), false, false },
        { "an attribute each", repeated("<e a=\"\"/>", answer), false, false },
        { "text", "<r>" + std::string(answer, 't') + "</r>", false, true },
        { "elements the handler keeps much of", repeated("<item><n>1</n></item>", 1024 * 1024), true, false },
        { "the same, fewer", repeated("<item><n>1</n></item>", 64 * 1024), true, true },
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        Keeper keeper;
        SaxReader reader(keeper);
        if (row.keeps)
            keeper.reader = &reader;
        EXPECT_EQ(reader.parse(row.document.data(), row.document.size()), row.read) << reader.error();
        if (!row.read) {
            EXPECT_NE(reader.error().find("more than 67108864 bytes to hold"), std::string::npos) << reader.error();
        }
        EXPECT_LE(keeper.refusedAt, 1) << "the handler hears nothing past a refusal";
    }
    EXPECT_TRUE(captured.contains("XML document refused: line 1: more than 67108864 bytes to hold"));
}

TEST(SaxReader, AHandlerStopsTheParseOrThrowsPastIt)
{
    Journal stopping;
    stopping.stopAt = "b";
    std::string error;
    EXPECT_FALSE(parse(stopping, "<a>\n<b/><c/></a>", &error));
    EXPECT_EQ(error, "line 2: stopped by the handler");
    EXPECT_EQ(stopping.log.find("<c>"), std::string::npos) << "no events after a stop";

    Journal throwing;
    throwing.throwAt = "b";
    EXPECT_THROW(parse(throwing, "<a><b/><c/></a>"), std::runtime_error);
    EXPECT_EQ(throwing.log.find("<c>"), std::string::npos);
    // The reader is usable again afterwards.
    throwing.throwAt.clear();
    EXPECT_TRUE(parse(throwing, "<a/>"));
}

TEST(SaxReader, ADocumentReadInPiecesGivesTheEventsOfTheWhole)
{
    const std::string xml = "<a x=\"1\">text &amp; more<b>inner</b><c/>tail</a>";
    Journal whole;
    ASSERT_TRUE(parse(whole, xml));
    // Cut anywhere, even inside a name or an entity.
    for (size_t cut : { size_t(1), size_t(3), size_t(14), xml.size() - 1 }) {
        SCOPED_TRACE(cut);
        Journal pieces;
        SaxReader reader(pieces);
        ASSERT_TRUE(reader.begin());
        EXPECT_TRUE(reader.feed(xml.data(), cut, false));
        EXPECT_TRUE(reader.isReading());
        EXPECT_TRUE(reader.feed(xml.data() + cut, xml.size() - cut, true));
        EXPECT_FALSE(reader.isReading());
        EXPECT_EQ(pieces.log, whole.log);
    }
}

TEST(SaxReader, APieceThatBreaksTheDocumentEndsIt)
{
    Journal j;
    SaxReader reader(j);
    EXPECT_FALSE(reader.feed("<a/>", 4, true)) << "nothing begun";
    ASSERT_TRUE(reader.begin());
    ASSERT_TRUE(reader.feed("<a><b>", 6, false));
    EXPECT_FALSE(reader.feed("</a>", 4, false));
    EXPECT_EQ(reader.error().rfind("line 1: ", 0), 0u) << reader.error();
    EXPECT_FALSE(reader.isReading());
    EXPECT_FALSE(reader.feed("</b>", 4, true)) << "the failed document is over";
    // A document that ends too early fails at its last piece.
    ASSERT_TRUE(reader.begin());
    ASSERT_TRUE(reader.feed("<a><b>", 6, false));
    EXPECT_FALSE(reader.feed("</b>", 4, true));
    // Begun again, the reader reads the next document; one left unfinished is dropped.
    ASSERT_TRUE(reader.begin());
    ASSERT_TRUE(reader.begin());
    EXPECT_TRUE(reader.feed("<z/>", 4, true));
}

} // namespace
