// The stand-in's XML answer builder: what a player typed reaches the client
// escaped, and every error answer has the service's shape and status.
#include "tools/standin/StandInXml.h"

#include "social/runtime/QVXmlDocument.h"

#include <gtest/gtest.h>

namespace {

using namespace standin;

TEST(StandInXml, TextIsEscapedInElementsAndErrors)
{
    EXPECT_EQ(xml::escape(R"(<Tom & "Jerry">)"), "&lt;Tom &amp; &quot;Jerry&quot;&gt;");
    EXPECT_EQ(xml::escape("plain's text"), "plain's text");
    EXPECT_EQ(xml::element("name", "a<b"), "<name>a&lt;b</name>");
    EXPECT_EQ(xml::element("name", ""), "<name></name>");
    EXPECT_EQ(xml::errorBody("No <such> player"), "<errors><error>No &lt;such&gt; player</error></errors>");
}

TEST(StandInXml, WhatXmlCannotCarryBecomesTheReplacementCharacter)
{
    const std::string u = "\xEF\xBF\xBD"; // U+FFFD
    // A control character, a byte that begins nothing, an overlong NUL, a surrogate and U+FFFF: one U+FFFD a byte.
    EXPECT_EQ(xml::escape("Ri\x01val\xff-\xc0\x80-\xed\xa0\x80-\xef\xbf\xbf <&>"),
              "Ri" + u + "val" + u + "-" + u + u + "-" + u + u + u + "-" + u + u + u + " &lt;&amp;&gt;");
    // A sequence cut short, one past U+10FFFF, a continuation byte alone.
    EXPECT_EQ(xml::escape("\xE2\x82"), u + u);
    EXPECT_EQ(xml::escape("\xF4\x90\x80\x80"), u + u + u + u);
    EXPECT_EQ(xml::escape("\x80x"), u + "x");
    // Text that is fine stays as it is: tabs, line ends and characters of every length.
    const std::string fine = "a\tb\nc\r\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB2\x7F";
    EXPECT_EQ(xml::escape(fine), fine);
    std::string every;
    for (int c = 0; c < 256; ++c)
        every += static_cast<char>(c);
    EXPECT_NE(quorvel::QVXmlDocument::xmlDocumentWithString(xml::element("a", every)), nullptr);
}

TEST(StandInXml, ErrorAnswersCarryTheirStatusAndFieldErrorsAre422)
{
    Answer notFound = xml::error(404, "Not found");
    EXPECT_EQ(notFound.status, 404);
    EXPECT_EQ(notFound.body, "<errors><error>Not found</error></errors>");
    EXPECT_EQ(notFound.contentType, Answer::xml("").contentType);

    Answer refused = xml::fieldErrors(xml::fieldError("name", "can't be blank") + xml::fieldError("email", "is invalid"));
    EXPECT_EQ(refused.status, 422);
    EXPECT_EQ(refused.body, "<errors><error><field>name</field><reason>can't be blank</reason></error>"
                            "<error><field>email</field><reason>is invalid</reason></error></errors>");
}

TEST(StandInXml, APageHeaderCountsTheObjectsWithAtLeast25PerPage)
{
    EXPECT_NE(xml::pageHeader(3).find("<per_page>25</per_page><total_objects>3</total_objects>"), std::string::npos);
    EXPECT_NE(xml::pageHeader(40).find("<per_page>40</per_page><total_objects>40</total_objects>"), std::string::npos);
}

} // namespace
