// Bitmap fonts: the .fnt text reader (fields by position, a missing field reads
// as 0), the kerning table (uthash, keyed by the pair packed into 32 unsigned
// bits), the per-file configuration cache, and the label that lays one batch
// sprite per character out of the configuration.
#include "engine/KSLabelBMFont.h"

#include "engine/KSConfiguration.h"
#include "engine/KSSprite.h"
#include "engine/Support/KSFileUtils.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLContext.h"
#include "platform/graphics/TextEngine.h"

#include <climits>
#include <cstdlib>
#include <map>
#include <new>
#include <string_view>
#include <vector>

// Running out of memory in the kerning table throws instead of ending the process.
#define uthash_fatal(msg) throw std::bad_alloc()
#include <uthash.h>

struct _KerningHashElement {
    uint32_t key;   // first << 16 | (second & 0xffff)
    int32_t amount;
    UT_hash_handle hh;
};

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {

constexpr const char* kFile = "engine/KSLabelBMFont";

uint32_t kerningKey(uint32_t first, uint32_t second) { return (first << 16) | (second & 0xffffu); }

// The leading integer of a field: blanks skipped, an optional sign, digits;
// saturates at the int range; no number reads as 0.
int32_t intValue(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > int64_t(INT_MAX) + 1)
            value = int64_t(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    return static_cast<int32_t>(value);
}

// A line split at every "=": token k >= 1 starts with the k-th value.
class Fields {
public:
    explicit Fields(std::string_view line)
    {
        size_t start = 0;
        for (;;) {
            size_t eq = line.find('=', start);
            tokens_.push_back(line.substr(start, eq == std::string_view::npos ? std::string_view::npos : eq - start));
            if (eq == std::string_view::npos)
                break;
            start = eq + 1;
        }
    }
    bool has(size_t k) const { return k < tokens_.size(); }
    std::string_view token(size_t k) const { return has(k) ? tokens_[k] : std::string_view(); }
    int32_t value(size_t k) const { return intValue(token(k)); }

private:
    std::vector<std::string_view> tokens_;
};

bool startsWith(std::string_view line, std::string_view prefix) { return line.substr(0, prefix.size()) == prefix; }

bool isValidUtf8(const std::string& s)
{
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t extra;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xe0) == 0xc0) {
            extra = 1;
            cp = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            extra = 2;
            cp = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xc0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3f);
        }
        static const uint32_t kMin[4] = { 0, 0x80, 0x800, 0x10000 };
        if (cp < kMin[extra] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
            return false;
        i += extra + 1;
    }
    return true;
}

std::map<std::string, Ref<KSBMFontConfiguration>>*& configurations()
{
    static std::map<std::string, Ref<KSBMFontConfiguration>>* cache = nullptr;
    return cache;
}

} // namespace

// KSBMFontConfiguration ----------------------------------------------------------------

KSBMFontConfiguration* ksLoadFNTConfiguration(const std::string& fntFile)
{
    auto*& cache = configurations();
    if (!cache)
        cache = new std::map<std::string, Ref<KSBMFontConfiguration>>;
    auto found = cache->find(fntFile);
    if (found != cache->end())
        return found->second.get();
    Ref<KSBMFontConfiguration> configuration = KSBMFontConfiguration::configurationWithFNTFile(fntFile);
    if (!configuration)
        return nullptr;
    (*cache)[fntFile] = configuration;
    return configuration.get();
}

Ref<KSBMFontConfiguration> KSBMFontConfiguration::configurationWithFNTFile(const std::string& fntFile)
{
    auto c = adoptRef(new KSBMFontConfiguration);
    return c->initWithFNTfile(fntFile) ? c : nullptr;
}

bool KSBMFontConfiguration::initWithFNTfile(const std::string& fntFile)
{
    kerningDictionary_ = nullptr;
    parseConfigFile(fntFile);
    return true;
}

KSBMFontConfiguration::~KSBMFontConfiguration() { purgeKerningDictionary(); }

std::string KSBMFontConfiguration::description() const
{
    return platform::format("<%s = %s | Kernings:%u | Image = %s>", className().c_str(),
                            platform::addressString(this).c_str(), kerningCount(), atlasName_.c_str());
}

void KSBMFontConfiguration::purgeKerningDictionary()
{
    _KerningHashElement* element;
    _KerningHashElement* tmp;
    HASH_ITER(hh, kerningDictionary_, element, tmp)
    {
        HASH_DEL(kerningDictionary_, element);
        std::free(element);
    }
    kerningDictionary_ = nullptr;
}

