// The setters the client still sends by key: every loadWithParams with a
// screen name and keys written in the client's sources is listed here, and
// each key is taken by the screen the name makes. Screens opened across the
// dashboard's features are set up through typed interfaces instead, so no
// setter by name is sent between them (QVRequireSetter is sent nowhere).
#include "DashboardTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "social/ui/QVControllerLoader.h"

#include <regex>
#include <set>
#include <sstream>
#include <tuple>

using namespace quorvel;
using platform::Object;
using platform::Ref;

namespace {

using Sent = std::set<std::pair<std::string, std::string>>; // (screen name, key)

// Each loadWithParams("Name", ...) in the client's sources with the literal
// keys written with it (in the call or in the parameters built just before).
Sent keysSentInTheSources(std::vector<std::string>& requireSetterCalls)
{
    Sent sent;
    const std::regex call(R"re(loadWithParams\(\s*"(\w+)")re");
    const std::regex key(R"re(\{\s*"(\w+)",)re");
    for (const auto& [file, text] : dashboard_testing::clientSources()) {
        if (file != "QVControllerLoader.cpp" && file != "QVControllerLoader.h" && text.find("QVRequireSetter(") != std::string::npos)
            requireSetterCalls.push_back(file);
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        for (size_t i = 0; i < lines.size(); ++i) {
            std::smatch m;
            if (!std::regex_search(lines[i], m, call))
                continue;
            std::string window;
            for (size_t j = i >= 6 ? i - 6 : 0; j <= i; ++j)
                window += lines[j] + "\n";
            for (auto it = std::sregex_iterator(window.begin(), window.end(), key); it != std::sregex_iterator(); ++it)
                sent.emplace(m[1].str(), (*it)[1].str());
        }
    }
    return sent;
}

using KeyedSettersTest = dashboard_testing::DashboardTest;

TEST_F(KeyedSettersTest, EveryKeyTheClientSendsIsTakenByItsScreen)
{
    Ref<Object> someScreen(QVControllerLoader::load("Help").get());
    // The keys sent, with a value of the kind each sender gives.
    const std::vector<std::tuple<std::string, std::string, Ref<Object>>> listed = {
        // The central class frames the approval and account screens.
        { "IntroNavigation", "navigationRoot", someScreen },
        // The kit's friend picker opens the importer for itself.
        { "ImportFriends", "controller", someScreen },
        // A web page's store link.
        { "ApplicationDescription", "applicationId", platform::Boxed::box(platform::Value(std::string("55"))) },
        { "ApplicationDescription", "appBannerPlacement", platform::Boxed::box(platform::Value(std::string("dedicatedClient"))) },
    };
    std::vector<std::string> requireSetterCalls;
    Sent inSources = keysSentInTheSources(requireSetterCalls);
    Sent inList;
    for (const auto& [name, key, value] : listed)
        inList.emplace(name, key);
    EXPECT_EQ(inSources, inList) << "a key sent by name is missing from this list, or one listed is no longer sent";
    EXPECT_TRUE(requireSetterCalls.empty()) << "setters sent by name between screens: " << requireSetterCalls.front();

    for (const auto& [name, key, value] : listed) {
        SCOPED_TRACE(name + " " + key);
        Ref<platform::ui::ViewController> screen = QVControllerLoader::load(name);
        ASSERT_TRUE(screen);
        auto* keyed = dynamic_cast<QVKeyedSetters*>(screen.get());
        ASSERT_TRUE(keyed);
        std::string setter = "set" + key;
        setter[3] = static_cast<char>(std::toupper(static_cast<unsigned char>(setter[3])));
        EXPECT_TRUE(keyed->performSetter(setter, value.get()));
    }
}

} // namespace
