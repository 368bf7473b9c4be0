// Screens, views and cells by name: layout names per device and orientation,
// the class fallback and a class of the wrong kind, overriding prefix and
// suffix, parameters by setter name and setters a screen must take, tablet
// cell heights and the resource-to-cell map.
#include "ScreenTestKit.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/InterfaceRegistry.h"
#include "support/Assertions.h"
#include "support/ClassRegistryOverride.h"
#include "platform/ui/Label.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVViewController.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Ref;

namespace loader_tests {

// A screen made by class, with two setters the loader can reach by name.
class QVProbeController : public QVViewController {
    QV_DECLARE_CLASS(QVProbeController)
public:
    std::string userId;
    std::string x;
    bool performSetter(const std::string& setter, platform::Object* value) override
    {
        auto* boxed = dynamic_cast<platform::Boxed*>(value);
        std::string text = boxed ? boxed->value().asString() : std::string();
        if (setter == "setUserId")
            userId = text;
        else if (setter == "setX")
            x = text;
        else
            return QVViewController::performSetter(setter, value);
        return true;
    }
};
QV_REGISTER_CLASS(QVProbeController);

class QVWholeController : public QVViewController, public QVCustomLoader {
    QV_DECLARE_CLASS(QVWholeController)
public:
    QVLoaderParameters received;
    void customLoader(const QVLoaderParameters& p) override { received = p; }
};
QV_REGISTER_CLASS(QVWholeController);

// The game's own replacement class under its prefix.
class GMProbeController : public QVViewController {
    QV_DECLARE_CLASS(GMProbeController)
};
QV_REGISTER_CLASS(GMProbeController);

class QVProbeCell : public TableViewCell, public QVLoadableCell, public QVOwnedCell {
    QV_DECLARE_CLASS(QVProbeCell)
public:
    std::string name;
    platform::Object* owner { nullptr };
    bool initQVTableCellHelper(const std::string& cellName) override
    {
        name = cellName;
        return initWithStyle(TableViewCellStyle::Default, cellName);
    }
    void setOwner(platform::Object* o) override { owner = o; }
};
QV_REGISTER_CLASS(QVProbeCell);

// A kit row laid out in code for 44 points: a title (one that already kept to the middle of a
// taller row by its margins) and a value at the right.
class QVRowProbeCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVRowProbeCell)
public:
    Ref<Label> title, value;
    bool initQVTableCellHelper(const std::string& cellName) override
    {
        if (!QVTableCellHelper::initQVTableCellHelper(cellName))
            return false;
        setFrame(platform::Rect(0, 0, 320, 44));
        title = Label::labelWithFrame(platform::Rect(10, 11, 200, 22));
        title->setAutoresizingMask(FlexibleTopMargin | FlexibleBottomMargin);
        value = Label::labelWithFrame(platform::Rect(230, 12, 80, 20));
        contentView()->addSubview(title.get());
        contentView()->addSubview(value.get());
        return true;
    }
    // As a cell that sizes itself to what it shows does on every fill.
    void fill(float height) { setHeightForContent(height); }
};
QV_REGISTER_CLASS(QVRowProbeCell);

class TestResource : public platform::Object { };
// Registered under a screen's and a cell's name, yet neither.
class Stray : public platform::Object { };
class TestSubResource : public TestResource { };
class OtherResource : public platform::Object { };

// A controller from a layout, labelled by its title with the layout's name.
void registerControllerLayout(const std::string& name)
{
    InterfaceRegistry::shared().registerLayout(name, [name](InterfaceBuilder& b) {
        auto c = b.makeController<ViewController>();
        c->setTitle(name);
        return std::vector<Ref<platform::Object>> { c };
    });
}

void registerCellLayout(const std::string& name, float height)
{
    InterfaceRegistry::shared().registerLayout(name, [name, height](InterfaceBuilder& b) {
        auto cell = b.makeView<TableViewCell>(platform::Rect(0, 0, 320, height));
        cell->setTag(static_cast<int>(height));
        return std::vector<Ref<platform::Object>> { cell };
    });
}

