// Menus and menu items: the four layouts with their integer arithmetic and
// assertions, touches played on the GL view (selection, activation, passing
// on, swallowing), the items' callbacks and their selected and disabled looks,
// and the toggle's cycling.
#include "DirectorTestSupport.h"

#include "engine/KSActionManager.h"
#include "engine/KSLabelAtlas.h"
#include "engine/KSLabelTTF.h"
#include "engine/KSMenu.h"
#include "engine/KSSprite.h"
#include "engine/platform/KSTouchDispatcher.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Weak.h"

#include <string>
#include <vector>

using namespace kestrel;
using namespace director_test;
using platform::Ref;
using platform::ui::TouchInjector;

namespace {

class Receiver : public platform::Object {
public:
    void plain() { calls.push_back("plain"); }
    void withSender(KSMenuItem* sender)
    {
        calls.push_back("sender");
        senders.push_back(sender);
        if (auto* toggle = dynamic_cast<KSMenuItemToggle*>(sender))
            indexes.push_back(toggle->selectedIndex());
    }
    std::vector<std::string> calls;
    std::vector<KSMenuItem*> senders;
    std::vector<uint32_t> indexes;
};

// Claims every touch that reaches it (priority 0, after menus).
class Catcher : public platform::Object, public KSTargetedTouchDelegate {
public:
    bool ksTouchBegan(ActiveTouch*, Event*) override
    {
        ++began;
        return true;
    }
    int began { 0 };
};

Ref<KSMenuItem> box(Receiver* r, float w, float h)
{
    auto item = KSMenuItem::itemWithTarget(r, BRISKO_SELECTOR(Receiver, withSender));
    item->setContentSize({ w, h });
    return item;
}

std::string assertionOf(const std::function<void()>& f) { return testing_support::describeRaised(f); }

class MenuTest : public DirectorTest {
protected:
    void SetUp() override
    {
        DirectorTest::SetUp();
        receiver = platform::adoptRef(new Receiver);
        directorWithView();
    }
    void TearDown() override
    {
        KSMenuItemFont::setFontName("Marker Felt");
        KSMenuItemFont::setFontSize(32);
        DirectorTest::TearDown();
    }

    // Runs the menu in a scene on the 320 x 480 view of the director made by
    // SetUp; the status bar leaves the menu's origin at (160, 230), which is
    // (160, 250) in view coordinates.
    KSDirectorIOS* show(KSMenu* menu)
    {
        KSDirectorIOS* d = static_cast<KSDirectorIOS*>(KSDirector::sharedDirector());
        auto scene = KSScene::node();
        scene->addChild(menu);
        d->runWithScene(scene.get());
        advance(1.0 / 60);
        return d;
    }
    // A view point at an offset (in GL orientation) from the menu's origin.
    static platform::Point at(float dx, float dy) { return { 160 + dx, 250 - dy }; }

    Ref<Receiver> receiver;
};

} // namespace

// Layouts ------------------------------------------------------------------------------

TEST_F(MenuTest, ColumnAndRowLayoutsCentreOnTheOrigin)
{
    auto a = box(receiver.get(), 40, 20), b = box(receiver.get(), 60, 20), c = box(receiver.get(), 20, 20);
    auto menu = KSMenu::menuWithItems({ a.get(), b.get(), c.get() });
    menu->alignItemsVertically();
    EXPECT_EQ(a->position(), Point(0, 25));
    EXPECT_EQ(b->position(), Point(0, 0));
    EXPECT_EQ(c->position(), Point(0, -25));

    menu->alignItemsHorizontally();
    EXPECT_EQ(a->position(), Point(-45, 0));
    EXPECT_EQ(b->position(), Point(10, 0));
    EXPECT_EQ(c->position(), Point(55, 0));

    b->setScale(2);
    menu->alignItemsVerticallyWithPadding(0);
    EXPECT_EQ(a->position(), Point(0, 30)) << "scaled heights count";
    EXPECT_EQ(b->position(), Point(0, 0));
}

