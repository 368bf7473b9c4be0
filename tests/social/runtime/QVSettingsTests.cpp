// Internal settings from built-ins and the bundle's settings file; the date
// formatters; the Documents path.
#include "social/runtime/QVAddOnSettingsRole.h"
#include "social/runtime/QVDateFormatters.h"
#include "social/runtime/QVDocumentsPath.h"
#include "social/runtime/QVSettings.h"
#include "support/TestSupport.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

using namespace quorvel;

namespace {

class SettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        savedResources = platform::Bundle::main().resourcePath();
        platform::Bundle::main().setResourcePath(dir.path());
    }
    void TearDown() override
    {
        QVSettings::Uninitialize();
        platform::Bundle::main().setResourcePath(savedResources);
    }

    testing_support::TempDir dir;
    std::string savedResources;
    platform::LogCapture log;
};

TEST_F(SettingsTest, BuiltInsWithoutAFile)
{
    EXPECT_EQ(QVSettings::Instance(), nullptr);
    QVSettings::Initialize();
    ASSERT_NE(QVSettings::Instance(), nullptr);
    auto* s = QVSettings::Instance();
    ASSERT_TRUE(s->objectForKey("server-url"));
    EXPECT_EQ(s->objectForKey("server-url")->back(), '/');
    EXPECT_TRUE(s->objectForKey("presence-host"));
    EXPECT_TRUE(s->objectForKey("facebook-application-key"));
    EXPECT_TRUE(s->objectForKey("facebook-callback-url"));
    EXPECT_FALSE(s->objectForKey("debug-override-key"));
    EXPECT_EQ(s->clientBundleVersion(), platform::Bundle::main().version());
    QVSettings::Uninitialize();
    EXPECT_EQ(QVSettings::Instance(), nullptr);
}

TEST_F(SettingsTest, ReleaseSectionOfTheBundleFileOverrides)
{
    dir.write("quorvel_internal_settings.xml",
              "<quorvel_internal_settings>"
              "<environment-staging><config><server-url>http://staging/</server-url></config></environment-staging>"
              "<environment-release><config><server-url>http://127.0.0.1:4567/</server-url>"
              "<debug-override-key>K</debug-override-key><debug-override-secret>S</debug-override-secret>"
              "</config></environment-release></quorvel_internal_settings>");
    QVSettings::Initialize();
    auto* s = QVSettings::Instance();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->objectForKey("server-url"), "http://127.0.0.1:4567/");
    EXPECT_EQ(s->objectForKey("debug-override-key"), "K");
    EXPECT_EQ(s->objectForKey("debug-override-secret"), "S");
    EXPECT_EQ(s->objectForKey("presence-host"), ""); // built-in kept: the server-url's host
}

TEST_F(SettingsTest, MalformedFileKeepsTheBuiltIns)
{
    dir.write("quorvel_internal_settings.xml", "<quorvel_internal_settings><environment-release>");
    QVSettings::Initialize();
    ASSERT_NE(QVSettings::Instance(), nullptr);
    EXPECT_EQ(QVSettings::Instance()->objectForKey("server-url"), "http://127.0.0.1:8080/");
    EXPECT_TRUE(log.contains("not valid XML"));
}

// Each fallback to the built-in address is said once, with its reason.
TEST_F(SettingsTest, AMissingFileAMisspelledKeyAndAMissingServerUrlAreSaid)
{
    auto warnings = [&] {
        std::vector<std::string> out;
        for (auto& line : log.lines())
            if (line.level == platform::LogLevel::Warning)
                out.push_back(line.text);
        return out;
    };
    QVSettings::Initialize();
    ASSERT_EQ(warnings().size(), 1u);
    EXPECT_EQ(warnings()[0], "QVSettings: the bundle folder " + dir.path()
                                 + " has no quorvel_internal_settings.xml; using the built-in server-url "
                                   "http://127.0.0.1:8080/");
    QVSettings::Uninitialize();

    log.clear();
    std::string path = dir.write("quorvel_internal_settings.xml",
                                 "<quorvel_internal_settings><environment-release><config>"
                                 "<server_url>http://127.0.0.1:4567/</server_url><presence-host>h:1</presence-host>"
                                 "</config></environment-release></quorvel_internal_settings>");
    QVSettings::Initialize();
    EXPECT_EQ(QVSettings::Instance()->objectForKey("server-url"), "http://127.0.0.1:8080/");
    EXPECT_EQ(QVSettings::Instance()->objectForKey("presence-host"), "h:1");
    auto said = warnings();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[0].find(path + " sets \"server_url\", which is no setting"), std::string::npos) << said[0];
    EXPECT_NE(said[0].find("server-url, presence-host"), std::string::npos) << said[0];
    EXPECT_EQ(said[1], "QVSettings: " + path + " sets no server-url; using the built-in server-url http://127.0.0.1:8080/");
}