void registerViewLayout(const std::string& name)
{
    InterfaceRegistry::shared().registerLayout(name, [name](InterfaceBuilder& b) {
        // A label first: a layout's objects of other kinds are passed over.
        auto c = b.makeController<ViewController>();
        auto v = b.makeView<Label>(platform::Rect(0, 0, 10, 10));
        v->setText(name);
        return std::vector<Ref<platform::Object>> { c, v };
    });
}

class ControllerLoaderTest : public screen_testing::ScreenTest {
protected:
    void TearDown() override
    {
        for (auto& name : registered)
            InterfaceRegistry::shared().unregisterLayout(name);
        ScreenTest::TearDown();
    }
    void controllers(std::initializer_list<const char*> names)
    {
        for (const char* n : names) {
            registerControllerLayout(n);
            registered.push_back(n);
        }
    }
    std::string loadedTitle(const std::string& name)
    {
        auto c = QVControllerLoader::load(name);
        if (!c)
            return "nil";
        if (!c->title().empty())
            return c->title();
        return c->className();
    }
    std::vector<std::string> registered;
};

TEST_F(ControllerLoaderTest, PhoneInPortraitTriesThePlainLayoutThenTheClass)
{
    controllers({ "ProbeControllerLandscapeQv", "ProbeControllerIPadQv" });
    EXPECT_EQ(loadedTitle("Probe"), "QVProbeController");
    controllers({ "ProbeControllerQv" });
    EXPECT_EQ(loadedTitle("Probe"), "ProbeControllerQv");
    EXPECT_EQ(loadedTitle("NoSuchScreen"), "nil");
}

TEST_F(ControllerLoaderTest, LandscapePhoneAndTabletTryTheirOwnLayoutsFirst)
{
    controllers({ "ProbeControllerQv", "ProbeControllerLandscapeQv", "ProbeControllerIPadQv" });
    host().orientation = InterfaceOrientation::LandscapeRight;
    EXPECT_EQ(loadedTitle("Probe"), "ProbeControllerLandscapeQv");
    useDevice(Device::Tablet);
    host().orientation = InterfaceOrientation::Portrait;
    EXPECT_EQ(loadedTitle("Probe"), "ProbeControllerIPadQv");
    // A tablet counts as landscape, yet for screens only its own layout comes before the plain one.
    InterfaceRegistry::shared().unregisterLayout("ProbeControllerIPadQv");
    EXPECT_EQ(loadedTitle("Probe"), "ProbeControllerQv");
}

TEST_F(ControllerLoaderTest, LayoutWithoutAScreenCountsAsMissing)
{
    InterfaceRegistry::shared().registerLayout("ProbeControllerQv", [](InterfaceBuilder& b) {
        return std::vector<Ref<platform::Object>> { b.makeView<View>(platform::Rect()) };
    });
    registered.push_back("ProbeControllerQv");
    EXPECT_EQ(loadedTitle("Probe"), "QVProbeController");
}

TEST_F(ControllerLoaderTest, OverridesApplyOnlyWhenBothPrefixAndSuffixAreSet)
{
    controllers({ "ProbeControllerGm" });
    QVControllerLoader::setClassNamePrefix("GM");
    EXPECT_EQ(loadedTitle("Probe"), "QVProbeController");
    // The class lookups still try the overriding prefix first.
    EXPECT_EQ(QVControllerLoader::getControllerClass("Probe"), "GMProbeController");
    EXPECT_EQ(QVControllerLoader::getControllerClass("Whole"), "QVWholeController");
    EXPECT_EQ(QVControllerLoader::getControllerClass("Nothing"), std::nullopt);
    EXPECT_EQ(QVControllerLoader::getViewClass("Ticker"), "QVTickerView");

    QVControllerLoader::setAssetFileSuffix("Gm");
    EXPECT_EQ(loadedTitle("Probe"), "ProbeControllerGm");
    InterfaceRegistry::shared().unregisterLayout("ProbeControllerGm");
    EXPECT_EQ(loadedTitle("Probe"), "GMProbeController");
    // The defaults remain behind the overrides.
    EXPECT_EQ(loadedTitle("Whole"), "QVWholeController");
}