TEST_F(MenuTest, GridsUseTheDocumentedIntegerArithmetic)
{
    KSDirector::sharedDirector()->setWinSizeInPixels({ 480, 320 });
    auto a = box(receiver.get(), 40, 30), b = box(receiver.get(), 40, 30), c = box(receiver.get(), 40, 30);
    auto menu = KSMenu::menuWithItems({ a.get(), b.get(), c.get() });
    menu->alignItemsInColumns({ 2, 1 });
    EXPECT_EQ(a->position(), Point(-80, 17));
    EXPECT_EQ(b->position(), Point(90, 17));
    EXPECT_EQ(c->position(), Point(0, -18));

    // Columns of 2 and 1 items of 40 x 30 on 480 x 320: heights 65 and 30, widths 40.
    menu->alignItemsInRows({ 2, 1 });
    EXPECT_EQ(a->position(), Point(-25, 32.5f));
    EXPECT_EQ(b->position(), Point(-25, -7.5f));
    EXPECT_EQ(c->position(), Point(20, 15));
}

TEST_F(MenuTest, GridsRefuseCountsThatDoNotMatchTheItems)
{
    std::vector<Ref<KSMenuItem>> items;
    for (int i = 0; i < 6; ++i)
        items.push_back(box(receiver.get(), 10, 10));
    auto two = KSMenu::menuWithItems({ items[0].get(), items[1].get() });
    auto four = KSMenu::menuWithItems({ items[2].get(), items[3].get(), items[4].get(), items[5].get() });
    EXPECT_EQ(assertionOf([&] { two->alignItemsInColumns({ 3 }); }),
              "engine/KSMenu: Too many rows/columns for available menu items.");
    EXPECT_EQ(assertionOf([&] { four->alignItemsInColumns({ 3 }); }),
              "engine/KSMenu: Too many menu items for the amount of rows/columns.");
    EXPECT_EQ(assertionOf([&] { two->alignItemsInColumns({ 0 }); }),
              "engine/KSMenu: Can't have zero columns on a row");
    EXPECT_EQ(assertionOf([&] { two->alignItemsInRows({ 1, 0 }); }),
              "engine/KSMenu: Can't have zero rows on a column");
    EXPECT_EQ(assertionOf([&] { four->alignItemsInRows({ 3 }); }),
              "engine/KSMenu: Too many menu items for the amount of rows/columns.");
    EXPECT_EQ(assertionOf([&] { two->alignItemsInRows({ 3 }); }),
              "engine/KSMenu: Too many rows/columns for available menu items.");
}

TEST_F(MenuTest, OnlyItemsAreChildrenAndPlainInitIsRefused)
{
    auto menu = KSMenu::menuWithItems({});
    EXPECT_EQ(assertionOf([&] { menu->addChild(KSNode::node().get()); }),
              "engine/KSMenu: Menu only supports MenuItem objects as children");
    EXPECT_EQ(assertionOf([&] { menu->init(); }), "engine/KSMenu: KSMenu: Init not supported.");
    EXPECT_EQ(assertionOf([&] { menu->ksTouchEnded(nullptr, nullptr); }),
              "engine/KSMenu: [Menu ksTouchEnded] -- invalid state");
    EXPECT_EQ(assertionOf([&] { menu->ksTouchMoved(nullptr, nullptr); }),
              "engine/KSMenu: [Menu ksTouchMoved] -- invalid state");
    EXPECT_EQ(assertionOf([&] { menu->ksTouchCancelled(nullptr, nullptr); }),
              "engine/KSMenu: [Menu ksTouchCancelled] -- invalid state");
}

// Touches ------------------------------------------------------------------------------

