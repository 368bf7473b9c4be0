// The engine walk's value checks (EngineLifeWalk.h): what the engine shows is
// judged against the walk's own model of it, not only its life cycle.
//   - Actions: a mover runs an action built at random from a table of every
//     action family (moves, jumps, curves, scales on both axes, turns,
//     blinks, fades, tints, places, shows and hides) composed by sequences,
//     spawns, repeats, eases and time reversal, then its reverse; the model
//     computes where each leaves the mover (position, both scales, rotation,
//     opacity, colour, visibility), checked as each ends.
//   - Transforms: every node of every live scene has the transform, GL
//     matrix and inverse its position, anchor, scales and rotation give, and
//     a drawn batch's quads sit where its sprites' transforms put them, in
//     their colour and opacity.
//   - Frames: after each frame the view's framebuffer is bound, with the
//     window's viewport and the director's clear colour.
//   - Render textures: every capture and read-back leaves the framebuffer,
//     viewport and clear colour as it found them, a cleared picture reads
//     back as its colour, and a capture left open is ended (and logged).
//   - Tile maps: edits (through tile sprites too) read back as the model's,
//     and the layer draws a quad per tile at its cell with its GID's picture.
//   - Labels: a bitmap-font label's size is its glyphs' advances and lines,
//     a TrueType label's that of a new label of the same text.
//   - Particles: the count a system holds follows its rate and life.
#include "EngineLifeWalk.h"

#include "TMXTestSupport.h"

#include "engine/KSActionEase.h"
#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSDirector.h"
#include "engine/KSLabelBMFont.h"
#include "engine/KSLabelTTF.h"
#include "engine/KSParticleSystemQuad.h"
#include "engine/KSRenderTexture.h"
#include "engine/KSSprite.h"
#include "engine/KSTMXLayer.h"
#include "engine/KSTMXTiledMap.h"
#include "engine/KSTMXXMLParser.h"
#include "engine/KSTextureCache.h"
#include "engine/KSTextureAtlas.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLExtensions.h"

#include <cmath>
#include <numeric>
#include <cstdio>
#include <optional>

using namespace kestrel;

namespace engine_walk {

namespace {

// ---- The action model

// What the value checks compare of a node.
struct Look {
    platform::Point position;
    float scaleX { 1 }, scaleY { 1 }, rotation { 0 };
    GLubyte opacity { 255 };
    ksColor3B color { 255, 255, 255 };
    bool visible { true };
};

enum Touches : unsigned { kPlace = 1, kScale = 2, kTurn = 4, kOpacity = 8, kColour = 16, kVisibility = 32 };

using Progress = std::function<Look(const Look&, float)>;
using End = std::function<Look(const Look&)>;

// One action of the table: where it leaves a node at progress t, and the
// same for its reverse (none when it has none).
struct Leaf {
    std::string name;
    Ref<KSFiniteTimeAction> action;
    Progress at;
    std::function<Leaf()> reverse;
    unsigned touches { 0 };
    bool instant { false };
    // Starting it again (inside a repeat) means what it meant the first time.
    bool restartable { true };
};

// An action as run: where it leaves a node, and where its reverse leaves it.
struct Valued {
    std::string name;
    Ref<KSFiniteTimeAction> action;
    End end;
    End reverse; // null: no reverse
    unsigned touches { 0 };
    float duration { 0 };
    bool restartable { true };
    // A leaf played as it stands: where it leaves a node at any progress.
    Progress at;
};

// A channel truncated toward zero and held inside 0..255 (an overshooting
// ease or a tint past either end does not wrap around).
GLubyte channel(float v) { return !(v > 0) ? 0 : v >= 255 ? 255 : static_cast<GLubyte>(v); }

Valued valued(const Leaf& leaf, float t = 1, float reverseT = 1)
{
    Valued v { leaf.name, leaf.action, nullptr, nullptr, leaf.touches, leaf.action->duration(), leaf.restartable,
               t == 1 && reverseT == 1 && !leaf.instant ? leaf.at : nullptr };
    Progress at = leaf.at;
    v.end = [at, t](const Look& s) { return at(s, t); };
    if (leaf.reverse) {
        Progress back = leaf.reverse().at;
        v.reverse = [back, reverseT](const Look& s) { return back(s, reverseT); };
    }
    return v;
}

} // namespace

// The table's actions, their parameters drawn by the walk.
struct EngineLifeWalk::ActionTable {
    static Leaf leaf(EngineLifeWalk& w, bool colours)
    {
        const ksTime d = 0.03f + 0.02f * static_cast<float>(w.draw(3));
        auto pick = [&w](float low, int steps, float by) { return low + by * static_cast<float>(w.draw(static_cast<size_t>(steps))); };
        const platform::Point delta(pick(-40, 9, 10), pick(-40, 9, 10));
        // Those with a reverse twice as often as those without; the colours
        // last, for sprites only.
        static const unsigned weights[] = { 2, 1, 2, 1, 2, 1, 3, 1, 2, 1, 2, 1, 2, 1, 2, 2, 1, 1, 2 };
        const size_t kinds = colours ? std::size(weights) : 14;
        unsigned chosen = static_cast<unsigned>(w.draw(std::accumulate(weights, weights + kinds, 0u))), kind = 0;
        while (chosen >= weights[kind])
            chosen -= weights[kind++];
        switch (kind) {
        case 0: return moveBy(d, delta);
        case 1: {
            const platform::Point to(pick(0, 6, 40), pick(0, 6, 40));
            return { platform::format("MoveTo(%g, %g)", to.x, to.y), KSMoveTo::actionWithDuration(d, to),
                     [to](const Look& s, float t) {
                         Look e = s;
                         e.position = { s.position.x + (to.x - s.position.x) * t, s.position.y + (to.y - s.position.y) * t };
                         return e;
                     },
                     nullptr, kPlace };
        }
        case 2: return jumpBy(d, delta, pick(5, 4, 10), 1 + static_cast<int>(w.draw(3)));
        case 3: {
            const platform::Point to(pick(0, 6, 40), pick(0, 6, 40));
            const float height = pick(5, 4, 10);
            const int jumps = 1 + static_cast<int>(w.draw(3));
            Leaf l = jumpBy(d, to, height, jumps);
            l.name = platform::format("JumpTo(%g, %g)", to.x, to.y);
            l.action = KSJumpTo::actionWithDuration(d, to, height, jumps);
            l.at = [to, height, jumps](const Look& s, float t) {
                return jumpAt(s, { to.x - s.position.x, to.y - s.position.y }, height, jumps, t);
            };
            l.reverse = nullptr;
            l.restartable = false;
            return l;
        }
        case 4: return bezierBy(d, { delta, { pick(-20, 5, 10), pick(0, 5, 10) }, { pick(-20, 5, 10), pick(-20, 5, 10) } });
        case 5: {
            const ksBezierConfig c { { pick(0, 6, 40), pick(0, 6, 40) }, { 10, 80 }, { 90, 20 } };
            return { platform::format("BezierTo(%g, %g)", c.endPosition.x, c.endPosition.y), KSBezierTo::actionWithDuration(d, c),
                     [c](const Look& s, float t) {
                         ksBezierConfig relative { { c.endPosition.x - s.position.x, c.endPosition.y - s.position.y },
                                                   { c.controlPoint_1.x - s.position.x, c.controlPoint_1.y - s.position.y },
                                                   { c.controlPoint_2.x - s.position.x, c.controlPoint_2.y - s.position.y } };
                         return bezierAt(s, relative, t);
                     },
                     nullptr, kPlace, false, false };
        }
        case 6: {
            // Both axes mostly, one factor now and then.
            static const float factors[] = { 0.5f, 2, 1.5f, 0.25f, 4, 1 };
            const float fx = factors[w.draw(std::size(factors))];
            const float fy = w.draw(4) ? factors[w.draw(std::size(factors))] : fx;
            return scaleBy(d, fx, fy, fx == fy && w.draw(2));
        }
        case 7: {
            const float sx = pick(0.5f, 4, 0.5f), sy = pick(-1, 5, 0.75f);
            return { platform::format("ScaleTo(%g, %g)", sx, sy), KSScaleTo::actionWithDuration(d, sx, sy),
                     [sx, sy](const Look& s, float t) {
                         Look e = s;
                         e.scaleX = s.scaleX + (sx - s.scaleX) * t;
                         e.scaleY = s.scaleY + (sy - s.scaleY) * t;
                         return e;
                     },
                     nullptr, kScale };
        }
        case 8: return rotateBy(d, pick(-270, 7, 90));
        case 9: {
            const float to = pick(-400, 9, 100);
            return { platform::format("RotateTo(%g)", to), KSRotateTo::actionWithDuration(d, to),
                     [to](const Look& s, float t) {
                         // The shortest turn from the start reduced into (-360, 360).
                         const float start = s.rotation > 0 ? std::fmod(s.rotation, 360.0f) : std::fmod(s.rotation, -360.0f);
                         float diff = to - start;
                         if (diff > 180)
                             diff -= 360;
                         if (diff < -180)
                             diff += 360;
                         Look e = s;
                         e.rotation = start + diff * t;
                         return e;
                     },
                     nullptr, kTurn };
        }
        case 10: return blink(d, 1 + static_cast<int>(w.draw(5)));
        case 11: {
            const platform::Point p(pick(0, 6, 40), pick(0, 6, 40));
            return { platform::format("Place(%g, %g)", p.x, p.y), KSPlace::actionWithPosition(p),
                     [p](const Look& s, float) {
                         Look e = s;
                         e.position = p;
                         return e;
                     },
                     [p] { return Leaf { "", nullptr, [p](const Look& s, float) { Look e = s; e.position = p; return e; }, nullptr }; },
                     kPlace, true };
        }
        case 12: return visibility(w.draw(3));
        case 13: return { "DelayTime", KSDelayTime::actionWithDuration(d), [](const Look& s, float) { return s; },
                          [] { return Leaf { "", nullptr, [](const Look& s, float) { return s; }, nullptr }; }, 0 };
        // Colour and opacity: sprites only.
        case 14: return fade(d, true);
        case 15: return fade(d, false);
        case 16: {
            const auto to = static_cast<GLubyte>(w.draw(256));
            return { platform::format("FadeTo(%d)", to), KSFadeTo::actionWithDuration(d, to),
                     [to](const Look& s, float t) {
                         Look e = s;
                         e.opacity = channel(static_cast<float>(s.opacity) + static_cast<float>(to - s.opacity) * t);
                         return e;
                     },
                     nullptr, kOpacity };
        }
        case 17: {
            const ksColor3B to { static_cast<GLubyte>(w.draw(256)), static_cast<GLubyte>(w.draw(256)),
                                 static_cast<GLubyte>(w.draw(256)) };
            return { platform::format("TintTo(%d, %d, %d)", to.r, to.g, to.b), KSTintTo::actionWithDuration(d, to.r, to.g, to.b),
                     [to](const Look& s, float t) {
                         auto one = [t](GLubyte from, GLubyte end) {
                             return channel(static_cast<float>(from) + static_cast<float>(end - from) * t);
                         };
                         Look e = s;
                         e.color = { one(s.color.r, to.r), one(s.color.g, to.g), one(s.color.b, to.b) };
                         return e;
                     },
                     nullptr, kColour };
        }
        default: {
            auto by = [&w] { return static_cast<int16_t>(static_cast<int>(w.draw(601)) - 300); };
            return tintBy(d, by(), by(), by());
        }
        }
    }