TEST_F(ControllerLoaderTest, ParametersGoToSettersByNameAndUnknownKeysAreLogged)
{
    auto c = QVControllerLoader::loadWithParams("Probe", {
        { "userId", platform::Boxed::box("u-17") },
        { "x", platform::Boxed::number(3) },
        { "colour", platform::Boxed::number(5) },
    });
    auto* probe = dynamic_cast<QVProbeController*>(c.get());
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->userId, "u-17");
    EXPECT_EQ(probe->x, "3");
    EXPECT_TRUE(log.contains("ControllerLoader received unknown key colour = 5"));

    auto whole = QVControllerLoader::loadWithParams("Whole", { { "userId", platform::Boxed::box("u") } });
    ASSERT_TRUE(dynamic_cast<QVWholeController*>(whole.get()));
    EXPECT_EQ(dynamic_cast<QVWholeController*>(whole.get())->received.size(), 1u);
    EXPECT_FALSE(log.contains("unknown key userId"));
    EXPECT_FALSE(QVControllerLoader::loadWithParams("NoSuchScreen", { { "a", nullptr } }));
}

TEST_F(ControllerLoaderTest, AClassUnderAScreenOrCellNameOfAnotherKindFailsLoudly)
{
    auto notAScreen = [] { return Ref<platform::Object>(platform::makeRef<Stray>().get()); };
    testing_support::ClassRegistryOverride screen("QVStrayController", notAScreen);
    testing_support::ClassRegistryOverride cell("QVStrayCell", notAScreen);
    EXPECT_ASSERTION(QVControllerLoader::load("Stray"), "social/ui/QVControllerLoader",
                     "A class registered as a screen must be a view controller (found Stray)");
    EXPECT_ASSERTION(QVControllerLoader::loadCell("Stray"), "social/ui/QVControllerLoader",
                     "A class registered as a cell must be a table cell (found Stray)");
}

TEST_F(ControllerLoaderTest, ASetterTheScreenMustTakeFailsAtTheCallerWhenRefused)
{
    auto c = QVControllerLoader::load("Probe");
    QVRequireSetter(c.get(), "setUserId", platform::Boxed::box("u-17").get());
    EXPECT_EQ(dynamic_cast<QVProbeController*>(c.get())->userId, "u-17");
    const char* file = "tests/social/ui/QVControllerLoaderTests";
    EXPECT_ASSERTION(QVRequireSetter(c.get(), "setColour", nullptr), file, "QVProbeController does not take setColour");
    auto plain = ViewController::controller();
    EXPECT_ASSERTION(QVRequireSetter(plain.get(), "setUserId", nullptr), file,
                     "A screen sent setUserId must take setters by name (found " + plain->className() + ")");
}

TEST_F(ControllerLoaderTest, CellsByLayoutOrClassAndTabletCellsAreAtLeast60High)
{
    registerCellLayout("ShortCellQv", 44);
    registerCellLayout("TallCellQv", 70);
    registered = { "ShortCellQv", "TallCellQv" };
    auto owner = platform::Boxed::number(1);

    EXPECT_EQ(QVControllerLoader::loadCell("Short")->frame().size.height, 44);
    auto made = QVControllerLoader::loadCell("Probe", owner.get());
    auto* probe = dynamic_cast<QVProbeCell*>(made.get());
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->name, "Probe");
    EXPECT_EQ(probe->reuseIdentifier(), "Probe");
    EXPECT_EQ(probe->owner, owner.get());

    useDevice(Device::Tablet);
    auto shortCell = QVControllerLoader::loadCell("Short");
    EXPECT_EQ(shortCell->frame(), platform::Rect(0, 0, 320, 60));
    EXPECT_EQ(QVControllerLoader::loadCell("Tall")->frame().size.height, 70);
    registerCellLayout("ShortIPadCellQv", 30);
    registered.push_back("ShortIPadCellQv");
    EXPECT_EQ(QVControllerLoader::loadCell("Short")->tag(), 30);
    EXPECT_FALSE(QVControllerLoader::loadCell("Nothing"));
}