TEST_F(MenuTest, TapOnAnItemActivatesItWithTheItemAsSender)
{
    auto item = box(receiver.get(), 100, 40);
    auto menu = KSMenu::menuWithItems({ item.get() });
    KSDirectorIOS* d = show(menu.get());
    ASSERT_EQ(KSTouchDispatcher::sharedDispatcher()->targetedHandlers().size(), 1u);
    EXPECT_EQ(KSTouchDispatcher::sharedDispatcher()->targetedHandlers()[0]->priority(), -128);

    auto touch = TouchInjector::begin(d->openGLView(), at(45, 15));
    EXPECT_TRUE(item->isSelected());
    EXPECT_EQ(menu->state(), kKSMenuStateTrackingTouch);
    EXPECT_TRUE(receiver->calls.empty());
    TouchInjector::end(touch.get());
    EXPECT_FALSE(item->isSelected());
    EXPECT_EQ(menu->state(), kKSMenuStateWaiting);
    ASSERT_EQ(receiver->calls, std::vector<std::string>({ "sender" }));
    EXPECT_EQ(receiver->senders[0], item.get());

    // Just past the right edge (x = 50 is outside 0 <= x < width): nothing.
    TouchInjector::tap(d->openGLView(), at(50, 0));
    EXPECT_EQ(receiver->calls.size(), 1u);
}

TEST_F(MenuTest, TouchesOutsideEveryItemPassOnAndAcceptedOnesAreSwallowed)
{
    auto item = box(receiver.get(), 100, 40);
    auto menu = KSMenu::menuWithItems({ item.get() });
    KSDirectorIOS* d = show(menu.get());
    auto catcher = platform::adoptRef(new Catcher);
    KSTouchDispatcher::sharedDispatcher()->addTargetedDelegate(catcher.get(), 0, true);

    TouchInjector::tap(d->openGLView(), at(0, 100));
    EXPECT_EQ(catcher->began, 1);
    EXPECT_TRUE(receiver->calls.empty());
    TouchInjector::tap(d->openGLView(), at(0, 0));
    EXPECT_EQ(catcher->began, 1) << "the menu swallowed the touch it accepted";
    EXPECT_EQ(receiver->calls.size(), 1u);

    menu->setVisible(false);
    TouchInjector::tap(d->openGLView(), at(0, 0));
    EXPECT_EQ(catcher->began, 2) << "an invisible menu refuses touches";
    EXPECT_EQ(receiver->calls.size(), 1u);
}

TEST_F(MenuTest, DisabledAndInvisibleItemsAreNeverHitAndTheFirstAddedWins)
{
    auto hidden = box(receiver.get(), 100, 40);
    auto disabled = box(receiver.get(), 100, 40);
    auto first = box(receiver.get(), 100, 40);
    auto second = box(receiver.get(), 100, 40);
    hidden->setVisible(false);
    disabled->setIsEnabled(false);
    auto menu = KSMenu::menuWithItems({ hidden.get(), disabled.get(), first.get(), second.get() });
    KSDirectorIOS* d = show(menu.get());
    TouchInjector::tap(d->openGLView(), at(0, 0));
    ASSERT_EQ(receiver->senders.size(), 1u);
    EXPECT_EQ(receiver->senders[0], first.get());
}

TEST_F(MenuTest, TheItemUnderTheFingerAtTheEndIsActivated)
{
    auto top = box(receiver.get(), 100, 40);
    auto bottom = box(receiver.get(), 100, 40);
    auto menu = KSMenu::menuWithItems({ top.get(), bottom.get() });
    menu->alignItemsVertically();
    KSDirectorIOS* d = show(menu.get());

    auto touch = TouchInjector::begin(d->openGLView(), at(0, 22.5f));
    EXPECT_TRUE(top->isSelected());
    TouchInjector::move(touch.get(), at(0, 200));
    EXPECT_FALSE(top->isSelected());
    EXPECT_EQ(menu->selectedItem(), nullptr);
    TouchInjector::move(touch.get(), at(0, -22.5f));
    EXPECT_TRUE(bottom->isSelected());
    // A second finger is refused while one is tracked.
    auto other = TouchInjector::begin(d->openGLView(), at(0, 22.5f));
    EXPECT_FALSE(top->isSelected());
    TouchInjector::end(other.get());
    TouchInjector::end(touch.get());
    ASSERT_EQ(receiver->senders.size(), 1u);
    EXPECT_EQ(receiver->senders[0], bottom.get());

    // Cancelled: unselected, not activated.
    touch = TouchInjector::begin(d->openGLView(), at(0, 22.5f));
    TouchInjector::cancel(touch.get());
    EXPECT_FALSE(top->isSelected());
    EXPECT_EQ(receiver->senders.size(), 1u);
}