    static Look jumpAt(const Look& s, platform::Point delta, float height, int jumps, float t)
    {
        const float frac = std::fmod(static_cast<float>(jumps) * t, 1.0f);
        Look e = s;
        e.position = { s.position.x + delta.x * t, s.position.y + height * 4 * frac * (1 - frac) + delta.y * t };
        return e;
    }

    static Look bezierAt(const Look& s, const ksBezierConfig& c, float t)
    {
        auto axis = [t](float b, float cc, float d) {
            return 3 * t * (1 - t) * (1 - t) * b + 3 * t * t * (1 - t) * cc + t * t * t * d;
        };
        Look e = s;
        e.position = { s.position.x + axis(c.controlPoint_1.x, c.controlPoint_2.x, c.endPosition.x),
                       s.position.y + axis(c.controlPoint_1.y, c.controlPoint_2.y, c.endPosition.y) };
        return e;
    }

    static Leaf moveBy(ksTime d, platform::Point delta)
    {
        return { platform::format("MoveBy(%g, %g)", delta.x, delta.y), KSMoveBy::actionWithDuration(d, delta),
                 [delta](const Look& s, float t) {
                     Look e = s;
                     e.position = { s.position.x + delta.x * t, s.position.y + delta.y * t };
                     return e;
                 },
                 [d, delta] { return moveBy(d, { -delta.x, -delta.y }); }, kPlace };
    }

    static Leaf jumpBy(ksTime d, platform::Point delta, float height, int jumps)
    {
        return { platform::format("JumpBy(%g, %g, %d jumps)", delta.x, delta.y, jumps),
                 KSJumpBy::actionWithDuration(d, delta, height, jumps),
                 [delta, height, jumps](const Look& s, float t) { return jumpAt(s, delta, height, jumps, t); },
                 [d, delta, height, jumps] { return jumpBy(d, { -delta.x, -delta.y }, height, jumps); }, kPlace };
    }

    static Leaf bezierBy(ksTime d, ksBezierConfig c)
    {
        return { platform::format("BezierBy(%g, %g)", c.endPosition.x, c.endPosition.y), KSBezierBy::actionWithDuration(d, c),
                 [c](const Look& s, float t) { return bezierAt(s, c, t); },
                 [d, c] {
                     const platform::Point e = c.endPosition;
                     return bezierBy(d, { { -e.x, -e.y },
                                          { c.controlPoint_2.x - e.x, c.controlPoint_2.y - e.y },
                                          { c.controlPoint_1.x - e.x, c.controlPoint_1.y - e.y } });
                 },
                 kPlace };
    }

    static Leaf scaleBy(ksTime d, float fx, float fy, bool uniform)
    {
        return { platform::format("ScaleBy(%g, %g)", fx, fy),
                 uniform ? KSScaleBy::actionWithDuration(d, fx) : KSScaleBy::actionWithDuration(d, fx, fy),
                 [fx, fy](const Look& s, float t) {
                     Look e = s;
                     e.scaleX = s.scaleX + (s.scaleX * fx - s.scaleX) * t;
                     e.scaleY = s.scaleY + (s.scaleY * fy - s.scaleY) * t;
                     return e;
                 },
                 [d, fx, fy, uniform] { return scaleBy(d, 1 / fx, 1 / fy, uniform); }, kScale };
    }

