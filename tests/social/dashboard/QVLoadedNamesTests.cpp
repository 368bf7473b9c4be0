// Every name the client asks the loader or the class registry for, found in
// the client's sources, can be made: a screen name gives a view controller, a
// cell name a table cell, a view name a registered view and an exact class
// name an object. A renamed or unregistered screen fails here instead of
// leaving a blank page at run time.
#include "DashboardTestSupport.h"

#include "platform/ui/View.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVControllerLoader.h"

#include <regex>
#include <set>
#include <utility>

using namespace quorvel;

namespace {

enum class Kind { Controller, Cell, View, ExactClass };

// (name, kind) for each string literal handed to the loader or the registry.
std::set<std::pair<std::string, Kind>> namesAskedFor()
{
    const std::pair<const char*, Kind> patterns[] = {
        { R"re(QVControllerLoader::(?:load|loadWithParams)\(\s*"(\w+)\")re", Kind::Controller },
        { R"re(QVControllerLoader::loadCell\(\s*"(\w+)\")re", Kind::Cell },
        // A list's resource-to-cell map; lower-case names are resource names of the services.
        { R"re(addResource<[^>]+>\(\s*"([A-Z]\w*)"\))re", Kind::Cell },
        { R"re(getTableHeaderControllerName\(\)[^{]*\{\s*return std::string\("(\w+)"\))re", Kind::Controller },
        { R"re(bannerCellControllerName\(\)[^{]*\{\s*return (?:std::string\()?"(\w+)\")re", Kind::Cell },
        { R"re(getViewClass\("(\w+)"\))re", Kind::View },
        { R"re(QVClassRegistry::create\("(\w+)"\))re", Kind::ExactClass },
    };
    std::set<std::pair<std::string, Kind>> names;
    for (const auto& [file, text] : dashboard_testing::clientSources()) {
        for (const auto& [pattern, kind] : patterns) {
            const std::regex re(pattern);
            for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
                names.emplace((*it)[1].str(), kind);
        }
    }
    return names;
}

class LoadedNamesTest : public dashboard_testing::DashboardTest { };

TEST_F(LoadedNamesTest, EveryNameTheClientAsksForCanBeMade)
{
    const auto names = namesAskedFor();
    // The scan itself works: the client asks for many screens and cells.
    ASSERT_GT(names.size(), 50u);
    for (const auto& [name, kind] : names) {
        switch (kind) {
        case Kind::Controller:
            EXPECT_TRUE(QVControllerLoader::load(name)) << "screen \"" << name << "\"";
            break;
        case Kind::Cell:
            EXPECT_TRUE(QVControllerLoader::loadCell(name)) << "cell \"" << name << "\"";
            break;
        case Kind::View: {
            auto cls = QVControllerLoader::getViewClass(name);
            ASSERT_TRUE(cls) << "view \"" << name << "\"";
            EXPECT_TRUE(dynamic_cast<platform::ui::View*>(QVClassRegistry::create(*cls).get())) << *cls;
            break;
        }
        case Kind::ExactClass:
            EXPECT_TRUE(QVClassRegistry::create(name)) << "class " << name;
            break;
        }
    }
}

} // namespace
