// XML answers: the element tree, path lookups and the refusal of malformed or
// hostile documents.
#include "social/runtime/xmlsax.h"
#include "social/runtime/QVXmlDocument.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

TEST(QVXmlDocumentTest, BuildsTheTreeUnderRoot)
{
    auto doc = QVXmlDocument::xmlDocumentWithString(
        "<?xml version=\"1.0\"?><resources><user id=\"7\"><name>Ann &amp; Bo</name></user><user/></resources>");
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->root().name, "root");
    const QVXmlElement* top = doc->topElement();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->name, "resources");
    ASSERT_EQ(top->children.size(), 2u);
    ASSERT_NE(top->children[0]->attribute("id"), nullptr);
    EXPECT_EQ(*top->children[0]->attribute("id"), "7");
    EXPECT_EQ(top->children[0]->childText("name"), "Ann & Bo");
    EXPECT_EQ(top->children[1]->attribute("id"), nullptr);
}

TEST(QVXmlDocumentTest, ElementValueFollowsThePathFromTheTopElement)
{
    auto doc = QVXmlDocument::xmlDocumentWithString(
        "<errors><TwitterCredential>extended_credentials</TwitterCredential><error>x</error></errors>");
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->getElementValue("errors.TwitterCredential"), "extended_credentials");
    EXPECT_EQ(doc->getElementValue("errors.FacebookCredential"), "");
    EXPECT_EQ(doc->getElementValue("error_message"), "");
    EXPECT_EQ(doc->getElementValue("errors.TwitterCredential.deeper"), "");

    auto notice = QVXmlDocument::xmlDocumentWithString("<server_interruption_notice>Back soon</server_interruption_notice>");
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->getElementValue("server_interruption_notice"), "Back soon");
}

TEST(QVXmlDocumentTest, MalformedAndEmptyBodiesGiveNoDocument)
{
    std::string error;
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString("<resources><user></resources>", &error));
    EXPECT_NE(error.find("line 1"), std::string::npos);
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString("", &error));
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString("<a>", &error));
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString("<html>Service Unavailable", &error));
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString("plain text", &error));
}

TEST(QVXmlDocumentTest, EntityExpansionBombFailsCleanly)
{
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
    bomb += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">";
    for (int i = 2; i <= 9; ++i) {
        bomb += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            bomb += "&lol" + std::to_string(i - 1) + ";";
        bomb += "\">";
    }
    bomb += "]><lolz>&lol9;</lolz>";
    std::string error;
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString(bomb, &error));
    EXPECT_NE(error.find("entity"), std::string::npos);
}

TEST(QVXmlDocumentTest, ExternalEntitiesAreNeverLoaded)
{
    std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY ext SYSTEM \"file:///etc/passwd\">]><r>&ext;</r>";
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString(doc));
}

TEST(QVXmlDocumentTest, ExcessiveNestingIsRefused)
{
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<a>";
    for (int i = 0; i < 300; ++i)
        deep += "</a>";
    std::string error;
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString(deep, &error));
    EXPECT_NE(error.find("nested"), std::string::npos);
}

TEST(XmlSaxTest, ReportsEventsInDocumentOrder)
{
    struct Recorder : xmlsax::Handler {
        std::string trace;
        void startElement(const std::string& n, const xmlsax::Attributes& a) override
        {
            trace += "<" + n + (a.empty() ? "" : " " + a[0].first + "=" + a[0].second) + ">";
        }
        void characters(const char* t, size_t l) override { trace.append(t, l); }
        void endElement(const std::string& n) override { trace += "</" + n + ">"; }
    } recorder;
    xmlsax parser(recorder);
    std::string text = "<a k='v'>1<b>2</b>3</a>";
    ASSERT_TRUE(parser.parse(text.data(), text.size()));
    EXPECT_EQ(recorder.trace, "<a k=v>1<b>2</b>3</a>");
}

TEST(QVXmlEscapeTest, EscapesMarkupCharacters)
{
    EXPECT_EQ(QVXmlEscape("a<b>&\"c\"'d'"), "a&lt;b&gt;&amp;&quot;c&quot;'d'");
    EXPECT_EQ(QVXmlEscape("<it's>", true), "&lt;it&#39;s&gt;");
}

} // namespace