    static Leaf rotateBy(ksTime d, float angle)
    {
        return { platform::format("RotateBy(%g)", angle), KSRotateBy::actionWithDuration(d, angle),
                 [angle](const Look& s, float t) {
                     Look e = s;
                     e.rotation = s.rotation + angle * t;
                     return e;
                 },
                 [d, angle] { return rotateBy(d, -angle); }, kTurn };
    }

    static Leaf blink(ksTime d, int times)
    {
        return { platform::format("Blink(%d)", times), KSBlink::actionWithDuration(d, times),
                 [times](const Look& s, float t) {
                     const float slice = 1.0f / static_cast<float>(times);
                     Look e = s;
                     e.visible = std::fmod(t, slice) > slice / 2;
                     return e;
                 },
                 [d, times] { return blink(d, times); }, kVisibility };
    }

    static Leaf fade(ksTime d, bool in)
    {
        return { in ? "FadeIn" : "FadeOut",
                 in ? Ref<KSFiniteTimeAction>(KSFadeIn::actionWithDuration(d)) : Ref<KSFiniteTimeAction>(KSFadeOut::actionWithDuration(d)),
                 [in](const Look& s, float t) {
                     Look e = s;
                     e.opacity = channel(255 * (in ? t : 1 - t));
                     return e;
                 },
                 [d, in] { return fade(d, !in); }, kOpacity };
    }

    static Leaf tintBy(ksTime d, int16_t r, int16_t g, int16_t b)
    {
        return { platform::format("TintBy(%d, %d, %d)", r, g, b), KSTintBy::actionWithDuration(d, r, g, b),
                 [r, g, b](const Look& s, float t) {
                     auto one = [t](GLubyte from, int16_t by) { return channel(static_cast<float>(from) + static_cast<float>(by) * t); };
                     Look e = s;
                     e.color = { one(s.color.r, r), one(s.color.g, g), one(s.color.b, b) };
                     return e;
                 },
                 [d, r, g, b] {
                     return tintBy(d, static_cast<int16_t>(-r), static_cast<int16_t>(-g), static_cast<int16_t>(-b));
                 },
                 kColour };
    }

    // 0 show, 1 hide, 2 toggle.
    static Leaf visibility(size_t kind)
    {
        static const char* names[] = { "Show", "Hide", "ToggleVisibility" };
        Ref<KSFiniteTimeAction> action = kind == 0   ? Ref<KSFiniteTimeAction>(KSShow::action())
                                         : kind == 1 ? Ref<KSFiniteTimeAction>(KSHide::action())
                                                     : Ref<KSFiniteTimeAction>(KSToggleVisibility::action());
        return { names[kind], action,
                 [kind](const Look& s, float) {
                     Look e = s;
                     e.visible = kind == 0 ? true : kind == 1 ? false : !s.visible;
                     return e;
                 },
                 [kind] { return visibility(kind == 2 ? 2 : 1 - kind); }, kVisibility, true };
    }

    // An ease around an interval leaf: the inner action ends at the ease's
    // value for 1 (some stop short of it), its reverse at the reversed ease's.
    static Valued eased(EngineLifeWalk& w, const Leaf& leaf)
    {
        auto* inner = dynamic_cast<KSActionInterval*>(leaf.action.get());
        const float expIn = std::pow(2.0f, 0.0f) - 0.001f, expInOut = 0.5f * (2 - std::pow(2.0f, -10.0f));
        struct Ease {
            const char* name;
            Ref<KSActionInterval> (*make)(KSActionInterval*);
            float end, reverseEnd;
        };
        const Ease eases[] = {
            { "EaseIn", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseIn::actionWithAction(a, 2); }, 1, 1 },
            { "EaseOut", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseOut::actionWithAction(a, 3); }, 1, 1 },
            { "EaseInOut", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseInOut::actionWithAction(a, 3); }, 1, 1 },
            { "EaseExponentialIn", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseExponentialIn::actionWithAction(a); }, expIn, 1 },
            { "EaseExponentialOut", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseExponentialOut::actionWithAction(a); }, 1, expIn },
            { "EaseExponentialInOut", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseExponentialInOut::actionWithAction(a); }, expInOut, expInOut },
            { "EaseSineInOut", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseSineInOut::actionWithAction(a); }, 1, 1 },
            { "EaseElasticOut", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseElasticOut::actionWithAction(a); }, 1, 1 },
            { "EaseBounceIn", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseBounceIn::actionWithAction(a); }, 1, 1 },
            { "EaseBackOut", [](KSActionInterval* a) -> Ref<KSActionInterval> { return KSEaseBackOut::actionWithAction(a); }, 1, 1 },
        };
        const Ease& ease = eases[w.draw(std::size(eases))];
        Valued v = valued(leaf, ease.end, ease.reverseEnd);
        v.at = nullptr;
        v.action = ease.make(inner);
        v.name = std::string(ease.name) + "(" + leaf.name + ")";
        return v;
    }

    // A leaf, or (depth allowing) a sequence, spawn, repeat, ease or time
    // reversal of others.
    static Valued any(EngineLifeWalk& w, bool colours, int depth)
    {
        const size_t kind = depth > 0 ? w.draw(10) : 0;
        if (kind <= 3) {
            Leaf leaf = ActionTable::leaf(w, colours);
            if (kind == 1 && !leaf.instant && !(leaf.touches & kVisibility))
                return eased(w, leaf);
            // (A reverse-time's reverse is a copy of the action it played.)
            if (kind >= 2 && !leaf.instant && leaf.restartable) {
                // Played backwards: the leaf's start, and its reverse is the leaf.
                Valued v = valued(leaf, 0);
                v.at = nullptr;
                v.action = KSReverseTime::actionWithAction(leaf.action.get());
                v.name = "ReverseTime(" + leaf.name + ")";
                Progress at = leaf.at;
                v.reverse = [at](const Look& s) { return at(s, 1); };
                return v;
            }
            return valued(leaf);
        }
        Valued a = any(w, colours, depth - 1), b = any(w, colours, depth - 1);
        if (kind <= 6) {
            Valued v { "Sequence(" + a.name + ", " + b.name + ")", KSSequence::actions({ a.action.get(), b.action.get() }),
                       [ae = a.end, be = b.end](const Look& s) { return be(ae(s)); }, nullptr, a.touches | b.touches,
                       a.duration + b.duration, a.restartable && b.restartable, nullptr };
            if (a.reverse && b.reverse)
                v.reverse = [ar = a.reverse, br = b.reverse](const Look& s) { return ar(br(s)); };
            return v;
        }
        if (kind == 7 && !(a.touches & b.touches)) {
            Valued v { "Spawn(" + a.name + ", " + b.name + ")", KSSpawn::actions({ a.action.get(), b.action.get() }),
                       [ae = a.end, be = b.end](const Look& s) { return be(ae(s)); }, nullptr, a.touches | b.touches,
                       std::max(a.duration, b.duration), a.restartable && b.restartable, nullptr };
            if (a.reverse && b.reverse)
                v.reverse = [ar = a.reverse, br = b.reverse](const Look& s) { return br(ar(s)); };
            return v;
        }
        // A repeat's laps each start where the last ended: laps no shorter
        // than a frame, of actions that mean the same when started again.
        if (!a.restartable || a.duration < 0.05f)
            return a;
        const unsigned times = 2 + static_cast<unsigned>(w.draw(2));
        Valued v { platform::format("Repeat(%s, %u)", a.name.c_str(), times),
                   KSRepeat::actionWithAction(a.action.get(), times),
                   [ae = a.end, times](const Look& s) {
                       Look e = s;
                       for (unsigned i = 0; i < times; ++i)
                           e = ae(e);
                       return e;
                   },
                   nullptr, a.touches, a.duration * static_cast<float>(times), true, nullptr };
        if (a.reverse)
            v.reverse = [ar = a.reverse, times](const Look& s) {
                Look e = s;
                for (unsigned i = 0; i < times; ++i)
                    e = ar(e);
                return e;
            };
        return v;
    }
};

