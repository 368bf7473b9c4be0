// Value types and enumerations shared by the headless UI layer: colours, edge
// insets, text ranges and the numbered options whose values callers store or
// compare (orientations, control events, return keys, autoresizing masks).
//
// Rectangles and points travel in notification user information as
// dictionaries ("x", "y", "width", "height"); rectValue/rectFromValue convert.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Value.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::ui {

// An RGBA colour (components 0..1). Grey-scale colours remember their space,
// so "black in grey scale" and "black in RGB" stay distinguishable.
struct Color {
    float red { 0 }, green { 0 }, blue { 0 }, alpha { 0 };
    bool grey { false };

    static constexpr Color rgb(float r, float g, float b, float a = 1) { return { r, g, b, a, false }; }
    static constexpr Color white(float w, float a = 1) { return { w, w, w, a, true }; }
    static constexpr Color black() { return white(0); }
    static constexpr Color whiteColor() { return white(1); }
    static constexpr Color clear() { return white(0, 0); }
    Color withAlpha(float a) const { Color c = *this; c.alpha = a; return c; }
    friend constexpr bool operator==(const Color& a, const Color& b)
    {
        return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha && a.grey == b.grey;
    }
};

struct EdgeInsets {
    float top { 0 }, left { 0 }, bottom { 0 }, right { 0 };
    friend constexpr bool operator==(const EdgeInsets& a, const EdgeInsets& b)
    {
        return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
    }
    Rect apply(const Rect& r) const { return { r.origin.x + left, r.origin.y + top, r.size.width - left - right, r.size.height - top - bottom }; }
};

// A range of a text in UTF-8 bytes.
struct TextRange {
    size_t location { 0 };
    size_t length { 0 };
    friend constexpr bool operator==(const TextRange& a, const TextRange& b) { return a.location == b.location && a.length == b.length; }
};

enum AutoresizingMask : unsigned {
    AutoresizingNone = 0,
    FlexibleLeftMargin = 1 << 0,
    FlexibleWidth = 1 << 1,
    FlexibleRightMargin = 1 << 2,
    FlexibleTopMargin = 1 << 3,
    FlexibleHeight = 1 << 4,
    FlexibleBottomMargin = 1 << 5,
};

enum class ContentMode {
    ScaleToFill = 0, ScaleAspectFit, ScaleAspectFill, Redraw, Center, Top, Bottom, Left, Right,
    TopLeft, TopRight, BottomLeft, BottomRight,
};

enum class InterfaceOrientation { Portrait = 1, PortraitUpsideDown = 2, LandscapeRight = 3, LandscapeLeft = 4 };
inline bool isLandscape(InterfaceOrientation o) { return o == InterfaceOrientation::LandscapeRight || o == InterfaceOrientation::LandscapeLeft; }

enum ControlEvents : uint32_t {
    TouchDown = 1 << 0,
    TouchDownRepeat = 1 << 1,
    TouchDragInside = 1 << 2,
    TouchDragOutside = 1 << 3,
    TouchDragEnter = 1 << 4,
    TouchDragExit = 1 << 5,
    TouchUpInside = 1 << 6,
    TouchUpOutside = 1 << 7,
    TouchCancel = 1 << 8,
    ValueChanged = 1 << 12,
    EditingDidBegin = 1 << 16,
    EditingChanged = 1 << 17,
    EditingDidEnd = 1 << 18,
    EditingDidEndOnExit = 1 << 19,
    AllTouchEvents = 0x00000FFF,
    AllEditingEvents = 0x000F0000,
    AllEvents = 0xFFFFFFFF,
};

enum ControlState : unsigned { StateNormal = 0, StateHighlighted = 1 << 0, StateDisabled = 1 << 1, StateSelected = 1 << 2 };

enum class ReturnKeyType { Default = 0, Go, Google, Join, Next, Route, Search, Send, Yahoo, Done, EmergencyCall };
enum class KeyboardType { Default = 0, ASCIICapable, NumbersAndPunctuation, URL, NumberPad, PhonePad, NamePhonePad, EmailAddress };
enum class AutocapitalizationType { None = 0, Words, Sentences, AllCharacters };
enum class AutocorrectionType { Default = 0, No, Yes };

// Keyboard and text behaviour of a text input.
struct TextInputTraits {
    ReturnKeyType returnKeyType { ReturnKeyType::Default };
    KeyboardType keyboardType { KeyboardType::Default };
    AutocapitalizationType autocapitalizationType { AutocapitalizationType::Sentences };
    AutocorrectionType autocorrectionType { AutocorrectionType::Default };
    bool secureTextEntry { false };
    bool enablesReturnKeyAutomatically { false };
};

Value rectValue(const Rect& r);
Rect rectFromValue(const Value& v);
Value pointValue(Point p);
Point pointFromValue(const Value& v);

} // namespace platform::ui

namespace platform::ui {

// Text editing on UTF-8 strings: ranges are clamped to the text and moved to
// character boundaries, so an edit never splits a character.
TextRange clampTextRange(const std::string& text, TextRange range);
std::string replaceTextRange(const std::string& text, TextRange range, const std::string& replacement);
// The range of the character before a position (empty at the start).
TextRange characterBefore(const std::string& text, size_t position);

} // namespace platform::ui
