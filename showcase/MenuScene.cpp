// The menu scene: a menu of TrueType label items and a sound on/off toggle,
// and a bitmap-font label that counts the taps. Fingers played on the view tap
// the first item twice and the toggle once; each callback rewrites the label.
#include "Showcase.h"

#include "engine/KSDirector.h"
#include "engine/KSLabelBMFont.h"
#include "engine/KSLayer.h"
#include "engine/KSMenu.h"
#include "platform/foundation/Format.h"

namespace showcase {

using namespace kestrel;
using platform::Ref;

namespace {

// Where an item's centre is in the view's coordinates (for the fingers).
Point viewPointOf(KSMenuItem* item)
{
    Point world = item->parent()->convertToWorldSpace(item->position());
    return KSDirector::sharedDirector()->convertToUI(world);
}

} // namespace

std::string runMenuScene(Showcase& showcase)
{
    auto scene = KSScene::node();
    scene->addChild(KSColorLayer::layerWithColor({ 40, 40, 60, 255 }).get(), 0);

    auto counter = KSLabelBMFont::labelWithString("Taps: 0", "dejavu-sans-24.fnt");
    if (!counter)
        return showcase.failed("menu: no bitmap font");
    counter->setPosition({ 160, 420 });
    counter->setColor({ 255, 220, 120 });
    scene->addChild(counter.get(), 1);

    int taps = 0;
    std::string sound = "on";
    KSMenuItemFont::setFontName("DejaVu Sans");
    KSMenuItemFont::setFontSize(28);
    auto play = KSMenuItemFont::itemFromString("Play", [&](KSMenuItem*) {
        ++taps;
        counter->setString(platform::format("Taps: %d", taps));
    });
    auto scores = KSMenuItemFont::itemFromString("High scores");
    scores->setIsEnabled(false);
    KSMenuItemFont::setFontSize(22);
    auto on = KSMenuItemFont::itemFromString("Sound: on");
    auto off = KSMenuItemFont::itemFromString("Sound: off");
    auto toggle = KSMenuItemToggle::itemWithBlock(
        [&](KSMenuItem* sender) {
            sound = static_cast<KSMenuItemToggle*>(sender)->selectedIndex() == 0 ? "on" : "off";
            counter->setString("Sound " + sound);
        },
        { on.get(), off.get() });
    auto menu = KSMenu::menuWithItems({ play.get(), scores.get(), toggle.get() });
    menu->alignItemsVerticallyWithPadding(20);
    scene->addChild(menu.get(), 2);

    EAGLView* view = showcase.view();
    auto run = showcase.run("menu", scene.get(), 30, { 1, 12, 30 }, [&](unsigned frame) {
        if (frame == 4 || frame == 8)
            platform::ui::TouchInjector::tap(view, viewPointOf(play.get()));
        if (frame == 16)
            platform::ui::TouchInjector::tap(view, viewPointOf(toggle.get()));
    });
    KSMenuItemFont::setFontName("Marker Felt");
    KSMenuItemFont::setFontSize(32);
    std::string saved;
    for (const auto& f : run.saved)
        saved += (saved.empty() ? "" : ", ") + f;
    return platform::format("menu: %u frames, 3 items, %d taps on Play, sound %s, label \"%s\"; saved %s", run.frames,
                            taps, sound.c_str(), counter->string().c_str(), saved.c_str());
}

} // namespace showcase