namespace {

Look lookOf(KSNode* node)
{
    Look look;
    look.position = node->position();
    look.scaleX = node->scaleX();
    look.scaleY = node->scaleY();
    look.rotation = node->rotation();
    look.visible = node->visible();
    if (KSRGBAOf rgba { node }) {
        look.opacity = rgba->opacity();
        look.color = rgba->color();
    }
    return look;
}

std::string describeLook(const Look& l, bool colours)
{
    std::string text = platform::format("at (%g, %g), scale %g x %g, rotation %g, %s", l.position.x, l.position.y, l.scaleX,
                                        l.scaleY, l.rotation, l.visible ? "visible" : "hidden");
    if (colours)
        text += platform::format(", opacity %d, colour (%d, %d, %d)", l.opacity, l.color.r, l.color.g, l.color.b);
    return text;
}

bool near(float a, float b, float tolerance) { return std::abs(a - b) <= tolerance * (1 + std::abs(b)); }

// Bytes truncated from a float a hair either side of a whole value may be one apart.
bool nearByte(GLubyte a, GLubyte b) { return std::abs(a - b) <= 1; }

bool same(const Look& a, const Look& b, bool colours)
{
    const bool shape = near(a.position.x, b.position.x, 1e-3f) && near(a.position.y, b.position.y, 1e-3f)
                       && near(a.scaleX, b.scaleX, 1e-3f) && near(a.scaleY, b.scaleY, 1e-3f)
                       && near(a.rotation, b.rotation, 1e-3f) && a.visible == b.visible;
    return shape
           && (!colours
               || (nearByte(a.opacity, b.opacity) && nearByte(a.color.r, b.color.r) && nearByte(a.color.g, b.color.g)
                   && nearByte(a.color.b, b.color.b)));
}

} // namespace

// A mover of its own (a plain node, a sprite, or a sprite in a batch) runs an
// action of the table and then its reverse, at a speed now and then; where
// each leaves it is checked as it ends.
void EngineLifeWalk::valuedAction()
{
    WalkScene* scene = onShow();
    if (!scene || ended)
        return;
    Building building(this->building);
    const std::string label = platform::format("valued mover %d of scene %d", ++nextNode, scene->id);
    Ref<KSNode> mover;
    const size_t kind = draw(3);
    // (Not square: a quad of the wrong width shows.)
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage("load1.png");
    if (kind == 0 || !texture) {
        auto plain = platform::adoptRef(new WalkNode);
        plain->init();
        plain->setContentSize({ 20, 10 });
        plain->watch.walk = this;
        plain->watch.label = "plain " + label;
        mover = plain;
        scene->work->addChild(mover.get());
    } else {
        auto sprite = platform::adoptRef(new WalkSprite);
        (void)sprite->initWithTexture(texture.get());
        sprite->watch.walk = this;
        sprite->watch.label = (kind == 1 ? "sprite " : "batched sprite ") + label;
        mover = sprite;
        if (kind == 1) {
            scene->work->addChild(mover.get());
        } else {
            auto batch = platform::adoptRef(new WalkBatch);
            (void)batch->initWithTexture(texture.get(), 2);
            batch->watch.walk = this;
            batch->watch.label = "batch of " + label;
            batch->addChild(mover.get());
            scene->work->addChild(batch.get());
        }
    }
    auto& watch = dynamic_cast<Watchable*>(mover.get())->watched();
    watch.checked = true;
    const bool colours = kind != 0;
    // Where it starts: anywhere, any size, turned, any colour, shown or not.
    Look start;
    start.position = { static_cast<float>(draw(200)), static_cast<float>(draw(200)) };
    start.scaleX = 0.5f + 0.25f * static_cast<float>(draw(7));
    start.scaleY = draw(3) ? 0.5f + 0.25f * static_cast<float>(draw(7)) : start.scaleX;
    start.rotation = static_cast<float>(draw(1001)) - 500;
    start.visible = draw(4) != 0;
    mover->setPosition(start.position);
    mover->setScaleX(start.scaleX);
    mover->setScaleY(start.scaleY);
    mover->setRotation(start.rotation);
    mover->setVisible(start.visible);
    if (KSRGBAOf rgba { mover.get() }) {
        start.opacity = static_cast<GLubyte>(draw(256));
        start.color = { static_cast<GLubyte>(draw(256)), static_cast<GLubyte>(draw(256)), static_cast<GLubyte>(draw(256)) };
        rgba->setOpacity(start.opacity);
        rgba->setColor(start.color);
    }

    const Valued action = ActionTable::any(*this, colours, 2);
    const Look end = action.end(start);
    platform::Weak<KSNode> weak(mover.get());
    auto expect = [this, weak, label, colours](const Look& look, const std::string& what) {
        return KSCallBlock::actionWithBlock([this, weak, label, colours, look, what] {
            if (auto node = weak.lock(); node && !same(lookOf(node.get()), look, colours))
                fault(platform::format("%s left %s %s, not %s", what.c_str(), label.c_str(),
                                       describeLook(lookOf(node.get()), colours).c_str(), describeLook(look, colours).c_str()));
        });
    };
    std::vector<Ref<KSFiniteTimeAction>> steps { action.action, expect(end, action.name) };
    std::string noted = action.name;
    if (action.reverse) {
        Ref<KSFiniteTimeAction> reverse = action.action->reverse();
        if (!reverse) {
            fault(action.name + " has no reverse");
        } else {
            steps.push_back(reverse);
            steps.push_back(expect(action.reverse(end), "the reverse of " + action.name));
            noted += ", then its reverse";
        }
    }
    auto whole = steps.size() == 2 ? KSSequence::actions({ steps[0].get(), steps[1].get() })
                                   : KSSequence::actions({ steps[0].get(), steps[1].get(), steps[2].get(), steps[3].get() });
    note("    " + label + ": " + noted);
    // A speed only where a repeat's laps stay longer than a frame.
    if (draw(4) == 0 && action.duration >= 0.1f) {
        const float speed = draw(2) ? 2.0f : 0.5f;
        note(platform::format("      at speed %g", speed));
        mover->runAction(KSSpeed::actionWithAction(platform::dynamicRef<KSActionInterval>(whole).get(), speed).get());
    } else {
        mover->runAction(whole.get());
    }
    // Watched to its end (its checks with it) while its scene stays on show;
    // a plain leaf (its visibility aside) at every frame on its way too.
    Ref<WalkScene> keep(scene);
    auto* sequence = dynamic_cast<KSActionInterval*>(whole.get());
    const bool midway = action.at && !(action.touches & kVisibility) && sequence;
    for (int i = 0; i < 40 && !ended && onShow() == keep.get() && mover->isRunning() && mover->numberOfRunningActions(); ++i) {
        frame();
        if (!midway || !(sequence->elapsed() > 0 && sequence->elapsed() < action.duration))
            continue;
        const float t = sequence->elapsed() / action.duration;
        if (const Look want = action.at(start, t); !same(lookOf(mover.get()), want, colours)) {
            fault(platform::format("%s left %s %s at %.3f of its way, not %s", action.name.c_str(), label.c_str(),
                                   describeLook(lookOf(mover.get()), colours).c_str(), t, describeLook(want, colours).c_str()));
            break;
        }
    }
}

