// The format of dates shown to the player: medium date and short time in the
// device's time zone.
#include "social/runtime/QVDateFormatters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

using namespace quorvel;

namespace {

// Sets the process's time zone for one test and restores it afterwards.
class DeviceTimeZone {
public:
    explicit DeviceTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            saved_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~DeviceTimeZone()
    {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

TEST(NormalFormatterTest, MediumDateAndShortTimeInTheDeviceTimeZone)
{
    const platform::Date noonInNewYork { 1289322000 }; // 2010-11-09T17:00:00Z
    {
        DeviceTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
        EXPECT_EQ(normalFormatter().format(noonInNewYork), "Nov 9, 2010 12:00 PM");
        EXPECT_EQ(normalFormatter().format(platform::Date { 1289322000 - 11 * 3600 - 60 }), "Nov 9, 2010 12:59 AM");
        // Summer time moves the clock, not the format.
        EXPECT_EQ(normalFormatter().format(platform::Date { 1278954000 }), "Jul 12, 2010 1:00 PM");
        auto back = normalFormatter().parse("Nov 9, 2010 12:00 PM");
        ASSERT_TRUE(back);
        EXPECT_EQ(back->seconds, noonInNewYork.seconds);
    }
    {
        DeviceTimeZone zone("UTC0");
        EXPECT_EQ(normalFormatter().format(noonInNewYork), "Nov 9, 2010 5:00 PM");
    }
    // The service's own formats stay in GMT whatever the device's zone.
    DeviceTimeZone zone("JST-9");
    EXPECT_EQ(railsFormatter().format(noonInNewYork), "2010-11-09T17:00:00Z");
}

} // namespace