// The settings are checked at start-up: a value laid out on lines of its own
// is used without the white space around it, and an address the client could
// not sign its requests over is refused, naming the key and the value.
TEST_F(SettingsTest, ValuesAreTrimmedAndAServerUrlWithoutItsSchemeIsRefused)
{
    dir.write("quorvel_internal_settings.xml", "<quorvel_internal_settings><environment-release><config>\n"
                                               "  <server-url>\n    https://127.0.0.1:4567/ \n  </server-url>\n"
                                               "  <presence-host> 127.0.0.1:4568\t</presence-host>\n"
                                               "</config></environment-release></quorvel_internal_settings>");
    QVSettings::Initialize();
    EXPECT_EQ(QVSettings::Instance()->objectForKey("server-url"), "https://127.0.0.1:4567/");
    EXPECT_EQ(QVSettings::Instance()->objectForKey("presence-host"), "127.0.0.1:4568");
    EXPECT_TRUE(log.lines().empty()) << testing::PrintToString(log.texts());
    QVSettings::Uninitialize();

    for (std::string refused : { "127.0.0.1:8081/", "ftp://127.0.0.1/", "http://", "" }) {
        SCOPED_TRACE(refused);
        log.clear();
        std::string path = dir.write("quorvel_internal_settings.xml",
                                     "<quorvel_internal_settings><environment-release><config><server-url> " + refused
                                         + "</server-url></config></environment-release></quorvel_internal_settings>");
        QVSettings::Initialize();
        EXPECT_EQ(QVSettings::Instance()->objectForKey("server-url"), "http://127.0.0.1:8080/");
        EXPECT_EQ(log.texts(), std::vector<std::string> { "QVSettings: " + path + " sets server-url \"" + refused
                                                          + "\", which is no http:// or https:// address; using the "
                                                            "built-in server-url http://127.0.0.1:8080/" });
        QVSettings::Uninitialize();
    }
}

// An add-on reading the settings file, installed for one test.
class RecordingAddOn : public QVAddOnSettingsRole {
public:
    RecordingAddOn() { QVAddOnSettingsRole::setCurrent(this); }
    ~RecordingAddOn() override { QVAddOnSettingsRole::setCurrent(saved_); }
    RecordingAddOn(const RecordingAddOn&) = delete;
    RecordingAddOn& operator=(const RecordingAddOn&) = delete;

    void loadAddOnSettings(platform::ValueDictionary& settings, platform::Object*) override
    {
        seen = settings.get("server-url").asString();
        if (!sets.empty())
            settings.set("server-url", sets);
    }
    std::string seen;
    std::string sets;

private:
    QVAddOnSettingsRole* saved_ { &QVAddOnSettingsRole::current() };
};

std::string settingsFile(const std::string& config)
{
    return "<quorvel_internal_settings><environment-release><config>" + config
        + "</config></environment-release></quorvel_internal_settings>";
}

// The add-ons read the settings as the client will use them: the file's
// server-url is in place before they look, and one an add-on sets is kept,
// checked as the file's is.
TEST_F(SettingsTest, AddOnsSeeTheServerUrlTheClientUsesAndMaySetTheirOwn)
{
    RecordingAddOn addOn;
    dir.write("quorvel_internal_settings.xml", settingsFile("<server-url>http://127.0.0.1:4567/</server-url>"));
    QVSettings::Initialize();
    EXPECT_EQ(addOn.seen, "http://127.0.0.1:4567/");
    EXPECT_EQ(QVSettings::Instance()->objectForKey("server-url"), "http://127.0.0.1:4567/");
    QVSettings::Uninitialize();

    addOn.sets = "https://127.0.0.1:9999/";
    QVSettings::Initialize();
    EXPECT_EQ(QVSettings::Instance()->objectForKey("server-url"), "https://127.0.0.1:9999/");
    EXPECT_TRUE(log.lines().empty()) << testing::PrintToString(log.texts());
    QVSettings::Uninitialize();

    addOn.sets = "127.0.0.1:9999/";
    QVSettings::Initialize();
    EXPECT_EQ(QVSettings::Instance()->objectForKey("server-url"), "http://127.0.0.1:4567/");
    EXPECT_EQ(log.texts(), std::vector<std::string> { "QVSettings: an add-on set server-url \"127.0.0.1:9999/\", which "
                                                      "is no http:// or https:// address; using http://127.0.0.1:4567/" });
    QVSettings::Uninitialize();

    // A refused address leaves the built-in one, and that is what the add-ons see.
    addOn.sets.clear();
    dir.write("quorvel_internal_settings.xml", settingsFile("<server-url>ftp://127.0.0.1/</server-url>"));
    QVSettings::Initialize();
    EXPECT_EQ(addOn.seen, "http://127.0.0.1:8080/");
}