// ---- Transforms: the walk's own arithmetic of a node's place.

namespace {

// The node's transform to its parent, in pixels (the walk's content scale
// is 1): scaled about its anchor point, turned (clockwise for positive
// rotations) and placed at its position, which is its anchor point's place
// unless the anchor point is not relative.
AffineTransform modelTransform(KSNode* node)
{
    const platform::Point anchor(node->anchorPoint().x * node->contentSize().width,
                                 node->anchorPoint().y * node->contentSize().height);
    const double radians = node->rotation() * M_PI / 180;
    const auto c = static_cast<float>(std::cos(radians)), s = static_cast<float>(std::sin(radians));
    const float sx = node->scaleX(), sy = node->scaleY();
    AffineTransform t { sx * c, -sx * s, sy * s, sy * c, 0, 0 };
    const platform::Point base = node->isRelativeAnchorPoint() ? node->position()
                                                                : platform::Point(node->position().x + anchor.x,
                                                                                  node->position().y + anchor.y);
    t.tx = base.x - (t.a * anchor.x + t.c * anchor.y);
    t.ty = base.y - (t.b * anchor.x + t.d * anchor.y);
    return t;
}

bool nearTransform(const AffineTransform& t, const AffineTransform& m, float slack = 1)
{
    auto close = [slack](float a, float b, float scale) { return std::abs(a - b) <= 1e-3f * slack * (scale + std::abs(b)); };
    const float size = std::abs(m.a) + std::abs(m.b) + std::abs(m.c) + std::abs(m.d);
    return close(t.a, m.a, size) && close(t.b, m.b, size) && close(t.c, m.c, size) && close(t.d, m.d, size)
           && close(t.tx, m.tx, 1) && close(t.ty, m.ty, 1);
}

std::string describeTransform(const AffineTransform& t)
{
    return platform::format("[%g %g %g %g | %g %g]", t.a, t.b, t.c, t.d, t.tx, t.ty);
}

} // namespace

void EngineLifeWalk::checkTransforms(KSNode* node, std::string& fault)
{
    const AffineTransform model = modelTransform(node);
    const GLfloat* gl = node->transformGL();
    const AffineTransform inverse = node->parentToNodeTransform();
    // Its transform, the GL matrix drawn with and (undoing the model's) its inverse.
    const std::pair<const char*, std::pair<AffineTransform, AffineTransform>> kept[] = {
        { "transform", { node->nodeToParentTransform(), model } },
        { "GL matrix", { AffineTransform { gl[0], gl[1], gl[4], gl[5], gl[12], gl[13] }, model } },
        { "inverse times the model's transform", { model.concat(inverse), AffineTransform {} } },
    };
    // (The inverse of one nearly flat on an axis is judged by no rounding.)
    const float size = std::abs(model.a) + std::abs(model.b) + std::abs(model.c) + std::abs(model.d);
    const float det = std::abs(model.a * model.d - model.b * model.c);
    const bool invertible = det > 1e-3f * size * size;
    // The inverse's rounding grows with how far from square the transform is and how far it moves.
    const float slack = invertible ? std::max(1.0f, size * size / det * (1 + std::abs(model.tx) + std::abs(model.ty)) * 1e-4f) : 1;
    for (const auto& [what, pair] : kept) {
        const bool ofInverse = &pair == &kept[2].second;
        if (!fault.empty() || nearTransform(pair.first, pair.second, ofInverse ? slack : 1) || (ofInverse && !invertible))
            continue;
        auto* watched = dynamic_cast<Watchable*>(node);
        fault = platform::format("%s, at (%g, %g) scaled %g x %g turned %g anchored (%g, %g) in %g x %g, has the %s %s, not %s",
                                 watched ? watched->watched().label.c_str() : node->className().c_str(), node->position().x,
                                 node->position().y, node->scaleX(), node->scaleY(), node->rotation(), node->anchorPoint().x,
                                 node->anchorPoint().y, node->contentSize().width, node->contentSize().height, what,
                                 describeTransform(pair.first).c_str(), describeTransform(pair.second).c_str());
    }
    if (KSArray* children = node->children())
        for (uint32_t i = 0; i < children->count(); ++i)
            checkTransforms(children->objectAtIndexAs<KSNode>(i), fault);
}

// A batch drawn in the last frame draws each sprite's quad where the sprites'
// transforms (the model's) put its corners, or nowhere when it is hidden.
void EngineLifeWalk::checkQuads(KSSpriteBatchNode* batch, std::string& fault)
{
    const ksV3F_C4B_T2F_Quad* quads = batch->textureAtlas()->quads();
    KSArray* descendants = batch->descendants();
    for (uint32_t i = 0; i < descendants->count() && fault.empty(); ++i) {
        auto* sprite = descendants->objectAtIndexAs<KSSprite>(i);
        if (sprite->atlasIndex() >= batch->textureAtlas()->totalQuads())
            continue;
        const ksV3F_C4B_T2F_Quad& quad = quads[sprite->atlasIndex()];
        bool hidden = false;
        AffineTransform toBatch;
        for (KSNode* n = sprite; n && n != batch; n = n->parent()) {
            hidden = hidden || !n->visible();
            toBatch = toBatch.concat(modelTransform(n));
        }
        const platform::Point offset = sprite->offsetPositionInPixels();
        const Size size = sprite->textureRect().size;
        const platform::Point corners[] = { offset, { offset.x + size.width, offset.y },
                                            { offset.x, offset.y + size.height },
                                            { offset.x + size.width, offset.y + size.height } };
        const ksVertex3F* drawn[] = { &quad.bl.vertices, &quad.br.vertices, &quad.tl.vertices, &quad.tr.vertices };
        for (int c = 0; c < 4; ++c) {
            const platform::Point want = hidden ? platform::Point() : toBatch.apply(corners[c]);
            if (std::abs(drawn[c]->x - want.x) > 0.02f + 1e-4f * std::abs(want.x)
                || std::abs(drawn[c]->y - want.y) > 0.02f + 1e-4f * std::abs(want.y)) {
                auto* watched = dynamic_cast<Watchable*>(static_cast<KSNode*>(sprite));
                fault = platform::format("%s (%s) draws its corner %d at (%g, %g), not (%g, %g)",
                                         watched ? watched->watched().label.c_str() : "a sprite",
                                         hidden ? "hidden" : "shown", c, drawn[c]->x, drawn[c]->y, want.x, want.y);
                break;
            }
        }
        // Its colour and opacity at every corner (premultiplied where its opacity modifies it).
        const ksColor3B c = sprite->color();
        const GLubyte o = sprite->opacity();
        const auto shade = [&](GLubyte v) {
            return sprite->doesOpacityModifyRGB() ? static_cast<GLubyte>(v * o / 255) : v;
        };
        const ksColor4B want { shade(c.r), shade(c.g), shade(c.b), o };
        const ksColor4B* tints[] = { &quad.bl.colors, &quad.br.colors, &quad.tl.colors, &quad.tr.colors };
        for (int k = 0; k < 4 && fault.empty(); ++k)
            if (!(nearByte(tints[k]->r, want.r) && nearByte(tints[k]->g, want.g) && nearByte(tints[k]->b, want.b)
                  && tints[k]->a == want.a)) {
                auto* watched = dynamic_cast<Watchable*>(static_cast<KSNode*>(sprite));
                fault = platform::format("%s draws its corner %d in (%d, %d, %d, %d), not (%d, %d, %d, %d)",
                                         watched ? watched->watched().label.c_str() : "a sprite", k, tints[k]->r,
                                         tints[k]->g, tints[k]->b, tints[k]->a, want.r, want.g, want.b, want.a);
            }
    }
}

