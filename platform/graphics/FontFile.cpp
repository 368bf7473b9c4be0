// FontFile: FreeType faces opened from files that fontconfig names exactly.
// Part of the graphics layer; the text engine measures and lays out with it.
#include "platform/graphics/FontFile.h"

#include "platform/foundation/Bundle.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdlib>
#include <map>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::mutex& libraryMutex()
{
    static std::mutex m;
    return m;
}

FT_Library library()
{
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0)
            l = nullptr;
        return l;
    }();
    return lib;
}

struct Candidate {
    std::string file;
    int index { 0 };
    int score { 0 };
};

// Whether a pattern holds exactly this value for a string property.
bool hasValue(FcPattern* p, const char* object, const std::string& name)
{
    FcChar8* s = nullptr;
    for (int i = 0; FcPatternGetString(p, object, i, &s) == FcResultMatch; ++i) {
        if (name == reinterpret_cast<const char*>(s))
            return true;
    }
    return false;
}

// Among the files of a family, the plain face comes first: regular weight,
// upright, normal width.
int plainness(FcPattern* p)
{
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN, width = FC_WIDTH_NORMAL;
    FcPatternGetInteger(p, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(p, FC_SLANT, 0, &slant);
    FcPatternGetInteger(p, FC_WIDTH, 0, &width);
    if (weight == FC_WEIGHT_BOOK)
        weight = FC_WEIGHT_REGULAR;
    return std::abs(weight - FC_WEIGHT_REGULAR) * 1000 + slant * 10 + std::abs(width - FC_WIDTH_NORMAL);
}

std::vector<Candidate> listFonts(const char* object, const std::string& name)
{
    std::vector<Candidate> found;
    if (!FcInit())
        return found;
    // fontconfig keeps its configuration until FcFini; release it at exit.
    static const bool finiAtExit = (std::atexit([] { FcFini(); }), true);
    (void)finiAtExit;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, object, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcObjectSet* os = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_FAMILY,
                                       FC_FULLNAME, FC_POSTSCRIPT_NAME, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, os);
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            FcPattern* p = set->fonts[i];
            // fontconfig compares names loosely (case, blanks); ours must be exact.
            if (!hasValue(p, object, name))
                continue;
            FcChar8* file = nullptr;
            if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch)
                continue;
            Candidate c;
            c.file = reinterpret_cast<const char*>(file);
            FcPatternGetInteger(p, FC_INDEX, 0, &c.index);
            c.score = plainness(p);
            found.push_back(c);
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(os);
    FcPatternDestroy(pattern);
    return found;
}

std::mutex& cacheMutex()
{
    static std::mutex m;
    return m;
}

std::map<std::string, Ref<FontFile>>& byName()
{
    static auto* cache = new std::map<std::string, Ref<FontFile>>;
    return *cache;
}

std::map<std::pair<std::string, int>, Ref<FontFile>>& byFile()
{
    static auto* cache = new std::map<std::pair<std::string, int>, Ref<FontFile>>;
    return *cache;
}

Ref<FontFile> defaultNamed(const char* postScriptName, const char* fallbackPath)
{
    if (auto f = FontFile::findByName(postScriptName))
        return f;
    return FontFile::fromPath(fallbackPath);
}

} // namespace

FontFile::~FontFile()
{
    if (face_) {
        std::lock_guard guard(libraryMutex());
        FT_Done_Face(face_);
    }
}

Ref<FontFile> FontFile::fromPath(const std::string& path, int faceIndex)
{
    // Only regular files of a sane size: a device or a pipe is refused (and said).
    const int fd = path::openFile(path);
    if (fd < 0)
        return nullptr;
    ::close(fd);
    FT_Face face = nullptr;
    {
        std::lock_guard guard(libraryMutex());
        if (!library() || FT_New_Face(library(), path.c_str(), faceIndex, &face) != 0)
            return nullptr;
    }
    auto font = adoptRef(new FontFile);
    font->face_ = face;
    font->path_ = path;
    font->family_ = face->family_name ? face->family_name : "";
    const char* ps = FT_Get_Postscript_Name(face);
    font->postScriptName_ = ps ? ps : "";
    font->unitsPerEm_ = face->units_per_EM;
    font->ascender_ = face->ascender;
    font->descender_ = face->descender;
    font->height_ = face->height;
    font->hasKerning_ = FT_HAS_KERNING(face);
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF && os2->version >= 2) {
        font->capHeight_ = os2->sCapHeight;
        font->xHeight_ = os2->sxHeight;
    }
    if (font->unitsPerEm_ == 0) // bitmap-only faces cannot be measured in design units
        return nullptr;
    return font;
}

Ref<FontFile> FontFile::findByName(const std::string& name)
{
    if (name.empty())
        return nullptr;
    std::lock_guard guard(cacheMutex());
    auto& names = byName();
    if (auto it = names.find(name); it != names.end())
        return it->second;

    Ref<FontFile> result;
    for (const char* object : { FC_FAMILY, FC_FULLNAME, FC_POSTSCRIPT_NAME }) {
        auto found = listFonts(object, name);
        if (found.empty())
            continue;
        std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
            return a.score != b.score ? a.score < b.score : a.file < b.file;
        });
        auto key = std::make_pair(found.front().file, found.front().index);
        auto& files = byFile();
        if (auto it = files.find(key); it != files.end())
            result = it->second;
        else if ((result = fromPath(key.first, key.second)))
            files[key] = result;
        if (result)
            break;
    }
    names[name] = result; // misses are remembered too
    return result;
}

