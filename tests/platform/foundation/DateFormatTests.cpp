// Date formatters: GMT output for the server and HTTP patterns, strict parsing.
#include "platform/foundation/DateFormat.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace platform;

namespace {
const char* const serverPattern = "yyyy-MM-dd'T'HH:mm:ss'Z'";
const char* const httpPattern = "EEE, dd MMM yyyy HH:mm:ss 'GMT'";
constexpr double sample = 1267679167.0; // 2010-03-04 05:06:07 GMT, a Thursday
} // namespace

TEST(DateFormat, FormatsInGmt)
{
    EXPECT_EQ(DateFormatter(serverPattern).format(Date { sample }), "2010-03-04T05:06:07Z");
    EXPECT_EQ(DateFormatter(httpPattern).format(Date { sample }), "Thu, 04 Mar 2010 05:06:07 GMT");
    EXPECT_EQ(DateFormatter("EEEE d MMMM yy h:mm a").format(Date { sample + 12 * 3600 }),
              "Thursday 4 March 10 5:06 PM");
    EXPECT_EQ(DateFormatter("hh a").format(Date { 0 }), "12 AM");
    EXPECT_EQ(DateFormatter("ccc',' dd LLL yyyy HH:mm:ss ZZ").format(Date { sample }),
              "Thu, 04 Mar 2010 05:06:07 +0000");
    EXPECT_EQ(DateFormatter("ss.SSS ZZZZZ 'o''clock' ''").format(Date { 1.25 }), "01.250 Z o'clock '");
    EXPECT_EQ(DateFormatter(serverPattern).format(Date { -1 }), "1969-12-31T23:59:59Z");
}

TEST(DateFormat, ParsesWhatItFormats)
{
    const char* patterns[] = { serverPattern, httpPattern, "EEEE, d MMMM yyyy h:mm:ss a",
                               "yyyy-MM-dd HH:mm:ss.SSS ZZZZZ", "dd/MM/yyyy HH:mm:ss Z" };
    for (const char* pattern : patterns) {
        for (double t : { sample, 0.0, -86400.0 * 365, 951782400.0 /* 2000-02-29 */, 4102444799.0 }) {
            DateFormatter f(pattern);
            auto back = f.parse(f.format(Date { t }));
            ASSERT_TRUE(back) << pattern << ": " << f.format(Date { t });
            EXPECT_EQ(back->seconds, t) << pattern;
        }
    }
    auto ms = DateFormatter("HH:mm:ss.SSS").parse("00:00:01.250");
    ASSERT_TRUE(ms);
    EXPECT_DOUBLE_EQ(ms->seconds, 1.25);
}

TEST(DateFormat, ParsesNamesInAnyCaseAndAppliesOffsets)
{
    EXPECT_EQ(DateFormatter(httpPattern).parse("thu, 04 MAR 2010 05:06:07 GMT")->seconds, sample);
    EXPECT_EQ(DateFormatter("yyyy-MM-dd'T'HH:mm:ssZZZZZ").parse("2010-03-04T07:06:07+02:00")->seconds, sample);
    EXPECT_EQ(DateFormatter("yyyy-MM-dd HH:mm:ss Z").parse("2010-03-04 00:06:07 -0500")->seconds, sample);
    EXPECT_EQ(DateFormatter("yyyy-MM-dd HH:mm:ss Z").parse("2010-03-04 05:06:07 GMT")->seconds, sample);
}

TEST(DateFormat, TwoDigitYearsFallNearToday)
{
    auto d = DateFormatter("yy-MM-dd").parse("10-03-04");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->seconds, 1267660800.0); // 2010, not 1910
}

TEST(DateFormat, StrictParsingRejects)
{
    DateFormatter f(serverPattern);
    const char* rejects[] = {
        "",
        "2010-03-04T05:06:07", // missing literal
        "2010-03-04T05:06:07Z ", // trailing text
        " 2010-03-04T05:06:07Z", // leading text
        "2010-3-04T05:06:07Z", // two digits required
        "10-03-04T05:06:07Z", // four-digit year
        "2010-13-04T05:06:07Z", // month
        "2010-00-04T05:06:07Z",
        "2010-02-29T05:06:07Z", // not a leap year
        "2010-04-31T05:06:07Z",
        "2010-03-04T24:00:00Z", // hour
        "2010-03-04T05:60:07Z", // minute
        "2010-03-04T05:06:60Z", // second
        "2010-03-04 05:06:07Z", // wrong separator
        "2010-03-04t05:06:07Z", // literals match exactly
    };
    for (const char* text : rejects)
        EXPECT_FALSE(f.parse(text)) << text;
    EXPECT_FALSE(DateFormatter(httpPattern).parse("Thx, 04 Mar 2010 05:06:07 GMT"));
    EXPECT_FALSE(DateFormatter(httpPattern).parse("Thu, 04 Mxr 2010 05:06:07 GMT"));
    EXPECT_FALSE(DateFormatter("h a").parse("13 PM"));
    EXPECT_FALSE(DateFormatter("ZZZZZ").parse("+25:00"));
    EXPECT_TRUE(DateFormatter(serverPattern).parse("2012-02-29T00:00:00Z"));
}

TEST(DateFormat, UnprintableDatesFormatEmpty)
{
    DateFormatter f(serverPattern);
    EXPECT_EQ(f.format(Date { NAN }), "");
    EXPECT_EQ(f.format(Date { INFINITY }), "");
    EXPECT_EQ(f.format(Date { 1e300 }), "");
}