TEST_F(MenuTest, LeavingTheStageUnselectsTheTrackedItem)
{
    auto item = box(receiver.get(), 100, 40);
    auto menu = KSMenu::menuWithItems({ item.get() });
    KSDirectorIOS* d = show(menu.get());
    auto touch = TouchInjector::begin(d->openGLView(), at(0, 0));
    ASSERT_TRUE(item->isSelected());
    menu->removeFromParentAndCleanup(true);
    EXPECT_FALSE(item->isSelected());
    EXPECT_EQ(menu->state(), kKSMenuStateWaiting);
    EXPECT_TRUE(KSTouchDispatcher::sharedDispatcher()->targetedHandlers().empty());
}

TEST_F(MenuTest, AnItemRemovedWhileTrackedIsForgotten)
{
    auto item = box(receiver.get(), 100, 40);
    auto menu = KSMenu::menuWithItems({ item.get() });
    KSDirectorIOS* d = show(menu.get());
    auto touch = TouchInjector::begin(d->openGLView(), at(0, 0));
    menu->removeChild(item.get(), true);
    item = nullptr;
    TouchInjector::end(touch.get());
    EXPECT_TRUE(receiver->calls.empty());
}

// Items --------------------------------------------------------------------------------

TEST_F(MenuTest, CallbacksTakeTheSenderOrNothingAndNilTargetsDoNothing)
{
    auto plain = KSMenuItem::itemWithTarget(receiver.get(), BRISKO_SELECTOR(Receiver, plain));
    plain->activate();
    EXPECT_EQ(receiver->calls, std::vector<std::string>({ "plain" }));

    KSMenuItem* seen = nullptr;
    auto block = KSMenuItem::itemWithBlock([&](KSMenuItem* sender) { seen = sender; });
    block->activate();
    EXPECT_EQ(seen, block.get());
    seen = nullptr;
    block->setIsEnabled(false);
    block->activate();
    EXPECT_EQ(seen, nullptr) << "a disabled item runs no callback";

    auto none = KSMenuItem::itemWithTarget(nullptr, BRISKO_SELECTOR(Receiver, plain));
    none->activate();
    auto noSelector = KSMenuItem::itemWithTarget(receiver.get(), nullptr);
    noSelector->activate();
    EXPECT_EQ(receiver->calls.size(), 1u);

    EXPECT_EQ(assertionOf([&] { plain->init(); }), "engine/KSMenuItem: MenuItemInit: Init not supported.");
    plain->setPosition({ 10, 20 });
    plain->setContentSize({ 30, 40 });
    EXPECT_EQ(plain->rect(), Rect(-5, 0, 30, 40));
}