EngineLifeWalk::GLState EngineLifeWalk::glState()
{
    GLState s;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &s.framebuffer);
    glGetIntegerv(GL_VIEWPORT, s.viewport.data());
    glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clear.data());
    return s;
}

std::string EngineLifeWalk::describeGL(const GLState& s)
{
    return platform::format("framebuffer %d, viewport (%d, %d, %d, %d), clear colour (%g, %g, %g, %g)", s.framebuffer,
                            s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3], s.clear[0], s.clear[1], s.clear[2],
                            s.clear[3]);
}

void EngineLifeWalk::expectGLState(const GLState& before, const std::string& what)
{
    const GLState now = glState();
    if (!(now == before))
        fault(what + " left " + describeGL(now) + ", not " + describeGL(before));
}

void EngineLifeWalk::checkValues()
{
    std::string wrong;
    for (auto& [id, weak] : scenes)
        if (auto scene = weak.lock())
            checkTransforms(scene.get(), wrong);
    if (!wrong.empty())
        ADD_FAILURE() << wrong;
    wrong.clear();
    for (auto& [id, weak] : scenes)
        if (auto scene = weak.lock())
            forEachWatched(scene.get(), [&](KSNode* node, Watch& watch) {
                if (auto* batch = dynamic_cast<KSSpriteBatchNode*>(node); batch && watch.drawnAt == frames)
                    checkQuads(batch, wrong);
            });
    if (!wrong.empty())
        ADD_FAILURE() << wrong;

    // The frame went to the screen: the view's framebuffer, the window's
    // viewport, the director's clear colour.
    EAGLView* view = director_->openGLView();
    if (!view || platform::GLContext::current() != view->context() || paused)
        return;
    const Size pixels = director_->winSizeInPixels();
    const GLState want { static_cast<GLint>(view->drawingFramebuffer()),
                         { 0, 0, static_cast<GLint>(pixels.width), static_cast<GLint>(pixels.height) },
                         { 0, 0, 0, 1 } };
    if (const GLState now = glState(); !(now == want))
        ADD_FAILURE() << "after the frame GL has " << describeGL(now) << ", not " << describeGL(want);
    if (KSRenderTexture::capturesOpen())
        ADD_FAILURE() << KSRenderTexture::capturesOpen() << " captures left open after the frame";
    if (capturesLeftOpen && leftOpenLogged == 0)
        ADD_FAILURE() << "a capture left open was ended without a word in the log";
    capturesLeftOpen = false;
    leftOpenLogged = 0;
}

// ---- Render textures

void EngineLifeWalk::renderTextures()
{
    WalkScene* scene = onShow();
    if (!scene || ended)
        return;
    Building building(this->building);
    auto colour = [this] {
        return std::array<GLfloat, 4> { static_cast<float>(draw(256)) / 255, static_cast<float>(draw(256)) / 255,
                                        static_cast<float>(draw(256)) / 255, static_cast<float>(draw(256)) / 255 };
    };
    const int w = 16 << draw(3), h = 16 << draw(2);
    auto texture = KSRenderTexture::renderTextureWithWidth(w, h);
    if (!texture) {
        fault(platform::format("a render texture of %d x %d did not make", w, h));
        return;
    }
    // Shown (its sprite is flipped on one axis) or drawn off screen only.
    if (draw(2)) {
        texture->setPosition({ static_cast<float>(draw(300)), static_cast<float>(draw(400)) });
        scene->work->addChild(texture.get(), static_cast<int>(draw(5)) - 2);
    }
    // A read-back of a picture cleared to `c` and not drawn on since.
    auto readBack = [&](const std::array<GLfloat, 4>* c, const std::string& what) {
        const GLState before = glState();
        std::optional<platform::Bytes> bytes = texture->getUIImageAsDataFromBuffer(kKSImageFormatRawData);
        expectGLState(before, "a read-back " + what);
        if (!bytes || bytes->size() != static_cast<size_t>(w) * h * 4) {
            fault(platform::format("a read-back %s gave %zu bytes for %d x %d", what.c_str(), bytes ? bytes->size() : 0, w, h));
            return;
        }
        for (size_t at : { size_t { 0 }, bytes->size() / 2 + static_cast<size_t>(w) * 2, bytes->size() - 4 })
            for (int k = 0; c && k < 4; ++k)
                if (std::abs((*bytes)[at + k] - std::lround((*c)[k] * 255)) > 1) {
                    fault(platform::format("a read-back %s reads %d, %d, %d, %d at byte %zu, not the colour cleared",
                                           what.c_str(), (*bytes)[at], (*bytes)[at + 1], (*bytes)[at + 2], (*bytes)[at + 3], at));
                    return;
                }
    };
    const GLState before = glState();
    if (draw(2)) {
        const auto c = colour();
        note(platform::format("    a render texture of %d x %d cleared and read back", w, h));
        texture->clear(c[0], c[1], c[2], c[3]);
        expectGLState(before, "a clear");
        readBack(&c, "after a clear");
    }
    const bool cleared = draw(3) != 0;
    const auto c = colour();
    note(platform::format("    a render texture of %d x %d captures%s", w, h, cleared ? ", cleared" : ""));
    if (cleared)
        texture->beginWithClear(c[0], c[1], c[2], c[3]);
    else
        texture->begin();
    const GLState inside = glState();
    if (draw(2)) {
        note("      read back inside the capture");
        readBack(cleared ? &c : nullptr, "inside a capture");
    }
    if (draw(3) == 0) {
        note("      another render texture captures inside it");
        if (auto other = KSRenderTexture::renderTextureWithWidth(16, 16)) {
            const auto c2 = colour();
            other->beginWithClear(c2[0], c2[1], c2[2], c2[3]);
            other->end();
            expectGLState(inside, "a capture inside another");
        }
    }
    // What the scene draws (when it is shown), into the texture.
    bool shown = true;
    for (KSNode* node = scene->work; node; node = node->parent())
        shown = shown && node->visible();
    if (draw(2) && shown)
        scene->work->visit();
    if (draw(8) == 0) {
        // Left open: the texture ends it as it goes, or the director before
        // the next frame; the screen is drawn again either way.
        capturesLeftOpen = true;
        note(texture->parent() ? "      left open, the texture kept" : "      left open, the texture let go of");
        return;
    }
    texture->end();
    expectGLState(before, "a capture");
    if (draw(2))
        readBack(nullptr, "after a capture");
}