unsigned KSBMFontConfiguration::kerningCount() const
{
    return kerningDictionary_ ? HASH_COUNT(kerningDictionary_) : 0u;
}

int KSBMFontConfiguration::kerningAmount(uint32_t first, uint32_t second) const
{
    if (!kerningDictionary_)
        return 0;
    uint32_t key = kerningKey(first, second);
    _KerningHashElement* element = nullptr;
    HASH_FIND(hh, kerningDictionary_, &key, sizeof(key), element);
    return element ? element->amount : 0;
}

void KSBMFontConfiguration::parseConfigFile(const std::string& fntFile)
{
    const std::string fullPath = KSFileUtils::fullPathFromRelativePath(fntFile);
    std::string contents;
    if (std::optional<std::vector<uint8_t>> read = platform::path::readFile(fullPath))
        contents.assign(read->begin(), read->end());
    // Text that is not UTF-8 is no text at all.
    if (!isValidUtf8(contents))
        return;

    _BMFontDef characterDefinition;
    std::string_view text(contents);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (startsWith(line, "info face")) {
            // Not read: the padding is left at zero.
        } else if (startsWith(line, "common lineHeight")) {
            parseCommonArguments(line);
        } else if (startsWith(line, "page id")) {
            parseImageFileName(line, fntFile);
        } else if (startsWith(line, "chars c")) {
            // The count is not needed.
        } else if (startsWith(line, "char")) {
            characterDefinition = _BMFontDef();
            parseCharacterDefinition(line, &characterDefinition);
            BMFontArray_[characterDefinition.charID] = characterDefinition;
        } else if (startsWith(line, "kernings count")) {
            parseKerningCapacity(line);
        } else if (startsWith(line, "kerning first")) {
            parseKerningEntry(line);
        }
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

void KSBMFontConfiguration::parseCommonArguments(const std::string& line)
{
    Fields f(line);
    commonHeight_ = static_cast<uint32_t>(f.value(1));
    const GLint maxTextureSize = KSConfiguration::sharedConfiguration()->maxTextureSize();
    BRISKO_ASSERT_FILE(f.value(3) <= maxTextureSize, kFile, "KSLabelBMFont: page can't be larger than supported");
    BRISKO_ASSERT_FILE(f.value(4) <= maxTextureSize, kFile, "KSLabelBMFont: page can't be larger than supported");
    BRISKO_ASSERT_FILE(f.value(5) == 1, kFile, "KSBitfontAtlas: only supports 1 page");
}

void KSBMFontConfiguration::parseImageFileName(const std::string& line, const std::string& fntFile)
{
    Fields f(line);
    BRISKO_ASSERT_FILE(f.value(1) == 0, kFile, "XXX: BitmapFontAtlas only supports 1 page");
    std::string_view token = f.token(2);
    size_t open = token.find('"');
    BRISKO_ASSERT_FILE(f.has(2) && open != std::string_view::npos, kFile, "BitmapFontAtlas file could not be found");
    size_t close = token.find('"', open + 1);
    std::string_view name = token.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                                   : close - open - 1);
    // Joined to the font's folder; a page that cannot be read leaves the font without one.
    atlasName_ = KSFileUtils::resourceNamedBy(fntFile, std::string(name));
}

void KSBMFontConfiguration::parseCharacterDefinition(const std::string& line, _BMFontDef* characterDefinition)
{
    Fields f(line);
    // The id runs up to the first blank (the next key's name follows it).
    std::string_view idToken = f.token(1);
    size_t blank = idToken.find(' ');
    const auto charID = static_cast<uint32_t>(intValue(idToken.substr(0, blank)));
    BRISKO_ASSERT_FILE(charID < kKSBMFontMaxChars, kFile, "BitmpaFontAtlas: CharID bigger than supported");
    characterDefinition->charID = charID;
    characterDefinition->rect = Rect(static_cast<float>(f.value(2)), static_cast<float>(f.value(3)),
                                     static_cast<float>(f.value(4)), static_cast<float>(f.value(5)));
    characterDefinition->xOffset = f.value(6);
    characterDefinition->yOffset = f.value(7);
    characterDefinition->xAdvance = f.value(8);
}