TEST_F(MenuTest, LabelItemsZoomWhileSelectedAndGreyOutWhileDisabled)
{
    KSMenuItemFont::setFontName("DejaVu Sans");
    auto item = KSMenuItemFont::itemFromString("Play", receiver.get(), BRISKO_SELECTOR(Receiver, plain));
    ASSERT_TRUE(item);
    auto* label = dynamic_cast<KSLabelTTF*>(item->label());
    ASSERT_TRUE(label);
    EXPECT_GT(item->contentSize().width, 0);
    EXPECT_EQ(item->contentSize(), label->contentSize());
    EXPECT_EQ(label->fontSize(), 32);

    KSScheduler* scheduler = KSScheduler::sharedScheduler();
    item->onEnter();
    item->selected();
    scheduler->tick(0.05f);
    scheduler->tick(0.1f);
    EXPECT_FLOAT_EQ(item->scale(), 1.2f);
    item->unselected();
    scheduler->tick(0.05f);
    scheduler->tick(0.1f);
    EXPECT_FLOAT_EQ(item->scale(), 1.0f);
    item->selected();
    scheduler->tick(0.05f);
    scheduler->tick(0.03f);
    EXPECT_GT(item->scale(), 1.0f);
    item->activate();
    EXPECT_FLOAT_EQ(item->scale(), 1.0f) << "activation cuts the zoom";
    EXPECT_EQ(receiver->calls.size(), 1u);

    item->unselected();
    item->setColor({ 10, 20, 30 });
    item->setIsEnabled(false);
    EXPECT_EQ(label->color(), ksColor3B({ 126, 126, 126 }));
    item->setColor({ 1, 2, 3 });
    item->setIsEnabled(false);
    EXPECT_EQ(label->color(), ksColor3B({ 1, 2, 3 })) << "the same value changes no colour";
    item->selected();
    EXPECT_FALSE(item->isSelected()) << "a disabled item does not react";
    item->setIsEnabled(true);
    EXPECT_EQ(label->color(), ksColor3B({ 10, 20, 30 }));
    item->onExit();
}

TEST_F(MenuTest, FontItemsTakeTheClassWideFontOfTheirMaking)
{
    // The default font is not installed here: the item is made over an
    // empty label, and a menu of it holds every item given.
    auto first = KSMenuItemFont::itemFromString("First");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->contentSize(), Size());
    auto last = KSMenuItemFont::itemFromString("Last");
    auto menu = KSMenu::menuWithItems({ first.get(), last.get() });
    EXPECT_EQ(menu->children()->count(), 2u);
    EXPECT_EQ(last->parent(), menu.get());

    KSMenuItemFont::setFontName("DejaVu Sans");
    auto big = KSMenuItemFont::itemFromString("Play");
    KSMenuItemFont::setFontSize(20);
    EXPECT_EQ(KSMenuItemFont::fontSize(), 20);
    auto small = KSMenuItemFont::itemFromString("Play");
    EXPECT_EQ(static_cast<KSLabelTTF*>(big->label())->fontSize(), 32) << "existing items keep their labels";
    EXPECT_EQ(static_cast<KSLabelTTF*>(small->label())->fontSize(), 20);
    EXPECT_LT(small->contentSize().height, big->contentSize().height);

    small->setString("Play again");
    EXPECT_GT(small->contentSize().width, big->contentSize().width * 0.9f);
    EXPECT_EQ(small->contentSize(), small->label()->contentSize());

    EXPECT_EQ(assertionOf([&] { (void)KSMenuItemFont::itemFromString(""); }),
              "engine/KSMenuItem: Value lenght must be greater than 0");
    EXPECT_EQ(assertionOf([&] { (void)KSMenuItemAtlasFont::itemFromString("", "fps_images.png", 16, 24, '.'); }),
              "engine/KSMenuItem: value lenght must be greater than 0");
}

TEST_F(MenuTest, AtlasFontItemsShowACharacterMap)
{
    installFPSImages();
    auto item = KSMenuItemAtlasFont::itemFromString("12", "fps_images.png", 16, 24, '.');
    ASSERT_TRUE(item);
    EXPECT_EQ(item->contentSize(), Size(32, 24));
    EXPECT_EQ(dynamic_cast<KSLabelAtlas*>(item->label())->string(), "12");
}