// ---- Tile maps

void EngineLifeWalk::editTiles()
{
    WalkScene* scene = draw(3) ? onShow() : anyStackedScene();
    if (!scene || ended)
        return;
    Building building(this->building);
    TileModel& model = tilesOf[scene->id];
    Ref<KSTMXLayer> layer = model.layer.lock();
    if (!layer) {
        note(platform::format("    a tile map for scene %d", scene->id));
        auto map = KSTMXTiledMap::tiledMapWithTMXFile(dir.file("walk.tmx"));
        layer = map ? Ref<KSTMXLayer>(map->layerNamed("ground")) : nullptr;
        if (!layer) {
            fault("the walk's tile map did not load");
            return;
        }
        scene->work->addChild(map.get(), static_cast<int>(draw(5)) - 2);
        model = { platform::Weak<KSTMXLayer>(layer.get()), kTileGIDs };
    }
    const auto width = static_cast<unsigned>(layer->layerSize().width);
    const auto height = static_cast<unsigned>(layer->layerSize().height);
    auto cell = [width](unsigned i) { return platform::Point(static_cast<float>(i % width), static_cast<float>(i / width)); };
    // Enough edits a step for removals, inserts and sprites taken out to meet.
    for (size_t n = 4 + draw(13); n > 0; --n) {
        const auto i = static_cast<unsigned>(draw(width * height));
        const platform::Point p = cell(i);
        // Through the cell's own sprite half of the time.
        if (draw(2)) {
            KSSprite* tile = layer->tileAt(p);
            if ((tile != nullptr) != (model.gids[i] != 0))
                fault(platform::format("tile (%g, %g) of GID %u %s a sprite", p.x, p.y, model.gids[i], tile ? "has" : "has no"));
        }
        const uint32_t old = model.gids[i];
        switch (draw(3)) {
        case 0:
            note(platform::format("    tile (%g, %g) removed", p.x, p.y));
            layer->removeTileAt(p);
            model.gids[i] = 0;
            break;
        case 1: {
            const auto gid = static_cast<uint32_t>(draw(9));
            note(platform::format("    tile (%g, %g) set to %u", p.x, p.y, gid));
            layer->setTileGID(gid, p);
            model.gids[i] = gid;
            break;
        }
        default: {
            const auto gid = 1 + static_cast<uint32_t>(draw(8));
            note(platform::format("    tile (%g, %g) set to %u and back to %u", p.x, p.y, gid, old));
            layer->setTileGID(gid, p);
            if (layer->tileGIDAt(p) != gid)
                fault(platform::format("tile (%g, %g) set to %u reads %u", p.x, p.y, gid, layer->tileGIDAt(p)));
            layer->setTileGID(old, p);
            break;
        }
        }
    }
    // Every cell reads back as the model has it, and a tile's sprite shows its GID.
    KSTMXTilesetInfo* tileset = layer->tileset();
    for (unsigned i = 0; i < width * height; ++i) {
        const platform::Point p = cell(i);
        if (layer->tileGIDAt(p) != model.gids[i]) {
            fault(platform::format("tile (%g, %g) reads %u, not %u", p.x, p.y, layer->tileGIDAt(p), model.gids[i]));
            return;
        }
        auto* tile = static_cast<KSSprite*>(layer->getChildByTag(static_cast<int>(i)));
        if (tile && tileset && model.gids[i] && !(tile->textureRect() == tileset->rectForGID(model.gids[i]))) {
            fault(platform::format("tile (%g, %g)'s sprite shows another GID than %u", p.x, p.y, model.gids[i]));
            return;
        }
    }
    // The layer draws what its cells hold: a quad per tile in cell order, at its cell, cut from its
    // GID's place in the tileset; a tile's sprite holds its cell's quad.
    KSTextureAtlas* atlas = layer->textureAtlas();
    const float wide = static_cast<float>(atlas->texture()->pixelsWide());
    const float high = static_cast<float>(atlas->texture()->pixelsHigh());
    const Size tileSize = layer->mapTileSize();
    unsigned quad = 0;
    for (unsigned i = 0; i < width * height; ++i) {
        if (!model.gids[i])
            continue;
        const platform::Point p = cell(i);
        auto* tile = static_cast<KSSprite*>(layer->getChildByTag(static_cast<int>(i)));
        if (quad >= atlas->totalQuads() || (tile && tile->atlasIndex() != quad)) {
            fault(platform::format("tile (%g, %g) should have quad %u of the layer's %u; its sprite has %d", p.x, p.y, quad,
                                   atlas->totalQuads(), tile ? static_cast<int>(tile->atlasIndex()) : -1));
            return;
        }
        const ksV3F_C4B_T2F_Quad& q = atlas->quads()[quad++];
        const platform::Point at { p.x * tileSize.width, (static_cast<float>(height) - 1 - p.y) * tileSize.height };
        const Rect rect = tileset ? tileset->rectForGID(model.gids[i]) : Rect();
        if (!near(q.bl.vertices.x, at.x, 1e-4f) || !near(q.bl.vertices.y, at.y, 1e-4f)
            || std::abs(q.tl.texCoords.u - rect.origin.x / wide) > 0.5f / wide
            || std::abs(q.tl.texCoords.v - rect.origin.y / high) > 0.5f / high) {
            fault(platform::format("tile (%g, %g) of GID %u draws at (%g, %g) from (%g, %g), not at (%g, %g) from (%g, %g)", p.x,
                                   p.y, model.gids[i], q.bl.vertices.x, q.bl.vertices.y, q.tl.texCoords.u * wide,
                                   q.tl.texCoords.v * high, at.x, at.y, rect.origin.x, rect.origin.y));
            return;
        }
    }
    if (quad != atlas->totalQuads())
        fault(platform::format("the tile layer draws %u quads for %u tiles", atlas->totalQuads(), quad));
}

// ---- Labels