void KSBMFontConfiguration::parseKerningEntry(const std::string& line)
{
    Fields f(line);
    const auto first = static_cast<uint32_t>(f.value(1));
    const auto second = static_cast<uint32_t>(f.value(2));
    const int32_t amount = f.value(3);
    auto* element = static_cast<_KerningHashElement*>(std::calloc(1, sizeof(_KerningHashElement)));
    if (!element)
        throw std::bad_alloc();
    element->key = kerningKey(first, second);
    element->amount = amount;
    try {
        HASH_ADD(hh, kerningDictionary_, key, sizeof(element->key), element);
    } catch (const std::bad_alloc&) {
        // Making the first table failed before the element was linked: it is
        // still ours. A failed later growth leaves it linked in the old buckets.
        if (!kerningDictionary_) {
            std::free(element->hh.tbl);
            std::free(element);
        }
        throw;
    }
}

void KSBMFontConfiguration::parseInfoArguments(const std::string& line)
{
    Fields f(line);
    std::string_view padding = f.token(10);
    int32_t values[4] = { 0, 0, 0, 0 };
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t comma = padding.find(',', start);
        values[i] = intValue(padding.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                                   : comma - start));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    padding_.top = values[0];
    padding_.right = values[1];
    padding_.bottom = values[2];
    padding_.left = values[3];
}

// KSLabelBMFont ------------------------------------------------------------------------

void KSLabelBMFont::purgeCachedData()
{
    if (auto* cache = configurations())
        cache->clear();
}

unsigned KSLabelBMFont::cachedConfigurationCount()
{
    auto* cache = configurations();
    return cache ? static_cast<unsigned>(cache->size()) : 0u;
}

Ref<KSLabelBMFont> KSLabelBMFont::labelWithString(const std::string& string, const std::string& fntFile)
{
    auto l = adoptRef(new KSLabelBMFont);
    return l->initWithString(string, fntFile) ? l : nullptr;
}

bool KSLabelBMFont::initWithString(const std::string& string, const std::string& fntFile)
{
    // The page image becomes a texture and the font is checked against the GL
    // limits: without a context neither can be done, and the limits would read 0.
    if (!platform::GLContext::current()) {
        platform::logError("KSLabelBMFont: cannot make a label with %s: no GL context yet (make the labels after "
                           "the director has its view)",
                           fntFile.c_str());
        return false;
    }
    KSBMFontConfiguration* configuration = ksLoadFNTConfiguration(fntFile);
    if (configuration && configuration->atlasName().empty()) {
        // Not kept: once the file is there, the next label reads it.
        platform::logError("KSLabelBMFont: cannot make a label with %s: the font file is missing or names no page "
                           "image",
                           fntFile.c_str());
        configurations()->erase(fntFile);
        return false;
    }
    configuration_ = configuration;
    BRISKO_ASSERT_FILE(configuration_, kFile, "Error creating config for BitmapFontAtlas");
    const std::u32string text = platform::decodeUtf8(string);
    checkText(text);
    const auto capacity = static_cast<uint32_t>(text.size());
    if (!KSSpriteBatchNode::initWithFile(configuration_->atlasName(), capacity))
        return false;
    opacity_ = 255;
    color_ = ksWHITE;
    setContentSize(Size());
    opacityModifyRGB_ = textureAtlas()->texture()->hasPremultipliedAlpha();
    anchorPoint_ = { 0.5f, 0.5f };
    setString(string);
    return true;
}

void KSLabelBMFont::checkText(const std::u32string& text) const
{
    size_t glyphs = 0;
    for (char32_t c : text) {
        BRISKO_ASSERT_FILE(c < kKSBMFontMaxChars, kFile, "BitmapFontAtlas: character outside bounds");
        if (c != U'\n')
            ++glyphs;
    }
    BRISKO_ASSERT_FILE(glyphs <= kKSTextureAtlasMaxCapacity, kFile,
                       platform::format("KSLabelBMFont: a label shows at most %u glyphs", kKSTextureAtlasMaxCapacity));
}

void KSLabelBMFont::makeRoomFor(const std::u32string& text)
{
    // Sprites are kept by index: the text needs one for every character but a
    // newline at an index that has none yet. When those would not fit in the
    // batch beside the sprites the text does not use, the unused ones go.
    if (!children_)
        return;
    std::vector<bool> made(text.size(), false);
    std::vector<KSNode*> unused;
    for (KSNode* child : children_->objectsAs<KSNode>()) {
        const int tag = child->tag();
        if (tag >= 0 && static_cast<size_t>(tag) < text.size() && text[static_cast<size_t>(tag)] != U'\n')
            made[static_cast<size_t>(tag)] = true;
        else
            unused.push_back(child);
    }
    size_t sprites = children_->count();
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != U'\n' && !made[i])
            ++sprites;
    if (sprites <= kKSTextureAtlasMaxCapacity)
        return;
    for (KSNode* child : unused)
        removeChild(child, true);
}

