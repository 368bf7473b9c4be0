// Strings with attributes (colour and other key/value pairs) over stretches of
// characters, kept as an ordered list of attribute runs, and their mutable
// form with text and attribute editing.
//
// Indexes and lengths count characters (Unicode code points), so an edit can
// never split one. Run k covers the characters from its index to the next
// run's index (the last one to the end); a new string has one run at 0, even
// when empty. Edits split runs at the edit's ends and merge equal neighbours
// around it; zero-length runs are dropped. Lookups past the end raise
// NSRangeException. Attributed strings are drawn in the system font at 17
// points; the colour comes from TTForegroundColorAttributeName (black without).
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/Types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace ttfont {

inline constexpr const char* TTForegroundColorAttributeName = "TTForegroundColorAttributeName";

// An attribute value: a property-list value or a colour.
using TTAttributeValue = std::variant<platform::Value, platform::ui::Color>;

// A dictionary of attributes, in insertion order; equal when it holds the same
// keys with equal values in any order.
class TTAttributes {
public:
    TTAttributes() = default;
    TTAttributes(std::initializer_list<std::pair<std::string, TTAttributeValue>> entries);

    const TTAttributeValue* find(const std::string& key) const;
    void set(const std::string& key, TTAttributeValue value);
    void remove(const std::string& key);
    void addEntries(const TTAttributes& other);
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::vector<std::pair<std::string, TTAttributeValue>>& entries() const { return entries_; }
    friend bool operator==(const TTAttributes& a, const TTAttributes& b);

private:
    std::vector<std::pair<std::string, TTAttributeValue>> entries_;
};

std::string describeAttributeValue(const TTAttributeValue& value);

struct TTRange {
    size_t location { 0 };
    size_t length { 0 };
    size_t max() const { return location + length; }
    friend bool operator==(const TTRange& a, const TTRange& b) { return a.location == b.location && a.length == b.length; }
};

// Enumeration options: reverse order, and (for one attribute) runs reported
// without merging equal neighbours.
enum : uint32_t { TTAttributedStringEnumerationReverse = 2, TTAttributedStringEnumerationLongestEffectiveRangeNotRequired = 0x100000 };

class TTAttributeRun final : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<TTAttributeRun> attributeRunWithIndex(size_t index, const TTAttributes* attributes);
    platform::Ref<TTAttributeRun> copy() const { return attributeRunWithIndex(index_, &attributes_); }

    size_t index() const { return index_; }
    const TTAttributes& attributes() const { return attributes_; }
    TTAttributes& mutableAttributes() { return attributes_; }
    void setIndex(size_t index) { index_ = index; }

    bool isEqual(const TTAttributeRun& other) const { return index_ == other.index_ && attributes_ == other.attributes_; }

    // Property-list coding, for archiving the run: {"index": n, "attributes":
    // {...}}. A colour value is coded as {"TTColorComponents": [r, g, b, a],
    // "TTColorIsGrey": flag}; every other value is itself.
    platform::Value encodeWithCoder() const;
    // Null unless `coded` holds a run as encodeWithCoder writes it.
    [[nodiscard]] static platform::Ref<TTAttributeRun> attributeRunWithCoder(const platform::Value& coded);

    std::string className() const override { return "TTAttributeRun"; }
    std::string description() const override;

private:
    TTAttributeRun() = default;
    size_t index_ { 0 };
    TTAttributes attributes_;
};

class TTMutableAttributedString;