Ref<FontFile> FontFile::defaultFont()
{
    static Ref<FontFile> f = defaultNamed("DejaVuSans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    return f;
}

Ref<FontFile> FontFile::defaultBoldFont()
{
    static Ref<FontFile> f = defaultNamed("DejaVuSans-Bold", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    return f;
}

Ref<FontFile> FontFile::defaultItalicFont()
{
    static Ref<FontFile> f = defaultNamed("DejaVuSans-Oblique", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf");
    return f;
}

uint32_t FontFile::glyphIndex(char32_t c) const
{
    std::lock_guard guard(mutex_);
    if (auto it = glyphs_.find(c); it != glyphs_.end())
        return it->second;
    uint32_t g = FT_Get_Char_Index(face_, c);
    glyphs_[c] = g;
    return g;
}

float FontFile::advance(uint32_t glyph, float size) const
{
    std::lock_guard guard(mutex_);
    auto it = advances_.find(glyph);
    if (it == advances_.end()) {
        long adv = 0;
        if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0)
            adv = face_->glyph->advance.x;
        it = advances_.emplace(glyph, adv).first;
    }
    return scale(it->second, size);
}

float FontFile::kerning(uint32_t left, uint32_t right, float size) const
{
    if (!hasKerning_ || !left || !right)
        return 0;
    std::lock_guard guard(mutex_);
    FT_Vector k {};
    if (FT_Get_Kerning(face_, left, right, FT_KERNING_UNSCALED, &k) != 0)
        return 0;
    return scale(k.x, size);
}

std::optional<Bytes> FontFile::copyTable(uint32_t tag) const
{
    std::lock_guard guard(mutex_);
    FT_ULong length = 0;
    if (!FT_IS_SFNT(face_) || FT_Load_Sfnt_Table(face_, tag, 0, nullptr, &length) != 0)
        return std::nullopt;
    Bytes table(length);
    if (length && FT_Load_Sfnt_Table(face_, tag, 0, table.data(), &length) != 0)
        return std::nullopt;
    return table;
}

namespace {

// Collects an outline's contours; quadratic pieces are raised to cubics so
// that one curve kind serves every font format.
struct OutlineBuilder {
    FontFile::Outline segments;
    float lastX { 0 }, lastY { 0 };

    static OutlineBuilder& from(void* user) { return *static_cast<OutlineBuilder*>(user); }
    void add(FontFile::OutlineSegment::Kind kind, float x1, float y1, float x2, float y2, float x, float y)
    {
        segments.push_back({ kind, x1, y1, x2, y2, x, y });
        lastX = x;
        lastY = y;
    }
    static int moveTo(const FT_Vector* to, void* user)
    {
        from(user).add(FontFile::OutlineSegment::Move, 0, 0, 0, 0, to->x, to->y);
        return 0;
    }
    static int lineTo(const FT_Vector* to, void* user)
    {
        from(user).add(FontFile::OutlineSegment::Line, 0, 0, 0, 0, to->x, to->y);
        return 0;
    }
    static int conicTo(const FT_Vector* c, const FT_Vector* to, void* user)
    {
        auto& b = from(user);
        float x0 = b.lastX, y0 = b.lastY;
        float x1 = x0 + 2.f / 3.f * (c->x - x0), y1 = y0 + 2.f / 3.f * (c->y - y0);
        float x2 = to->x + 2.f / 3.f * (c->x - to->x), y2 = to->y + 2.f / 3.f * (c->y - to->y);
        b.add(FontFile::OutlineSegment::Cubic, x1, y1, x2, y2, to->x, to->y);
        return 0;
    }
    static int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
    {
        from(user).add(FontFile::OutlineSegment::Cubic, c1->x, c1->y, c2->x, c2->y, to->x, to->y);
        return 0;
    }
};

} // namespace

std::shared_ptr<const FontFile::Outline> FontFile::glyphOutline(uint32_t glyph) const
{
    std::lock_guard guard(mutex_);
    if (auto it = outlines_.find(glyph); it != outlines_.end())
        return it->second;
    OutlineBuilder builder;
    if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0
        && face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline_Funcs funcs {};
        funcs.move_to = &OutlineBuilder::moveTo;
        funcs.line_to = &OutlineBuilder::lineTo;
        funcs.conic_to = &OutlineBuilder::conicTo;
        funcs.cubic_to = &OutlineBuilder::cubicTo;
        if (FT_Outline_Decompose(&face_->glyph->outline, &funcs, &builder) != 0)
            builder.segments.clear();
    }
    auto outline = std::make_shared<const Outline>(std::move(builder.segments));
    outlines_.emplace(glyph, outline);
    return outline;
}

} // namespace platform
