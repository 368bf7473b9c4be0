// Makes the showcase's bitmap font: the printable ASCII characters of DejaVu
// Sans at 24 points drawn white into one 256 x 256 page image with our text
// engine, and the .fnt text file that describes it (a cell per character as
// wide as its advance plus a 2-pixel margin each side, the line height of the
// font, and the kerning pairs among the characters whose kerning is not zero).
//
// Usage: make_bitmap_font OUTPUT_FOLDER   (writes dejavu-sans-24.fnt and
// dejavu-sans-24.png; the committed copies are in resources/)
#include "platform/foundation/Format.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/TextEngine.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr const char* kName = "dejavu-sans-24";
constexpr float kSize = 24;
constexpr int kPage = 256;
constexpr int kMargin = 2;

// The x of the second character of a two-character text, after kerning.
float secondX(const std::string& pair, const platform::Font& font)
{
    auto layout = platform::layoutText(pair, font);
    if (layout.lines.empty() || layout.lines[0].glyphs.size() < 2)
        return 0;
    return layout.lines[0].glyphs[1].x;
}

float advanceOf(char c, const platform::Font& font) { return platform::layoutText(std::string(1, c), font).lines[0].width; }

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    auto font = platform::Font::fontWithName("DejaVu Sans", kSize);
    auto page = platform::GraphicsContext::create(kPage, kPage, platform::GraphicsContext::Format::RGBA);
    if (!font || !page) {
        std::fprintf(stderr, "no DejaVu Sans font or no bitmap\n");
        return 1;
    }
    page->setFillColor(1, 1, 1, 1);
    const int lineHeight = static_cast<int>(std::ceil(font->lineHeight()));
    const int base = static_cast<int>(std::ceil(font->ascender()));

    std::string chars;
    int count = 0, x = 0, y = 0;
    for (char c = 32; c < 127; ++c) {
        const float advance = advanceOf(c, *font);
        const int width = static_cast<int>(std::ceil(advance)) + 2 * kMargin;
        if (x + width > kPage) {
            x = 0;
            y += lineHeight + 1;
        }
        if (y + lineHeight > kPage) {
            std::fprintf(stderr, "the page is full\n");
            return 1;
        }
        if (c != ' ') {
            auto layout = platform::layoutText(std::string(1, c), *font);
            platform::drawTextLayout(*page, layout, *font, { static_cast<float>(x + kMargin), static_cast<float>(y) });
        }
        chars += platform::format("char id=%-4d x=%-5d y=%-5d width=%-5d height=%-5d xoffset=%-5d yoffset=0     "
                                  "xadvance=%-5d page=0  chnl=15\n",
                                  c, x, y, width, lineHeight, -kMargin, static_cast<int>(std::lround(advance)));
        ++count;
        x += width;
    }

    // Kerning among the letters and the punctuation that sit next to them most.
    const std::string kerned = "AFLPTVWYacdeoqrvwy.,";
    std::string kernings;
    int pairs = 0;
    for (char a : kerned)
        for (char b : kerned) {
            const std::string pair { a, b };
            const float amount = secondX(pair, *font) - advanceOf(a, *font);
            const long rounded = std::lround(amount);
            if (rounded != 0) {
                kernings += platform::format("kerning first=%-3d second=%-3d amount=%ld\n", a, b, rounded);
                ++pairs;
            }
        }

    const std::string image = std::string(kName) + ".png";
    auto png = page->makeImage();
    if (!png || !png->writePNG(out + "/" + image)) {
        std::fprintf(stderr, "cannot write %s\n", image.c_str());
        return 1;
    }
    std::ofstream fnt(out + "/" + kName + ".fnt", std::ios::binary);
    fnt << "info face=\"DejaVu Sans\" size=" << static_cast<int>(kSize)
        << " bold=0 italic=0 charset=\"\" unicode=0 stretchH=100 smooth=1 aa=1 padding=0,0,0,0 spacing=1,1\n"
        << "common lineHeight=" << lineHeight << " base=" << base << " scaleW=" << kPage << " scaleH=" << kPage
        << " pages=1 packed=0\n"
        << "page id=0 file=\"" << image << "\"\n"
        << "chars count=" << count << "\n"
        << chars << "kernings count=" << pairs << "\n"
        << kernings;
    if (!fnt) {
        std::fprintf(stderr, "cannot write the .fnt file\n");
        return 1;
    }
    return 0;
}