class TTAttributedString : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<TTAttributedString> attributedString(const std::string& string = {},
                                                               const TTAttributes* attributes = nullptr);
    // Asserts that other is given.
    [[nodiscard]] static platform::Ref<TTAttributedString> attributedString(const TTAttributedString* other);

    // An immutable string: the receiver itself, or a new immutable copy of a mutable one.
    virtual platform::Ref<TTAttributedString> copy() const;
    platform::Ref<TTMutableAttributedString> mutableCopy() const;

    std::string string() const;
    const std::u32string& characters() const { return buffer_; }
    size_t length() const { return buffer_.size(); }
    const std::vector<platform::Ref<TTAttributeRun>>& attributes() const { return runs_; }

    // The value for key at index (null when absent) and the run's whole range.
    const TTAttributeValue* attribute(const std::string& key, size_t index, TTRange* effectiveRange) const;
    // The value and the longest range within limit where neighbouring runs hold an equal value.
    const TTAttributeValue* attribute(const std::string& key, size_t index, TTRange* longestEffectiveRange, TTRange limit) const;
    TTAttributes attributesAtIndex(size_t index, TTRange* effectiveRange) const;
    TTAttributes attributesAtIndex(size_t index, TTRange* longestEffectiveRange, TTRange limit) const;
    size_t indexOfEffectiveAttributeRunForIndex(size_t index) const;

    platform::Ref<TTAttributedString> attributedSubstringFromRange(TTRange range) const;

    using AttributesBlock = std::function<void(const TTAttributes&, TTRange, bool& stop)>;
    using AttributeBlock = std::function<void(const TTAttributeValue&, TTRange, bool& stop)>;
    // A range of (0, 0) is the whole string.
    void enumerateAttributesInRange(TTRange range, uint32_t options, const AttributesBlock& block) const;
    void enumerateAttribute(const std::string& key, TTRange range, uint32_t options, const AttributeBlock& block) const;

    bool isEqualToAttributedString(const TTAttributedString& other) const;

    // Property-list coding: {"buffer": the text, "attributes": [the runs]}.
    platform::Value encodeWithCoder() const;
    // Null unless `coded` holds a string as encodeWithCoder writes it, with
    // runs in order from 0 that each start inside the text.
    [[nodiscard]] static platform::Ref<TTAttributedString> attributedStringWithCoder(const platform::Value& coded);

    std::string className() const override { return "TTAttributedString"; }
    std::string description() const override;

    // Measuring and drawing (see the header comment for font and colours).
    platform::Size sizeConstrainedToSize(platform::Size limit, platform::LineBreakMode mode, int numberOfLines) const;
    platform::Size drawInRect(platform::GraphicsContext& context, platform::Rect rect, platform::LineBreakMode mode,
                              platform::TextAlignment alignment, int numberOfLines) const;

protected:
    TTAttributedString() = default;
    void initWithString(const std::u32string& string, const TTAttributes* attributes);
    void initWithAttributedString(const TTAttributedString* other);
    [[nodiscard]] bool initWithCoder(const platform::Value& coded);
    size_t runEnd(size_t run) const;

    std::u32string buffer_;
    std::vector<platform::Ref<TTAttributeRun>> runs_;

private:
    const TTAttributes& lookup(size_t index, TTRange* effectiveRange) const;
    const TTAttributes& lookup(size_t index, TTRange* longestEffectiveRange, TTRange limit, const std::string* key) const;
};

class TTMutableAttributedString final : public TTAttributedString {
public:
    [[nodiscard]] static platform::Ref<TTMutableAttributedString> attributedString(const std::string& string = {},
                                                                      const TTAttributes* attributes = nullptr);
    [[nodiscard]] static platform::Ref<TTMutableAttributedString> attributedString(const TTAttributedString* other);
    [[nodiscard]] static platform::Ref<TTMutableAttributedString> attributedStringWithCoder(const platform::Value& coded);

    platform::Ref<TTAttributedString> copy() const override;
    std::string className() const override { return "TTMutableAttributedString"; }

    void addAttribute(const std::string& key, TTAttributeValue value, TTRange range);
    void addAttributes(const TTAttributes& attributes, TTRange range);
    void removeAttribute(const std::string& key, TTRange range);
    void setAttributes(const TTAttributes& attributes, TTRange range);

    void replaceCharactersInRange(TTRange range, const TTAttributedString& other);
    void replaceCharactersInRange(TTRange range, const std::string& string);
    void insertAttributedString(const TTAttributedString& other, size_t index);
    void appendAttributedString(const TTAttributedString& other);
    void deleteCharactersInRange(TTRange range);
    void setAttributedString(const TTAttributedString& other);

    // Splits runs so that the returned run indexes cover exactly range.
    TTRange rangeOfAttributeRunsForRange(TTRange range);
    // Merges equal neighbours and drops empty runs from one run before to one after.
    void cleanupAttributesInRange(TTRange runs);
    void offsetRunsInRange(TTRange runs, ptrdiff_t offset);

private:
    TTMutableAttributedString() = default;
    template <typename Edit>
    void editAttributes(TTRange range, const Edit& edit);
};

} // namespace ttfont
