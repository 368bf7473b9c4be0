// Interface layouts: a registered layout builds a controller's view with
// file-built defaults, outlets and actions connected before awakeFromNib.
#include "UiTestSupport.h"

#include "platform/ui/InterfaceRegistry.h"

using namespace platform;
using namespace platform::ui;
using ui_test::UiTest;

namespace {

class ErrorScreen : public ViewController {
public:
    static Ref<ErrorScreen> make(const std::string& nib)
    {
        auto s = adoptRef(new ErrorScreen);
        s->initWithNibName(nib);
        return s;
    }
    void offlinePressed() { ++offline; }
    void awakeFromNib() override { awakeSawOutlets = messageView != nullptr; }
    void viewDidLoad() override { ++loads; }
    int loads { 0 };
    Ref<Label> messageView;
    Ref<Button> offlineButton;
    int offline { 0 };
    bool awakeSawOutlets { false };
};

// A view class with its own file-built set-up.
class Badge : public View {
public:
    bool initWithCoder(const InterfaceCoder& coder) override
    {
        View::initWithCoder(coder);
        setUserInteractionEnabled(false);
        return true;
    }
    void awakeFromNib() override { awoken = true; }
    bool awoken { false };

protected:
    Badge() = default;
    friend class platform::ui::InterfaceBuilder;
};

// The screen's file holds the screen itself and its view, as a loader expects.
void registerErrorLayout()
{
    InterfaceRegistry::shared().registerLayout("DeadEndErrorControllerQv", [](InterfaceBuilder& b) {
        auto screen = b.makeController<ErrorScreen>();
        auto root = b.makeView<View>(Rect(0, 0, 320, 192));
        auto label = b.makeView<Label>(Rect(20, 20, 280, 60));
        auto button = b.makeButton(Button::Type::RoundedRect, Rect(20, 100, 280, 40));
        button->setTitle("Go Offline", StateNormal);
        auto badge = b.makeView<Badge>(Rect(0, 0, 29, 29));
        badge->setTag(101);
        root->addSubview(label.get());
        root->addSubview(button.get());
        root->addSubview(badge.get());
        screen->setView(root.get());
        screen->messageView = label;
        screen->offlineButton = button;
        button->addTarget(screen.get(), BRISKO_SELECTOR(ErrorScreen, offlinePressed), TouchUpInside);
        return std::vector<Ref<Object>> { screen };
    });
}

// A view file whose owner is an existing screen: the owner's outlets are set.
void registerOwnedLayout()
{
    InterfaceRegistry::shared().registerLayout("PlainControllerQv", [](InterfaceBuilder& b) {
        auto root = b.makeView<View>(Rect(0, 0, 100, 100));
        auto label = b.makeView<Label>(Rect(0, 0, 100, 20));
        root->addSubview(label.get());
        if (auto* owner = b.ownerAs<ErrorScreen>()) {
            owner->setView(root.get());
            owner->messageView = label;
        }
        return std::vector<Ref<Object>> { root };
    });
}

} // namespace

TEST_F(UiTest, RegisteredLayoutBuildsIntoItsOwner)
{
    InterfaceRegistry::shared().clear();
    registerErrorLayout();
    EXPECT_TRUE(InterfaceRegistry::shared().has("DeadEndErrorControllerQv"));
    EXPECT_FALSE(InterfaceRegistry::shared().has("DeadEndErrorControllerIPadQv"));

    auto top = InterfaceRegistry::shared().build("DeadEndErrorControllerQv", nullptr);
    ASSERT_TRUE(top.has_value());
    ASSERT_EQ(top->size(), 1u);
    Ref<ErrorScreen> screen = dynamic_cast<ErrorScreen*>(top->front().get());
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->isBuiltFromInterface());
    EXPECT_TRUE(screen->isViewLoaded());
    View* v = screen->view();
    EXPECT_EQ(screen->loads, 1); // the view came from the file, and still counts as loaded
    screen->view();
    EXPECT_EQ(screen->loads, 1);
    ASSERT_NE(screen->messageView, nullptr);
    EXPECT_EQ(v->frame(), Rect(0, 0, 320, 192));
    EXPECT_TRUE(screen->awakeSawOutlets);
    EXPECT_EQ(screen->messageView->superview(), v);

    // File-built defaults: a label without background, a view with white.
    EXPECT_TRUE(screen->messageView->isBuiltFromInterface());
    EXPECT_FALSE(screen->messageView->backgroundColor().has_value());
    EXPECT_EQ(v->backgroundColor(), Color::whiteColor());
    auto* badge = static_cast<Badge*>(v->viewWithTag(101));
    ASSERT_NE(badge, nullptr);
    EXPECT_TRUE(badge->awoken);
    EXPECT_FALSE(badge->isUserInteractionEnabled());

    // The connected action works through a real tap.
    TestDriver driver;
    driver.showController(screen.get());
    EXPECT_TRUE(driver.tap(screen->offlineButton.get()));
    EXPECT_EQ(screen->offline, 1);
    InterfaceRegistry::shared().clear();
}

TEST_F(UiTest, UnknownLayoutBuildsNothing)
{
    InterfaceRegistry::shared().clear();
    EXPECT_FALSE(InterfaceRegistry::shared().build("LeaderboardControllerQv", nullptr).has_value());
    // A controller whose nib is missing still gets a plain view and says why.
    auto screen = ViewController::withNibName("MissingControllerQv");
    EXPECT_NE(screen->view(), nullptr);
    EXPECT_EQ(log.count(LogLevel::Error), 1u);

    // A screen made in code takes its view from a layout it owns; the owner
    // itself is not sent awakeFromNib (the file did not make it).
    registerOwnedLayout();
    auto owned = ErrorScreen::make("PlainControllerQv");
    EXPECT_EQ(owned->view()->frame(), Rect(0, 0, 100, 100));
    ASSERT_NE(owned->messageView, nullptr);
    EXPECT_EQ(owned->messageView->superview(), owned->view());
    EXPECT_FALSE(owned->awakeSawOutlets);
    InterfaceRegistry::shared().clear();
}