void EngineLifeWalk::changeLabels()
{
    WalkScene* scene = onShow();
    if (!scene || ended)
        return;
    Building building(this->building);
    static const char glyphs[] = { 'A', 'V', 'B', ' ', '\n' };
    std::string text;
    for (size_t n = draw(8); n > 0; --n)
        text += glyphs[draw(std::size(glyphs))];
    constexpr int kBitmapTag = 7001, kTrueTypeTag = 7002;
    if (draw(2)) {
        auto* label = dynamic_cast<KSLabelBMFont*>(scene->work->getChildByTag(kBitmapTag));
        if (!label) {
            auto made = KSLabelBMFont::labelWithString("", dir.file("walk.fnt"));
            if (!made) {
                fault("the walk's bitmap font did not load");
                return;
            }
            scene->work->addChild(made.get(), 0, kBitmapTag);
            label = made.get();
        }
        note("    bitmap label \"" + text + "\"");
        const Size before = label->contentSize();
        label->setString(text);
        // The model: each line the sum of its glyphs' advances and kernings
        // (a glyph the font lacks advances nothing), every line the font's
        // height; the empty text keeps the size it had.
        Size want = before;
        if (!text.empty()) {
            float longest = 0, x = 0;
            int lines = 1;
            char previous = 0;
            for (size_t i = 0; i < text.size(); ++i) {
                const char ch = text[i];
                if (ch == '\n') {
                    lines += i + 1 < text.size() ? 1 : 0;
                    x = 0;
                    continue;
                }
                x += (previous == 'A' && ch == 'V' ? -2.0f : 0.0f) + (ch == 'A' ? 12 : ch == 'V' ? 11 : ch == 'B' ? 10 : 0);
                previous = ch;
                longest = std::max(longest, x);
            }
            want = { longest, 32.0f * static_cast<float>(lines) };
        }
        if (!(label->contentSize() == want))
            fault(platform::format("bitmap label \"%s\" is %g x %g, not %g x %g", text.c_str(), label->contentSize().width,
                                   label->contentSize().height, want.width, want.height));
        return;
    }
    auto* label = dynamic_cast<KSLabelTTF*>(scene->work->getChildByTag(kTrueTypeTag));
    if (!label) {
        const bool boxed = draw(2);
        auto made = boxed ? KSLabelTTF::labelWithString("", { 120, 40 }, KSTextAlignmentCenter, "DejaVu Sans", 14)
                          : KSLabelTTF::labelWithString("", "DejaVu Sans", 14);
        if (!made) {
            fault("the walk's TrueType label did not make");
            return;
        }
        scene->work->addChild(made.get(), 0, kTrueTypeTag);
        label = made.get();
    }
    note("    TrueType label \"" + text + "\"");
    label->setString(text);
    // Its box when it has one, else what a new label of the text measures.
    const Size box = label->dimensions();
    Size want = box;
    if (box.width == 0 && box.height == 0) {
        auto fresh = KSLabelTTF::labelWithString(text, "DejaVu Sans", 14);
        want = fresh ? fresh->contentSize() : Size();
    }
    if (!(label->contentSize() == want))
        fault(platform::format("TrueType label \"%s\" is %g x %g, not %g x %g", text.c_str(), label->contentSize().width,
                               label->contentSize().height, want.width, want.height));
}

// ---- Particles

namespace {

// Emits at a known rate for a known life: the count it holds follows them.
class WalkParticles : public KSParticleSystemQuad {
public:
    static Ref<WalkParticles> make(EngineLifeWalk* walk, float rate, float life, float duration)
    {
        auto system = platform::adoptRef(new WalkParticles);
        if (!system->initWithTotalParticles(kTotal))
            return nullptr;
        system->walk_ = walk;
        system->setEmissionRate(rate);
        system->setLife(life);
        system->setLifeVar(0);
        system->setDuration(duration);
        system->setGravity({ 0, -10 });
        system->setSpeed(20);
        system->setStartSize(4);
        system->setEndSize(2);
        return system;
    }
    void update(ksTime dt) override
    {
        clock_ += dt;
        KSParticleSystemQuad::update(dt);
        // Alive: those emitted in the last `life` seconds while it emitted.
        const float rate = emissionRate(), emittedUntil = duration() < 0 ? clock_ : std::min(clock_, duration());
        const float want = std::max(0.0f, rate * (emittedUntil - std::max(0.0f, clock_ - life())));
        const float slack = 2 + rate * dt;
        if (std::abs(static_cast<float>(particleCount()) - want) > slack && walk_)
            walk_->fault(platform::format("particles of rate %g and life %g hold %u after %.3f s, not about %.1f", rate, life(),
                                          particleCount(), clock_, want));
    }
    static constexpr unsigned kTotal = 30;

private:
    EngineLifeWalk* walk_ { nullptr };
    float clock_ { 0 };
};

} // namespace

void EngineLifeWalk::emitParticles()
{
    WalkScene* scene = onShow();
    if (!scene || ended)
        return;
    Building building(this->building);
    // From 10 to 24 alive at once, within what it holds.
    const float life = 0.2f + 0.1f * static_cast<float>(draw(4));
    const float rate = static_cast<float>(10 + draw(15)) / life;
    const float duration = draw(2) ? -1 : 0.2f + 0.2f * static_cast<float>(draw(4));
    note(platform::format("    particles at %g a second for %g s each, for %g s", rate, life, duration));
    if (auto system = WalkParticles::make(this, rate, life, duration))
        scene->work->addChild(system.get(), static_cast<int>(draw(5)) - 2);
    else
        fault("the walk's particle system did not make");
}

// ---- Nodes scaled on one axis, turned, moved and anchored anew

void EngineLifeWalk::reshapeNode(KSNode* node)
{
    static const float kScales[] = { -1, -0.5f, 0.5f, 0.75f, 1.5f, 2 };
    switch (draw(5)) {
    case 0: node->setScaleX(kScales[draw(std::size(kScales))]); break;
    case 1: node->setScaleY(kScales[draw(std::size(kScales))]); break;
    case 2: node->setRotation(static_cast<float>(draw(721)) - 360); break;
    case 3: node->setAnchorPoint({ 0.25f * static_cast<float>(draw(5)), 0.25f * static_cast<float>(draw(5)) }); break;
    default: node->setPosition({ static_cast<float>(draw(300)), static_cast<float>(draw(300)) }); break;
    }
}

// The walk's own files: a tile map and its tiles, a bitmap font.
void EngineLifeWalk::writeValueFixtures()
{
    tmx_test::writeTiles(dir.file("tiles.png"));
    dir.write("walk.tmx", tmx_test::mapDocument("orthogonal", kTileColumns, static_cast<int>(kTileGIDs.size()) / kTileColumns, 8, 8,
                                                tmx_test::kTileset
                                                    + tmx_test::layer("ground", kTileColumns,
                                                                      static_cast<int>(kTileGIDs.size()) / kTileColumns, kTileGIDs)));
    texture_test::writeSolidPNG(dir.file("walk-font.png"), 64, 64, 0xffffffff);
    auto glyph = [](int id, int x, int w, int h, int xo, int yo, int xa) {
        return platform::format("char id=%d x=%d y=0 width=%d height=%d xoffset=%d yoffset=%d xadvance=%d page=0 chnl=0\n", id,
                                x, w, h, xo, yo, xa);
    };
    dir.write("walk.fnt", "info face=\"Walk\" size=32\ncommon lineHeight=32 base=26 scaleW=64 scaleH=64 pages=1 packed=0\n"
                          "page id=0 file=\"walk-font.png\"\nchars count=3\n"
                          + glyph('A', 0, 10, 20, 2, 4, 12) + glyph('V', 16, 10, 20, 0, 4, 11) + glyph('B', 32, 8, 16, 1, 8, 10)
                          + "kernings count=1\nkerning first=65 second=86 amount=-2\n");
    // Captures left open say so in the log (the walk counts those lines).
    previousSink = platform::setLogSink([this](platform::LogLevel level, const std::string& line) {
        if (line.find("begun and never ended") != std::string::npos)
            ++leftOpenLogged;
        if (previousSink)
            previousSink(level, line);
        else
            std::fprintf(stderr, "%s%s\n", level == platform::LogLevel::Error ? "error: " : "", line.c_str());
    });
}

const std::vector<uint32_t> EngineLifeWalk::kTileGIDs = { 1, 2, 3, 0, 5, 6, 7, 8, 0, 1, 2, 3,
                                                          4, 5, 0, 7, 8, 1, 2, 3, 4, 0, 6, 7 };

} // namespace engine_walk