// The tablet's taller rows keep what a row shows together in their middle, whatever the views'
// own margins; a row that sizes itself goes on from the height it was laid out for.
TEST_F(ControllerLoaderTest, ATabletKeepsAKitRowsContentInTheMiddleOfItsTallerRow)
{
    auto midY = [](View* part, View* row) { return part->convertRectTo(part->bounds(), row).midY(); };
    auto phone = dynamicRef<QVRowProbeCell>(QVControllerLoader::loadCell("RowProbe"));
    ASSERT_TRUE(phone);
    EXPECT_EQ(phone->stretchOffset(), 0);
    EXPECT_EQ(midY(phone->value.get(), phone.get()), 22);

    useDevice(Device::Tablet);
    auto row = dynamicRef<QVRowProbeCell>(QVControllerLoader::loadCell("RowProbe"));
    ASSERT_TRUE(row);
    row->setFrame(platform::Rect(0, 0, 308, 60)); // the list's width and the row's height
    row->layoutIfNeeded();
    EXPECT_EQ(row->frame().size.height, 60);
    EXPECT_EQ(midY(row->title.get(), row.get()), 30);
    EXPECT_EQ(midY(row->value.get(), row.get()), 30);
    EXPECT_EQ(row->contentLayoutHeight(), 44);

    // Filled again and again at the height it was laid out for: still 60, nothing drifts.
    for (int i = 0; i < 3; ++i) {
        row->fill(44);
        row->setFrame(platform::Rect(0, 0, 308, row->frame().size.height));
        row->layoutIfNeeded();
    }
    EXPECT_EQ(row->frame().size.height, 60);
    EXPECT_EQ(midY(row->title.get(), row.get()), 30);
    EXPECT_EQ(midY(row->value.get(), row.get()), 30);

    // Sized for a long text, the row is laid out from its top as on a phone.
    row->fill(80);
    row->layoutIfNeeded();
    EXPECT_EQ(row->stretchOffset(), 0);
    EXPECT_EQ(row->value->convertRectTo(row->value->bounds(), row.get()).minY(), 12);
}

TEST_F(ControllerLoaderTest, ViewsUseTheOverridingSuffixAloneAndTabletsTryBothVariants)
{
    for (const char* n : { "PanelQv", "PanelLandscapeQv", "PanelGm" }) {
        registerViewLayout(n);
        registered.push_back(n);
    }
    auto text = [](const Ref<View>& v) { return v ? dynamic_cast<Label*>(v.get())->text() : std::string("nil"); };
    EXPECT_EQ(text(QVControllerLoader::loadView("Panel")), "PanelQv");
    QVControllerLoader::setAssetFileSuffix("Gm");
    EXPECT_EQ(text(QVControllerLoader::loadView("Panel")), "PanelGm");
    QVControllerLoader::setAssetFileSuffix(std::nullopt);
    useDevice(Device::Tablet);
    EXPECT_EQ(text(QVControllerLoader::loadView("Panel")), "PanelLandscapeQv");
    EXPECT_EQ(text(QVControllerLoader::loadView("Missing")), "nil");
}

TEST(ResourceControllerMapTest, MatchesTheExactClassOnly)
{
    auto map = QVResourceControllerMap::create();
    map->addResource<TestResource>("Resource");
    map->addResource<TestResource>("Later");
    map->addResource<OtherResource>("Other");
    TestResource resource;
    TestSubResource sub;
    EXPECT_EQ(map->getControllerName(resource), "Resource");
    EXPECT_EQ(map->getControllerName(sub), std::nullopt);
    EXPECT_EQ(map->getControllerName(std::type_index(typeid(OtherResource))), "Other");
}

} // namespace loader_tests