void KSLabelBMFont::setString(const std::string& string)
{
    const std::u32string text = platform::decodeUtf8(string);
    checkText(text);
    string_ = string;
    if (children_)
        for (KSNode* child : children_->objectsAs<KSNode>())
            child->setVisible(false);
    makeRoomFor(text);
    createFontChars();
}

int KSLabelBMFont::kerningAmountForFirst(uint16_t first, uint16_t second) const
{
    return configuration_ ? configuration_->kerningAmount(first, second) : 0;
}

void KSLabelBMFont::createFontChars()
{
    const std::u32string text = platform::decodeUtf8(string_);
    const size_t n = text.size();
    if (n == 0)
        return;
    // Line-height arithmetic is signed, so a glyph offset beyond the line height
    // places the glyph above its band instead of wrapping around.
    const int64_t H = configuration_->commonHeight();
    int64_t lines = 1;
    for (size_t i = 0; i + 1 < n; ++i)
        if (text[i] == U'\n')
            ++lines;
    const int64_t totalHeight = H * lines;
    int64_t nextX = 0;
    int64_t nextY = totalHeight - H;
    uint32_t prev = 0xffff;
    int64_t longestLine = 0;

    for (size_t i = 0; i < n; ++i) {
        const char32_t c = text[i];
        BRISKO_ASSERT_FILE(c < kKSBMFontMaxChars, kFile, "BitmapFontAtlas: character outside bounds");
        if (c == U'\n') {
            nextX = 0;
            nextY -= H;
            continue;
        }
        const int kerning = kerningAmountForFirst(static_cast<uint16_t>(prev), static_cast<uint16_t>(c));
        const _BMFontDef& def = configuration_->fontDef(c);
        const Rect rect = def.rect;
        const int tag = static_cast<int>(i);

        auto* sprite = static_cast<KSSprite*>(getChildByTag(tag));
        if (!sprite) {
            Ref<KSSprite> made = KSSprite::spriteWithBatchNode(this, ksRectPixelsToPoints(rect));
            addChild(made.get(), 0, tag);
            sprite = made.get();
        } else {
            sprite->setTextureRectInPixels(rect, false, rect.size);
            sprite->setVisible(true);
            sprite->setOpacity(255);
        }

        const float x = static_cast<float>(nextX + def.xOffset + kerning) + rect.size.width / 2.0f;
        const float y = static_cast<float>(nextY + (H - def.yOffset)) - rect.size.height / 2.0f;
        sprite->setPositionInPixels({ x, y });

        sprite->setOpacityModifyRGB(opacityModifyRGB_);
        sprite->setColor(color_);
        if (opacity_ != 255)
            sprite->setOpacity(opacity_);

        nextX += kerning + def.xAdvance;
        prev = c;
        if (nextX > longestLine)
            longestLine = nextX;
    }
    setContentSizeInPixels(Size(static_cast<float>(longestLine), static_cast<float>(totalHeight)));
}

void KSLabelBMFont::setColor(ksColor3B color)
{
    color_ = color;
    if (children_)
        for (KSNode* child : children_->objectsAs<KSNode>())
            static_cast<KSSprite*>(child)->setColor(color);
}

void KSLabelBMFont::setOpacity(GLubyte opacity)
{
    opacity_ = opacity;
    if (children_)
        for (KSNode* child : children_->objectsAs<KSNode>())
            static_cast<KSSprite*>(child)->setOpacity(opacity);
}

void KSLabelBMFont::setOpacityModifyRGB(bool modify)
{
    opacityModifyRGB_ = modify;
    if (children_)
        for (KSNode* child : children_->objectsAs<KSNode>())
            static_cast<KSSprite*>(child)->setOpacityModifyRGB(modify);
}

void KSLabelBMFont::setAnchorPoint(Point point)
{
    if (point.x == anchorPoint_.x && point.y == anchorPoint_.y)
        return;
    KSSpriteBatchNode::setAnchorPoint(point);
    createFontChars();
}

const KSFloatProperties& KSLabelBMFont::floatProperties() const
{
    static const KSFloatProperties properties(&KSSpriteBatchNode::floatProperties(), {
        { "opacity", [](KSNode* n, float v) { static_cast<KSLabelBMFont*>(n)->setOpacity(ksFloatToByte(v)); } },
    });
    return properties;
}

} // namespace kestrel