// A scheme in capitals is the same scheme; a key given twice, a second release
// section and a presence-host the channel could not connect to are each said
// once, with what is used instead.
TEST_F(SettingsTest, CapitalSchemesAreAddressesAndRepeatsAndUnusablePresenceHostsAreSaid)
{
    std::string path = dir.write(
        "quorvel_internal_settings.xml",
        "<quorvel_internal_settings><environment-release><config>"
        "<server-url>HTTP://127.0.0.1:4567/</server-url>"
        "<presence-host>127.0.0.1:1</presence-host><presence-host>127.0.0.1:4568</presence-host>"
        "</config></environment-release>"
        "<environment-release><config><server-url>http://127.0.0.1:1/</server-url></config></environment-release>"
        "</quorvel_internal_settings>");
    QVSettings::Initialize();
    EXPECT_EQ(QVSettings::Instance()->objectForKey("server-url"), "http://127.0.0.1:4567/");
    EXPECT_EQ(QVSettings::Instance()->objectForKey("presence-host"), "127.0.0.1:4568");
    EXPECT_EQ(log.texts(),
              (std::vector<std::string> {
                  "QVSettings: " + path
                      + " has 2 <environment-release> sections; the first is used and the others are ignored",
                  "QVSettings: " + path + " sets \"presence-host\" 2 times; the last one, \"127.0.0.1:4568\", is used" }));
    QVSettings::Uninitialize();

    const std::pair<std::string, std::string> refused[] = {
        { "127.0.0.1:stomp", "the port after the colon must be a number from 1 to 65535" },
        { "127.0.0.1:70000", "the port after the colon must be a number from 1 to 65535" },
        { ":61613", "it names no host" },
        { "tcp://127.0.0.1:61613", "a host is written without a scheme such as http://" },
    };
    for (const auto& [value, why] : refused) {
        SCOPED_TRACE(value);
        log.clear();
        path = dir.write("quorvel_internal_settings.xml",
                         settingsFile("<server-url>http://127.0.0.1:4567/</server-url><presence-host>" + value
                                      + "</presence-host>"));
        QVSettings::Initialize();
        EXPECT_EQ(QVSettings::Instance()->objectForKey("presence-host"), "");
        EXPECT_EQ(log.texts(), std::vector<std::string> { "QVSettings: " + path + " sets presence-host \"" + value
                                                          + "\", which cannot be used (" + why
                                                          + "); the presence channel goes to the server-url's host" });
        QVSettings::Uninitialize();
    }
}

TEST(DateFormattersTest, ServerAndHttpFormatsInGmt)
{
    platform::Date d { 1796160758 }; // 2026-12-01T21:32:38Z, a Tuesday
    EXPECT_EQ(railsFormatter().format(d), "2026-12-01T21:32:38Z");
    EXPECT_EQ(httpFormatter().format(d), "Tue, 01 Dec 2026 21:32:38 +0000");
    auto back = railsFormatter().parse("2026-12-01T21:32:38Z");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->seconds, d.seconds);
    EXPECT_FALSE(railsFormatter().parse("2026-12-01 21:32:38"));
}

TEST(DocumentsPathTest, FileInsideTheDocumentsDirectory)
{
    testing_support::TempDir home;
    std::string saved = platform::Bundle::main().homeDirectory();
    platform::Bundle::main().setHomeDirectory(home.path());
    EXPECT_EQ(QVDocumentsPathForFile("quorvel_offline"), home.path() + "/Documents/quorvel_offline");
    platform::Bundle::main().setHomeDirectory(saved);
}

} // namespace
