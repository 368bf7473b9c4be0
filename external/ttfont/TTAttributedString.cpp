// TTAttributedString and its mutable form: run lookups (binary searches over the
// run starts), enumeration, and edits that split, shift and merge only the runs
// around the edited range. Drawing lays the text out once and colours each glyph
// from the run holding its character.
#include "external/ttfont/TTAttributedString.h"

#include "external/ttfont/TTFont.h"
#include "external/ttfont/TTStringDrawing.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/graphics/Font.h"

#include <algorithm>

using platform::Ref;

namespace ttfont {

namespace {

#define TT_PARAMETER_ASSERT(cond, text) \
    BRISKO_ASSERT_FILE(cond, "external/ttfont/TTAttributedString", platform::format("Invalid parameter not satisfying: %s", text))

// The font attributed strings are laid out in.
const TTFont& drawingFont()
{
    static Ref<TTFont> font = TTFont::fontWithUIFont(platform::Font::systemFont(17).get());
    return *font;
}

} // namespace

// --- TTAttributes ---

TTAttributes::TTAttributes(std::initializer_list<std::pair<std::string, TTAttributeValue>> entries)
{
    for (const auto& e : entries)
        set(e.first, e.second);
}

const TTAttributeValue* TTAttributes::find(const std::string& key) const
{
    for (const auto& e : entries_) {
        if (e.first == key)
            return &e.second;
    }
    return nullptr;
}

void TTAttributes::set(const std::string& key, TTAttributeValue value)
{
    for (auto& e : entries_) {
        if (e.first == key) {
            e.second = std::move(value);
            return;
        }
    }
    entries_.emplace_back(key, std::move(value));
}

void TTAttributes::remove(const std::string& key)
{
    std::erase_if(entries_, [&](const auto& e) { return e.first == key; });
}

void TTAttributes::addEntries(const TTAttributes& other)
{
    for (const auto& e : other.entries_)
        set(e.first, e.second);
}

bool operator==(const TTAttributes& a, const TTAttributes& b)
{
    if (a.size() != b.size())
        return false;
    for (const auto& e : a.entries_) {
        const TTAttributeValue* v = b.find(e.first);
        if (!v || !(*v == e.second))
            return false;
    }
    return true;
}

std::string describeAttributeValue(const TTAttributeValue& value)
{
    if (const auto* c = std::get_if<platform::ui::Color>(&value))
        return platform::format("rgba(%g, %g, %g, %g)", c->red, c->green, c->blue, c->alpha);
    const auto& v = std::get<platform::Value>(value);
    switch (v.type()) {
    case platform::Value::Type::Nil:
        return "(null)";
    case platform::Value::Type::Bool:
        return v.asBool() ? "1" : "0";
    case platform::Value::Type::Integer:
    case platform::Value::Type::Real:
    case platform::Value::Type::String:
        return v.asString();
    default:
        return "<value>";
    }
}

// --- TTAttributeRun ---

Ref<TTAttributeRun> TTAttributeRun::attributeRunWithIndex(size_t index, const TTAttributes* attributes)
{
    auto run = platform::adoptRef(new TTAttributeRun);
    run->index_ = index;
    if (attributes)
        run->attributes_ = *attributes;
    return run;
}

std::string TTAttributeRun::description() const
{
    std::string entries;
    for (const auto& [key, value] : attributes_.entries()) {
        if (!entries.empty())
            entries += " ";
        entries += key + "=" + describeAttributeValue(value);
    }
    return platform::format("<%s: %p index=%lu attributes={%s}>", className().c_str(), static_cast<const void*>(this),
                            static_cast<unsigned long>(index_), entries.c_str());
}

// --- TTAttributedString ---

Ref<TTAttributedString> TTAttributedString::attributedString(const std::string& string, const TTAttributes* attributes)
{
    auto s = platform::adoptRef(new TTAttributedString);
    s->initWithString(platform::decodeUtf8(string), attributes);
    return s;
}

Ref<TTAttributedString> TTAttributedString::attributedString(const TTAttributedString* other)
{
    TT_PARAMETER_ASSERT(other != nullptr, "attr != nil");
    auto s = platform::adoptRef(new TTAttributedString);
    s->initWithAttributedString(other);
    return s;
}

void TTAttributedString::initWithString(const std::u32string& string, const TTAttributes* attributes)
{
    buffer_ = string;
    runs_.clear();
    runs_.push_back(TTAttributeRun::attributeRunWithIndex(0, attributes));
}

void TTAttributedString::initWithAttributedString(const TTAttributedString* other)
{
    TT_PARAMETER_ASSERT(other != nullptr, "attr != nil");
    buffer_ = other->buffer_;
    std::vector<Ref<TTAttributeRun>> runs;
    for (const auto& run : other->runs_)
        runs.push_back(run->copy());
    runs_ = std::move(runs);
}

Ref<TTAttributedString> TTAttributedString::copy() const
{
    return Ref<TTAttributedString>(const_cast<TTAttributedString*>(this));
}

Ref<TTMutableAttributedString> TTAttributedString::mutableCopy() const
{
    return TTMutableAttributedString::attributedString(this);
}

std::string TTAttributedString::string() const
{
    return platform::encodeUtf8(buffer_);
}

size_t TTAttributedString::runEnd(size_t run) const
{
    return run + 1 < runs_.size() ? runs_[run + 1]->index() : buffer_.size();
}

size_t TTAttributedString::indexOfEffectiveAttributeRunForIndex(size_t index) const
{
    size_t first = 0, last = runs_.size();
    while (last > first + 1) {
        size_t pivot = (first + last) / 2;
        size_t at = runs_[pivot]->index();
        if (at > index)
            last = pivot;
        else if (at < index)
            first = pivot;
        else
            return pivot;
    }
    return first;
}

const TTAttributes& TTAttributedString::lookup(size_t index, TTRange* effectiveRange) const
{
    if (index >= buffer_.size())
        platform::raiseRange("index beyond range of attributed string");
    size_t r = indexOfEffectiveAttributeRunForIndex(index);
    if (effectiveRange)
        *effectiveRange = { runs_[r]->index(), runEnd(r) - runs_[r]->index() };
    return runs_[r]->attributes();
}

const TTAttributes& TTAttributedString::lookup(size_t index, TTRange* longest, TTRange limit, const std::string* key) const
{
    if (index >= buffer_.size())
        platform::raiseRange("index beyond range of attributed string");
    if (limit.location > buffer_.size() || limit.length > buffer_.size() - limit.location)
        platform::raiseRange("rangeLimit beyond range of attributed string");
    size_t r = indexOfEffectiveAttributeRunForIndex(index);
    if (!longest)
        return runs_[r]->attributes();
    if (!key) {
        size_t location = std::max(runs_[r]->index(), limit.location);
        size_t end = std::min(runEnd(r), limit.max());
        *longest = { location, end > location ? end - location : 0 };
        return runs_[r]->attributes();
    }
    const TTAttributeValue* v = runs_[r]->attributes().find(*key);
    auto matches = [&](size_t run) {
        const TTAttributeValue* w = runs_[run]->attributes().find(*key);
        return w == v || (w && v && *w == *v);
    };
    size_t first = r;
    while (runs_[first]->index() > limit.location && matches(first - 1))
        --first;
    size_t stop = r + 1;
    while (stop < runs_.size() && runs_[stop]->index() < limit.max() && matches(stop))
        ++stop;
    size_t location = std::max(runs_[first]->index(), limit.location);
    size_t end = std::min(stop < runs_.size() ? runs_[stop]->index() : buffer_.size(), limit.max());
    *longest = { location, end > location ? end - location : 0 };
    return runs_[first]->attributes();
}

const TTAttributeValue* TTAttributedString::attribute(const std::string& key, size_t index, TTRange* effectiveRange) const
{
    return lookup(index, effectiveRange).find(key);
}

const TTAttributeValue* TTAttributedString::attribute(const std::string& key, size_t index, TTRange* longest, TTRange limit) const
{
    return lookup(index, longest, limit, &key).find(key);
}

TTAttributes TTAttributedString::attributesAtIndex(size_t index, TTRange* effectiveRange) const
{
    return lookup(index, effectiveRange);
}

TTAttributes TTAttributedString::attributesAtIndex(size_t index, TTRange* longest, TTRange limit) const
{
    return lookup(index, longest, limit, nullptr);
}

Ref<TTAttributedString> TTAttributedString::attributedSubstringFromRange(TTRange range) const
{
    if (range.location > buffer_.size() || range.length > buffer_.size() - range.location)
        platform::raiseRange("range was outisde of the attributed string");
    auto m = mutableCopy();
    if (range.location > 0)
        m->deleteCharactersInRange({ 0, range.location });
    if (range.max() < buffer_.size())
        m->deleteCharactersInRange({ range.length, buffer_.size() - range.max() });
    return m;
}

void TTAttributedString::enumerateAttributesInRange(TTRange range, uint32_t options, const AttributesBlock& block) const
{
    if (runs_.empty())
        return;
    // A snapshot: the block may edit the receiver while it runs.
    const std::vector<Ref<TTAttributeRun>> runs = runs_;
    const size_t length = buffer_.size();
    size_t first, last;
    if (range.location == 0 && range.length == 0) {
        range = { 0, length };
        first = 0;
        last = runs.size() - 1;
    } else if (range.length == 0) {
        first = last = indexOfEffectiveAttributeRunForIndex(range.location - 1);
    } else {
        first = indexOfEffectiveAttributeRunForIndex(range.location);
        last = indexOfEffectiveAttributeRunForIndex(range.max() - 1);
    }
    auto clampedRange = [](size_t start, size_t end) { return TTRange { start, end > start ? end - start : 0 }; };
    bool stop = false;
    if (options & TTAttributedStringEnumerationReverse) {
        size_t end = length;
        for (size_t r = last + 1; r-- > first;) {
            size_t start = std::max(runs[r]->index(), range.location);
            stop = false;
            block(runs[r]->attributes(), clampedRange(start, std::min(end, range.max())), stop);
            if (stop)
                return;
            end = runs[r]->index();
        }
        return;
    }
    for (size_t r = first; r <= last; ++r) {
        size_t start = std::max(runs[r]->index(), range.location);
        size_t end = std::min(r < last ? runs[r + 1]->index() : length, range.max());
        // Text the block added or removed moves what is left to report.
        const ptrdiff_t shift = static_cast<ptrdiff_t>(buffer_.size()) - static_cast<ptrdiff_t>(length);
        stop = false;
        block(runs[r]->attributes(), clampedRange(start + shift, end + shift), stop);
        if (stop)
            return;
    }
}

void TTAttributedString::enumerateAttribute(const std::string& key, TTRange range, uint32_t options,
                                            const AttributeBlock& block) const
{
    if (options & TTAttributedStringEnumerationLongestEffectiveRangeNotRequired) {
        enumerateAttributesInRange(range, options, [&](const TTAttributes& attrs, TTRange r, bool& stop) {
            if (const TTAttributeValue* v = attrs.find(key))
                block(*v, r, stop);
        });
        return;
    }
    std::optional<TTAttributeValue> pending;
    TTRange pendingRange;
    enumerateAttributesInRange(range, options, [&](const TTAttributes& attrs, TTRange r, bool& stopRuns) {
        const TTAttributeValue* v = attrs.find(key);
        if (!pending) {
            if (v)
                pending = *v;
            pendingRange = r;
        } else if (v && *pending == *v) {
            size_t lo = std::min(pendingRange.location, r.location);
            size_t hi = std::max(pendingRange.max(), r.max());
            pendingRange = { lo, hi - lo };
        } else {
            bool stop = false;
            block(*pending, pendingRange, stop);
            if (stop) {
                stopRuns = true;
                pending.reset();
                return;
            }
            pending.reset();
            if (v)
                pending = *v;
            pendingRange = r;
        }
    });
    if (pending) {
        bool stop = false;
        block(*pending, pendingRange, stop);
    }
}

bool TTAttributedString::isEqualToAttributedString(const TTAttributedString& other) const
{
    if (buffer_ != other.buffer_ || runs_.size() != other.runs_.size())
        return false;
    for (size_t i = 0; i < runs_.size(); ++i) {
        if (!runs_[i]->isEqual(*other.runs_[i]))
            return false;
    }
    return true;
}

std::string TTAttributedString::description() const
{
    std::vector<std::string> pieces;
    size_t previous = 0;
    for (size_t r = 0; r <= runs_.size(); ++r) {
        size_t boundary = r < runs_.size() ? runs_[r]->index() : buffer_.size();
        if (boundary > previous)
            pieces.push_back(platform::format("\"%s\"", platform::encodeUtf8(buffer_.substr(previous, boundary - previous)).c_str()));
        previous = std::max(previous, boundary);
        if (r < runs_.size()) {
            std::string entries;
            for (const auto& [key, value] : runs_[r]->attributes().entries()) {
                if (!entries.empty())
                    entries += ", ";
                entries += key + ": " + describeAttributeValue(value);
            }
            pieces.push_back("{" + entries + "}");
        }
    }
    std::string out;
    for (const auto& p : pieces) {
        if (!out.empty())
            out += ' ';
        out += p;
    }
    return out;
}

platform::Size TTAttributedString::sizeConstrainedToSize(platform::Size limit, platform::LineBreakMode mode, int numberOfLines) const
{
    const TTFont& font = drawingFont();
    auto o = layoutOptions(font, limit, mode, platform::TextAlignment::Left, numberOfLines);
    return platform::layoutText(string(), font.layoutFont(), o).size;
}

platform::Size TTAttributedString::drawInRect(platform::GraphicsContext& context, platform::Rect rect, platform::LineBreakMode mode,
                                              platform::TextAlignment alignment, int numberOfLines) const
{
    const TTFont& font = drawingFont();
    auto o = layoutOptions(font, rect.size, mode, alignment, numberOfLines);
    auto layout = platform::layoutText(string(), font.layoutFont(), o);
    platform::drawTextLayout(context, layout, font.layoutFont(), rect.origin, [&](platform::GraphicsContext& ctx, size_t index) {
        platform::ui::Color c = platform::ui::Color::black();
        if (index < buffer_.size() && !runs_.empty()) {
            const auto& attrs = runs_[indexOfEffectiveAttributeRunForIndex(index)]->attributes();
            if (const TTAttributeValue* v = attrs.find(TTForegroundColorAttributeName)) {
                if (const auto* color = std::get_if<platform::ui::Color>(v))
                    c = *color;
            }
        }
        ctx.setFillColor(c.red, c.green, c.blue, c.alpha);
    });
    return layout.size;
}

// --- TTMutableAttributedString ---

Ref<TTMutableAttributedString> TTMutableAttributedString::attributedString(const std::string& string, const TTAttributes* attributes)
{
    auto s = platform::adoptRef(new TTMutableAttributedString);
    s->initWithString(platform::decodeUtf8(string), attributes);
    return s;
}

Ref<TTMutableAttributedString> TTMutableAttributedString::attributedString(const TTAttributedString* other)
{
    TT_PARAMETER_ASSERT(other != nullptr, "attr != nil");
    auto s = platform::adoptRef(new TTMutableAttributedString);
    s->initWithAttributedString(other);
    return s;
}

Ref<TTAttributedString> TTMutableAttributedString::copy() const
{
    return TTAttributedString::attributedString(this);
}

TTRange TTMutableAttributedString::rangeOfAttributeRunsForRange(TTRange range)
{
    TT_PARAMETER_ASSERT(range.location <= buffer_.size() && range.length <= buffer_.size() - range.location,
                        "NSMaxRange(range) <= [_buffer length]");
    auto runAt = [&](size_t index, size_t attributesOf) {
        return TTAttributeRun::attributeRunWithIndex(index, &runs_[attributesOf]->attributes());
    };
    size_t first = runs_.size();
    for (size_t r = 0; r < runs_.size(); ++r) {
        if (runs_[r]->index() == range.location) {
            first = r;
            break;
        }
        if (runs_[r]->index() > range.location) {
            runs_.insert(runs_.begin() + static_cast<ptrdiff_t>(r), runAt(range.location, r - 1));
            first = r;
            break;
        }
    }
    if (first == runs_.size() && range.location < buffer_.size()) {
        // Inside the last run: split it. (At the very end nothing is split, so
        // no run ever starts at the string's length.)
        runs_.push_back(runs_.empty() ? TTAttributeRun::attributeRunWithIndex(range.location, nullptr)
                                      : runAt(range.location, runs_.size() - 1));
    }
    if (runs_.empty() || first == runs_.size())
        return { first, 0 };
    if (runs_.back()->index() < range.max()) {
        TTRange result { first, runs_.size() - first };
        if (range.max() < buffer_.size())
            runs_.push_back(runAt(range.max(), runs_.size() - 1));
        return result;
    }
    auto it = std::lower_bound(runs_.begin() + static_cast<ptrdiff_t>(first), runs_.end(), range.max(),
                               [](const Ref<TTAttributeRun>& run, size_t value) { return run->index() < value; });
    size_t position = static_cast<size_t>(it - runs_.begin());
    if (runs_[position]->index() > range.max())
        runs_.insert(runs_.begin() + static_cast<ptrdiff_t>(position), runAt(range.max(), position - 1));
    return { first, position - first };
}

void TTMutableAttributedString::cleanupAttributesInRange(TTRange window)
{
    size_t loc = window.location, n = window.length;
    if (loc > 0) {
        --loc;
        ++n;
    }
    if (loc + n >= runs_.size())
        n = runs_.size() > loc ? runs_.size() - loc : 0;
    else
        ++n;
    if (n == 0)
        return;
    size_t end = loc + n;
    // Runs left without characters by an edit go first.
    for (size_t r = loc; r < end;) {
        if (runEnd(r) <= runs_[r]->index()) {
            runs_.erase(runs_.begin() + static_cast<ptrdiff_t>(r));
            --end;
        } else {
            ++r;
        }
    }
    for (size_t r = loc + 1; r < end;) {
        if (runs_[r]->attributes() == runs_[r - 1]->attributes()) {
            runs_.erase(runs_.begin() + static_cast<ptrdiff_t>(r));
            --end;
        } else {
            ++r;
        }
    }
}

void TTMutableAttributedString::offsetRunsInRange(TTRange runs, ptrdiff_t offset)
{
    // New run objects, so that an enumeration's snapshot keeps the old positions.
    for (size_t r = runs.location; r < runs.max() && r < runs_.size(); ++r) {
        auto moved = runs_[r]->copy();
        moved->setIndex(static_cast<size_t>(static_cast<ptrdiff_t>(runs_[r]->index()) + offset));
        runs_[r] = moved;
    }
}

template <typename Edit>
void TTMutableAttributedString::editAttributes(TTRange range, const Edit& edit)
{
    TTRange runs = rangeOfAttributeRunsForRange(range);
    for (size_t r = runs.location; r < runs.max(); ++r)
        edit(runs_[r]->mutableAttributes());
    cleanupAttributesInRange(runs);
}

void TTMutableAttributedString::addAttribute(const std::string& key, TTAttributeValue value, TTRange range)
{
    editAttributes(range, [&](TTAttributes& a) { a.set(key, value); });
}

void TTMutableAttributedString::addAttributes(const TTAttributes& attributes, TTRange range)
{
    editAttributes(range, [&](TTAttributes& a) { a.addEntries(attributes); });
}

void TTMutableAttributedString::removeAttribute(const std::string& key, TTRange range)
{
    editAttributes(range, [&](TTAttributes& a) { a.remove(key); });
}

void TTMutableAttributedString::setAttributes(const TTAttributes& attributes, TTRange range)
{
    editAttributes(range, [&](TTAttributes& a) { a = attributes; });
}

void TTMutableAttributedString::deleteCharactersInRange(TTRange range)
{
    TTRange runs = rangeOfAttributeRunsForRange(range);
    buffer_.erase(range.location, range.length);
    runs_.erase(runs_.begin() + static_cast<ptrdiff_t>(runs.location), runs_.begin() + static_cast<ptrdiff_t>(runs.max()));
    offsetRunsInRange({ runs.location, runs_.size() - runs.location }, -static_cast<ptrdiff_t>(range.length));
    cleanupAttributesInRange({ runs.location, 0 });
}

void TTMutableAttributedString::replaceCharactersInRange(TTRange range, const TTAttributedString& other)
{
    // Copies first: other may be the receiver itself.
    const std::u32string text = other.characters();
    std::vector<Ref<TTAttributeRun>> inserted;
    if (!text.empty()) { // an empty replacement brings no (zero-length) run
        for (const auto& run : other.attributes()) {
            if (run->index() < text.size())
                inserted.push_back(run->copy());
        }
    }
    TTRange runs = rangeOfAttributeRunsForRange(range);
    buffer_.replace(range.location, range.length, text);
    runs_.erase(runs_.begin() + static_cast<ptrdiff_t>(runs.location), runs_.begin() + static_cast<ptrdiff_t>(runs.max()));
    runs_.insert(runs_.begin() + static_cast<ptrdiff_t>(runs.location), inserted.begin(), inserted.end());
    const size_t k = inserted.size();
    offsetRunsInRange({ runs.location, k }, static_cast<ptrdiff_t>(range.location));
    offsetRunsInRange({ runs.location + k, runs_.size() - runs.location - k },
                      static_cast<ptrdiff_t>(text.size()) - static_cast<ptrdiff_t>(range.length));
    // One window over the inserted runs and both their neighbours.
    cleanupAttributesInRange({ runs.location, k });
}

void TTMutableAttributedString::replaceCharactersInRange(TTRange range, const std::string& string)
{
    replaceCharactersInRange(range, *TTAttributedString::attributedString(string));
}

void TTMutableAttributedString::insertAttributedString(const TTAttributedString& other, size_t index)
{
    replaceCharactersInRange({ index, 0 }, other);
}

void TTMutableAttributedString::appendAttributedString(const TTAttributedString& other)
{
    replaceCharactersInRange({ buffer_.size(), 0 }, other);
}

void TTMutableAttributedString::setAttributedString(const TTAttributedString& other)
{
    initWithAttributedString(&other);
}

} // namespace ttfont