TEST_F(MenuTest, SpriteItemsSwapTheirImages)
{
    texture_test::writeSolidPNG(dir.file("n.png"), 8, 8, 0xff0000ff);
    texture_test::writeSolidPNG(dir.file("d.png"), 8, 8, 0x00ff00ff);
    auto item = KSMenuItemImage::itemFromNormalImage("n.png", "", "d.png");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->contentSize(), Size(8, 8));
    EXPECT_EQ(item->selectedImage(), nullptr);
    item->selected();
    EXPECT_TRUE(item->normalImage()->visible()) << "no selected image: the normal one stays";
    item->setIsEnabled(false);
    EXPECT_FALSE(item->normalImage()->visible());
    EXPECT_TRUE(item->disabledImage()->visible());
    item->setIsEnabled(true);
    EXPECT_TRUE(item->normalImage()->visible());
    EXPECT_FALSE(item->disabledImage()->visible());

    auto normal = KSSprite::spriteWithFile("n.png");
    auto selected = KSSprite::spriteWithFile("d.png");
    auto sprites = KSMenuItemSprite::itemFromNormalSprite(normal.get(), selected.get());
    sprites->selected();
    EXPECT_FALSE(normal->visible());
    EXPECT_TRUE(selected->visible());
    sprites->unselected();
    EXPECT_TRUE(normal->visible());
    EXPECT_FALSE(selected->visible());
    sprites->setOpacity(100);
    EXPECT_EQ(selected->opacity(), 100);
    EXPECT_EQ(sprites->opacity(), 100);

    EXPECT_FALSE(KSMenuItemImage::itemFromNormalImage("missing.png", "")) << "no normal image, no item";
}

// An item's images and label are its children only: once they leave (the item
// emptied, with clean-up or without, or one taken off), the item forgets them,
// its state changes touch nothing freed, and a new one takes the empty place.
TEST_F(MenuTest, ItemsForgetTheImagesAndLabelsThatLeaveThem)
{
    KSMenuItemFont::setFontName("DejaVu Sans");
    texture_test::writeSolidPNG(dir.file("n.png"), 8, 8, 0xff0000ff);
    texture_test::writeSolidPNG(dir.file("s.png"), 8, 8, 0x00ff00ff);
    auto first = [](KSMenuItem* item) {
        auto* label = dynamic_cast<KSMenuItemLabel*>(item);
        return label ? label->label() : static_cast<KSMenuItemSprite*>(item)->normalImage();
    };
    const std::pair<const char*, Ref<KSMenuItem> (*)()> items[] = {
        { "image item", [] { return Ref<KSMenuItem>(KSMenuItemImage::itemFromNormalImage("n.png", "s.png", "n.png")); } },
        { "font item", [] { return Ref<KSMenuItem>(KSMenuItemFont::itemFromString("Play")); } },
    };
    const std::pair<const char*, void (*)(KSMenuItem*, KSNode*)> ways[] = {
        { "emptied with clean-up", [](KSMenuItem* item, KSNode*) { item->removeAllChildrenWithCleanup(true); } },
        { "emptied without clean-up", [](KSMenuItem* item, KSNode*) { item->removeAllChildrenWithCleanup(false); } },
        { "first one removed", [](KSMenuItem* item, KSNode* shown) { item->removeChild(shown, true); } },
    };
    for (const auto& [kind, make] : items) {
        for (const auto& [way, leave] : ways) {
            SCOPED_TRACE(std::string(kind) + ", " + way);
            Ref<KSMenuItem> item = make();
            item->onEnter();
            platform::Weak<KSNode> shown(first(item.get()));
            leave(item.get(), first(item.get()));
            EXPECT_TRUE(shown.expired());
            EXPECT_EQ(first(item.get()), nullptr);
            item->selected();
            item->unselected();
            item->setIsEnabled(false);
            item->setIsEnabled(true);
            dynamic_cast<KSRGBAProtocol*>(item.get())->setColor({ 1, 2, 3 });
            item->activate();
            item->visit();

            auto* label = dynamic_cast<KSMenuItemLabel*>(item.get());
            Ref<KSNode> fresh = label ? Ref<KSNode>(KSLabelTTF::labelWithString("Again", "DejaVu Sans", 20))
                                      : Ref<KSNode>(KSSprite::spriteWithFile("s.png"));
            if (label)
                label->setLabel(fresh.get());
            else
                static_cast<KSMenuItemSprite*>(item.get())->setNormalImage(fresh.get());
            EXPECT_EQ(fresh->parent(), item.get());
            EXPECT_EQ(first(item.get()), fresh.get());
            item->onExit();
        }
    }
}

