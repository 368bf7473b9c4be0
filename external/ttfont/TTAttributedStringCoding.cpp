// Archiving of attributed strings and their runs as property-list values: the
// keys "index" and "attributes" for a run, "buffer" and "attributes" for a
// string. Decoding takes outside data: anything but a well-formed archive
// gives no object.
#include "external/ttfont/TTAttributedString.h"

#include "platform/graphics/TextEngine.h"


using platform::Ref;
using platform::Value;
using platform::ValueArray;
using platform::ValueDictionary;

namespace ttfont {

namespace {

constexpr const char* kColorComponents = "TTColorComponents";
constexpr const char* kColorIsGrey = "TTColorIsGrey";

Value encodeValue(const TTAttributeValue& value)
{
    if (const auto* c = std::get_if<platform::ui::Color>(&value))
        return ValueDictionary { { kColorComponents, ValueArray { c->red, c->green, c->blue, c->alpha } },
                                 { kColorIsGrey, c->grey } };
    return std::get<Value>(value);
}

TTAttributeValue decodeValue(const Value& value)
{
    if (!value.isDictionary() || value.size() != 2)
        return value;
    const Value& components = value[kColorComponents];
    const Value& grey = value[kColorIsGrey];
    if (!components.isArray() || components.size() != 4 || !grey.isBool())
        return value;
    float c[4];
    for (size_t i = 0; i < 4; ++i) {
        if (!components[i].isNumber())
            return value;
        c[i] = components[i].asFloat();
    }
    return platform::ui::Color { c[0], c[1], c[2], c[3], grey.asBool() };
}

} // namespace

Value TTAttributeRun::encodeWithCoder() const
{
    ValueDictionary attributes;
    for (const auto& [key, value] : attributes_.entries())
        attributes.set(key, encodeValue(value));
    return ValueDictionary { { "index", static_cast<unsigned long>(index_) }, { "attributes", std::move(attributes) } };
}

Ref<TTAttributeRun> TTAttributeRun::attributeRunWithCoder(const Value& coded)
{
    const Value& index = coded["index"];
    const Value& attributes = coded["attributes"];
    if (!coded.isDictionary() || !index.isInteger() || index.asInteger() < 0 || !attributes.isDictionary())
        return nullptr;
    TTAttributes decoded;
    for (const auto& [key, value] : attributes.dictionary())
        decoded.set(key, decodeValue(value));
    return attributeRunWithIndex(static_cast<size_t>(index.asInteger()), &decoded);
}

Value TTAttributedString::encodeWithCoder() const
{
    ValueArray runs;
    for (const auto& run : runs_)
        runs.push_back(run->encodeWithCoder());
    return ValueDictionary { { "buffer", string() }, { "attributes", std::move(runs) } };
}

bool TTAttributedString::initWithCoder(const Value& coded)
{
    const Value& buffer = coded["buffer"];
    const Value& attributes = coded["attributes"];
    if (!coded.isDictionary() || !buffer.isString() || !attributes.isArray())
        return false;
    std::u32string characters = platform::decodeUtf8(buffer.string());
    std::vector<Ref<TTAttributeRun>> runs;
    for (const Value& codedRun : attributes.array()) {
        Ref<TTAttributeRun> run = TTAttributeRun::attributeRunWithCoder(codedRun);
        if (!run)
            return false;
        // Runs start at 0, in increasing order, each inside the text (an empty
        // text keeps at most the one run at 0).
        const size_t expectedAtLeast = runs.empty() ? 0 : runs.back()->index() + 1;
        if ((runs.empty() && run->index() != 0) || run->index() < expectedAtLeast
            || (run->index() >= characters.size() && run->index() != 0))
            return false;
        runs.push_back(std::move(run));
    }
    if (runs.empty() && !characters.empty())
        return false;
    buffer_ = std::move(characters);
    runs_ = std::move(runs);
    return true;
}

Ref<TTAttributedString> TTAttributedString::attributedStringWithCoder(const Value& coded)
{
    auto s = platform::adoptRef(new TTAttributedString);
    return s->initWithCoder(coded) ? s : nullptr;
}

Ref<TTMutableAttributedString> TTMutableAttributedString::attributedStringWithCoder(const Value& coded)
{
    auto s = platform::adoptRef(new TTMutableAttributedString);
    return s->initWithCoder(coded) ? s : nullptr;
}

} // namespace ttfont