TEST_F(MenuTest, TogglesCycleThroughTheirSubItemsBeforeTheCallback)
{
    auto a = box(receiver.get(), 10, 10), b = box(receiver.get(), 30, 20), c = box(receiver.get(), 5, 5);
    auto toggle = KSMenuItemToggle::itemWithTarget(receiver.get(), BRISKO_SELECTOR(Receiver, withSender),
                                                   { a.get(), b.get(), c.get() });
    ASSERT_TRUE(toggle);
    EXPECT_EQ(toggle->selectedIndex(), 0u);
    EXPECT_EQ(toggle->getChildByTag(kCurrentItemTag), a.get());
    toggle->activate();
    EXPECT_EQ(toggle->selectedItem(), b.get());
    EXPECT_EQ(toggle->contentSize(), Size(30, 20));
    EXPECT_EQ(b->position(), Point(15, 10));
    EXPECT_EQ(toggle->children()->count(), 1u);
    toggle->activate();
    toggle->activate();
    EXPECT_EQ(receiver->indexes, std::vector<uint32_t>({ 1, 2, 0 }));

    auto d = box(receiver.get(), 10, 10), e = box(receiver.get(), 10, 10);
    auto silent = KSMenuItemToggle::itemWithTarget(nullptr, nullptr, { d.get(), e.get() });
    silent->activate();
    EXPECT_EQ(silent->selectedIndex(), 1u) << "no callback, but still toggles";
    silent->setIsEnabled(false);
    EXPECT_FALSE(d->isEnabled());
    silent->activate();
    EXPECT_EQ(silent->selectedIndex(), 1u);

    EXPECT_THROW(toggle->setSelectedIndex(3), platform::Exception);
}

// A tap zooms the shown item back as the finger lifts and hides it before the
// zoom ends; cleaning the toggle up (its scene going) stops that zoom too, so
// nothing holds the hidden item and its label's texture.
TEST_F(MenuTest, ATappedToggleLetsGoOfTheItemItHidWhenCleanedUp)
{
    KSMenuItemFont::setFontName("DejaVu Sans");
    platform::Weak<KSMenuItem> hidden;
    {
        auto on = KSMenuItemFont::itemFromString("Sound: on"), off = KSMenuItemFont::itemFromString("Sound: off");
        ASSERT_TRUE(on && off);
        hidden = on.get();
        auto toggle = KSMenuItemToggle::itemWithTarget(nullptr, nullptr, { on.get(), off.get() });
        toggle->onEnter();
        toggle->selected();
        toggle->unselected();
        toggle->activate();
        EXPECT_EQ(on->parent(), nullptr);
        EXPECT_EQ(KSActionManager::sharedManager()->numberOfRunningActionsInTarget(on.get()), 1u) << "its zoom";
        toggle->onExit();
        toggle->cleanup();
        EXPECT_EQ(KSActionManager::sharedManager()->numberOfRunningActionsInTarget(on.get()), 0u);
    }
    EXPECT_TRUE(hidden.expired());
}

TEST_F(MenuTest, AToggleWithoutSubItemsIsRefused)
{
    EXPECT_FALSE(KSMenuItemToggle::itemWithTarget(receiver.get(), BRISKO_SELECTOR(Receiver, plain), {}));
    EXPECT_FALSE(KSMenuItemToggle::itemWithBlock([](KSMenuItem*) { }, { nullptr }));
}
