// Draws the social client's kit images into a folder (the project ships them
// in resources/): button skins, badge caps, picture frames and default
// profile icons, background patterns, the panel border, the bar and loading
// strip art, the notice bars and their status marks, and small icons. Each
// image is simple flat art with a vertical shade, sized for the stretch caps
// its users give it.
// Usage: make_kit_images OUTPUT_DIR
#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/TextEngine.h"
#include "social/dashboard/frame/QVDashboardTabArt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

using platform::GraphicsContext;
using platform::Rect;

namespace {

struct Rgb {
    float r, g, b;
    Rgb scaled(float k) const { return { std::min(1.f, r * k), std::min(1.f, g * k), std::min(1.f, b * k) }; }
};

constexpr float kPi = 3.14159265f;

void roundedPath(GraphicsContext& g, const Rect& r, float radius)
{
    float rad = std::min({ radius, r.size.width / 2, r.size.height / 2 });
    g.beginPath();
    g.moveTo(r.minX(), r.midY());
    g.addArc(r.minX() + rad, r.minY() + rad, rad, kPi, 1.5f * kPi, true);
    g.addArc(r.maxX() - rad, r.minY() + rad, rad, 1.5f * kPi, 2 * kPi, true);
    g.addArc(r.maxX() - rad, r.maxY() - rad, rad, 0, 0.5f * kPi, true);
    g.addArc(r.minX() + rad, r.maxY() - rad, rad, 0.5f * kPi, kPi, true);
    g.closePath();
}

// Fills the triangle through three points.
void fillTriangle(GraphicsContext& g, float x0, float y0, float x1, float y1, float x2, float y2)
{
    g.beginPath();
    g.moveTo(x0, y0);
    g.lineTo(x1, y1);
    g.lineTo(x2, y2);
    g.closePath();
    g.fillPath();
}

// Fills the current clip with rows shading from `top` to `bottom`.
void verticalShade(GraphicsContext& g, const Rect& r, Rgb top, Rgb bottom, float alpha = 1)
{
    int rows = static_cast<int>(std::ceil(r.size.height));
    for (int y = 0; y < rows; ++y) {
        float t = rows > 1 ? static_cast<float>(y) / (rows - 1) : 0;
        g.setFillColor(top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t,
                       top.b + (bottom.b - top.b) * t, alpha);
        g.fillRect(Rect(r.minX(), r.minY() + y, r.size.width, 1));
    }
}

// A rounded, shaded lozenge with a one-point darker rim.
void pill(GraphicsContext& g, const Rect& r, float radius, Rgb colour)
{
    g.save();
    roundedPath(g, r, radius);
    g.clip();
    g.setFillColor(colour.r * 0.6f, colour.g * 0.6f, colour.b * 0.6f, 1);
    g.fillRect(r);
    g.restore();
    Rect inner(r.minX() + 1, r.minY() + 1, r.size.width - 2, r.size.height - 2);
    g.save();
    roundedPath(g, inner, radius - 1);
    g.clip();
    verticalShade(g, inner, colour.scaled(1.25f), colour.scaled(0.85f));
    g.restore();
}

bool write(const std::string& dir, const std::string& name, int w, int h,
           const std::function<void(GraphicsContext&)>& draw)
{
    auto g = GraphicsContext::create(w, h, GraphicsContext::Format::RGBA);
    if (!g)
        return false;
    g->clear();
    draw(*g);
    auto image = g->makeImage();
    if (!image || !image->writePNG(dir + "/" + name)) {
        std::fprintf(stderr, "cannot write %s\n", name.c_str());
        return false;
    }
    return true;
}

const Rgb kGreen { 0.20f, 0.62f, 0.22f };
// The faces that carry white words (buttons, badges): dark enough for the words to read (4.5:1).
const Rgb kButtonGreen { 0.12f, 0.46f, 0.16f };
const Rgb kBadgeFaceGreen { 0.10f, 0.46f, 0.17f };
const Rgb kRed { 0.78f, 0.14f, 0.14f };
const Rgb kGrey { 0.55f, 0.55f, 0.57f };
const Rgb kBadgeGreen { 0.16f, 0.66f, 0.24f };
const Rgb kBadgeRed { 0.85f, 0.12f, 0.16f };

// The dashboard's tab strip: its height, and where each tab draws its icon and name.
constexpr int kTabHeight = static_cast<int>(quorvel::QVDashboardTabArt::kStripHeight);
constexpr float kTabIconSize = quorvel::QVDashboardTabArt::kIconSize;
constexpr float kTabIconTop = quorvel::QVDashboardTabArt::kIconTop;
constexpr float kTabTitleSize = quorvel::QVDashboardTabArt::kNameSize;

} // namespace

// A filled circle.
static void disc(GraphicsContext& g, float cx, float cy, float radius, Rgb colour, float alpha = 1)
{
    g.setFillColor(colour.r, colour.g, colour.b, alpha);
    g.beginPath();
    g.addArc(cx, cy, radius, 0, 2 * kPi, true);
    g.fillPath();
}

// List rows: light even and odd rows with a hairline at the bottom, their
// blue selected forms, the dark leading row, and the plain table header's
// rounded strip (caps 11 x 22).
static bool drawListImages(const std::string& dir)
{
    bool ok = true;
    struct Row {
        const char* name;
        Rgb top, bottom;
    };
    const Row rows[] = {
        { "QVTableCellDefaultBackground.png", { 1.0f, 1.0f, 1.0f }, { 0.96f, 0.96f, 0.97f } },
        { "QVTableCellDefaultBackgroundOdd.png", { 0.90f, 0.91f, 0.93f }, { 0.85f, 0.86f, 0.88f } },
        { "QVTableCellDefaultBackgroundSelected.png", { 0.35f, 0.55f, 0.85f }, { 0.20f, 0.40f, 0.75f } },
        { "QVTableCellDefaultBackgroundOddSelected.png", { 0.32f, 0.52f, 0.82f }, { 0.18f, 0.37f, 0.72f } },
        { "QVLeadingCellBackground.png", { 0.27f, 0.32f, 0.40f }, { 0.15f, 0.18f, 0.24f } },
    };
    for (const Row& row : rows) {
        ok &= write(dir, row.name, 16, 44, [&](GraphicsContext& g) {
            verticalShade(g, Rect(0, 0, 16, 44), row.top, row.bottom);
            g.setFillColor(0, 0, 0, 0.18f);
            g.fillRect(Rect(0, 43, 16, 1));
        });
    }
    ok &= write(dir, "QVPlainTableHeaderBackground.png", 23, 45, [&](GraphicsContext& g) {
        roundedPath(g, Rect(1, 1, 21, 43), 8);
        g.clip();
        verticalShade(g, Rect(0, 0, 23, 45), Rgb { 0.95f, 0.95f, 0.88f }, Rgb { 0.86f, 0.86f, 0.78f });
    });
    return ok;
}

// The dashboard pages' art: the ticker bar and its close button, the game
// page's grid button skins, the three tabs' icons (portrait, landscape and
// tablet; normal, hit and disabled), the tab divider, the map button, and the
// achievement icons and progress bar.
static bool drawDashboardImages(const std::string& dir)
{
    bool ok = true;
    for (const auto& entry : { std::pair { "", 24 }, std::pair { "IPad", 34 } }) {
        const std::string suffix = entry.first;
        const int closeWidth = entry.second;
        ok &= write(dir, "QVTickerBar" + suffix + ".png", 81, 24, [&](GraphicsContext& g) {
            verticalShade(g, Rect(0, 0, 81, 24), Rgb { 0.22f, 0.24f, 0.28f }, Rgb { 0.08f, 0.09f, 0.11f });
            g.setFillColor(1, 1, 1, 0.2f);
            g.fillRect(Rect(0, 0, 81, 1));
        });
        ok &= write(dir, "QVTickerClose" + suffix + ".png", closeWidth, 24, [&](GraphicsContext& g) {
            verticalShade(g, Rect(0, 0, closeWidth, 24), Rgb { 0.30f, 0.10f, 0.10f }, Rgb { 0.16f, 0.04f, 0.04f });
            g.setStrokeColor(1, 1, 1, 1);
            g.setLineWidth(2);
            float cx = closeWidth / 2.0f;
            g.beginPath();
            g.moveTo(cx - 5, 7);
            g.lineTo(cx + 5, 17);
            g.moveTo(cx + 5, 7);
            g.lineTo(cx - 5, 17);
            g.strokePath();
        });
    }

    // Game page buttons (caps 1 x 1): a shaded face with a light rim; the top
    // row lighter, the bottom row darker.
    for (const auto& entry : { std::pair { "Top", 1.1f }, std::pair { "Middle", 1.0f }, std::pair { "Bottom", 0.9f } }) {
        const std::string part = entry.first;
        const float k = entry.second;
        for (const auto& hit : { std::pair { "", 1.0f }, std::pair { "Hit", 0.7f } }) {
            ok &= write(dir, "QVGameProfileButton" + part + hit.first + ".png", 12, 12, [&](GraphicsContext& g) {
                g.setFillColor(0.55f, 0.60f, 0.66f, 1);
                g.fillRect(Rect(0, 0, 12, 12));
                verticalShade(g, Rect(1, 1, 10, 10), Rgb { 0.20f, 0.36f, 0.58f }.scaled(k * hit.second),
                              Rgb { 0.12f, 0.22f, 0.38f }.scaled(k * hit.second));
            });
        }
    }

    // Dashboard tabs. The bar lays an image-style tab out as wide as its
    // active image, which is the whole tab: the strip's width shared by the
    // three tabs (320 and 480 points on a phone, the 640-point dashboard on a tablet), each image holding a shaded face,
    // its icon (a play disc, a person, a grid of games) centred at the top and
    // its title below. The active face is opaque, as it covers the inactive
    // one. The dashboard places its badges by the same figures (QVDashboardTabArt).
    struct TabLook {
        Rgb top, bottom, ink;
    };
    const TabLook active { { 0.24f, 0.27f, 0.32f }, { 0.12f, 0.14f, 0.17f }, { 0.45f, 0.80f, 1.0f } };
    const TabLook inactive { { 0.13f, 0.14f, 0.16f }, { 0.06f, 0.07f, 0.08f }, { 0.62f, 0.64f, 0.68f } };
    const TabLook disabled { { 0.13f, 0.14f, 0.16f }, { 0.06f, 0.07f, 0.08f }, { 0.30f, 0.31f, 0.33f } };
    auto tabImage = [&](const std::string& name, int width, int shape, const std::string& title, const TabLook& look) {
        ok &= write(dir, name, width, kTabHeight, [&](GraphicsContext& g) {
            const float w = static_cast<float>(width);
            verticalShade(g, Rect(0, 0, w, kTabHeight), look.top, look.bottom);
            g.setFillColor(1, 1, 1, 0.12f);
            g.fillRect(Rect(0, 0, w, 1));
            const float s = kTabIconSize, x = std::round((w - s) / 2), y = kTabIconTop;
            g.setFillColor(look.ink.r, look.ink.g, look.ink.b, 1);
            if (shape == 0) {
                g.beginPath();
                g.addArc(x + s / 2, y + s / 2, s / 2, 0, 2 * kPi, false);
                g.fillPath();
                g.setFillColor(look.bottom.r, look.bottom.g, look.bottom.b, 1);
                fillTriangle(g, x + s * 0.38f, y + s * 0.26f, x + s * 0.76f, y + s * 0.5f, x + s * 0.38f, y + s * 0.74f);
            } else if (shape == 1) {
                g.beginPath();
                g.addArc(x + s / 2, y + s * 0.28f, s * 0.24f, 0, 2 * kPi, false);
                g.fillPath();
                roundedPath(g, Rect(x + s * 0.12f, y + s * 0.58f, s * 0.76f, s * 0.42f), s * 0.2f);
                g.fillPath();
            } else {
                const float cell = s * 0.44f, gap = s - 2 * cell;
                for (int i = 0; i < 4; ++i) {
                    roundedPath(g, Rect(x + (i % 2) * (cell + gap), y + (i / 2) * (cell + gap), cell, cell), s * 0.08f);
                    g.fillPath();
                }
            }
            auto font = platform::Font::boldSystemFont(kTabTitleSize);
            if (!font)
                return;
            g.setFillColor(look.ink.r, look.ink.g, look.ink.b, 1);
            platform::TextLayoutOptions options;
            options.alignment = platform::TextAlignment::Center;
            options.maxLines = 1;
            options.lineBreakMode = platform::LineBreakMode::Clip;
            platform::drawText(g, title, *font, Rect(0, quorvel::QVDashboardTabArt::kNameTop, w, kTabHeight - quorvel::QVDashboardTabArt::kNameTop), options);
        });
    };
    for (const auto& entry : { std::pair { "Portrait", 320 }, std::pair { "Landscape", 480 }, std::pair { "IPad", 640 } }) {
        const std::string suffix = entry.first;
        // Widths that add up to the strip: 107 + 107 + 106 on a 320-point phone.
        const int strip = entry.second, first = (strip + 2) / 3, last = strip - 2 * first;
        const auto& names = quorvel::QVDashboardTabArt::kNames;
        tabImage("QVDashboardTabNowPlaying" + suffix + "Hit.png", first, 0, names[0], active);
        tabImage("QVDashboardTabNowPlaying" + suffix + ".png", first, 0, names[0], inactive);
        tabImage("QVDashboardTabMyQuorvel" + suffix + "Hit.png", first, 1, names[1], active);
        tabImage("QVDashboardTabMyQuorvel" + suffix + ".png", first, 1, names[1], inactive);
        tabImage("QVDashboardTabMyQuorvel" + suffix + "Disabled.png", first, 1, names[1], disabled);
        tabImage("QVDashboardTabDiscovery" + suffix + "Hit.png", last, 2, names[2], active);
        tabImage("QVDashboardTabDiscovery" + suffix + ".png", last, 2, names[2], inactive);
        tabImage("QVDashboardTabDiscovery" + suffix + "Disabled.png", last, 2, names[2], disabled);
    }
    ok &= write(dir, "QVTabBarDivider.png", 2, 36, [&](GraphicsContext& g) {
        g.setFillColor(0, 0, 0, 0.6f);
        g.fillRect(Rect(0, 0, 1, 36));
        g.setFillColor(1, 1, 1, 0.15f);
        g.fillRect(Rect(1, 0, 1, 36));
    });
    ok &= write(dir, "QVMapButton.png", 30, 30, [&](GraphicsContext& g) {
        g.setFillColor(0.85f, 0.20f, 0.20f, 1);
        g.beginPath();
        g.addArc(15, 12, 7, 0, 2 * kPi, false);
        g.fillPath();
        fillTriangle(g, 9, 15, 15, 27, 21, 15);
    });

    // The high-score row's attached-data button: a down arrow in a disc.
    ok &= write(dir, "QVHighScoreBlobButton.png", 26, 26, [&](GraphicsContext& g) {
        g.setFillColor(0.15f, 0.45f, 0.80f, 1);
        g.beginPath();
        g.addArc(13, 13, 12, 0, 2 * kPi, false);
        g.fillPath();
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(2.5f);
        g.beginPath();
        g.moveTo(13, 6);
        g.lineTo(13, 19);
        g.moveTo(8, 14);
        g.lineTo(13, 19);
        g.lineTo(18, 14);
        g.strokePath();
    });

    // Achievements: locked (grey padlock square), the generic unlocked icon
    // (gold, not square), the progress bar's trough and fill (cap 10), the
    // default game icon.
    ok &= write(dir, "QVLockedAchievementIcon.png", 48, 48, [&](GraphicsContext& g) {
        pill(g, Rect(0, 0, 48, 48), 6, Rgb { 0.35f, 0.36f, 0.38f });
        g.setFillColor(0.75f, 0.76f, 0.78f, 1);
        g.fillRect(Rect(15, 22, 18, 14));
        g.setStrokeColor(0.75f, 0.76f, 0.78f, 1);
        g.setLineWidth(3);
        g.beginPath();
        g.addArc(24, 22, 6, kPi, 2 * kPi, true);
        g.strokePath();
    });
    ok &= write(dir, "QVUnlockedAchievementIconNotSquare.png", 48, 48, [&](GraphicsContext& g) {
        g.setFillColor(0.86f, 0.68f, 0.16f, 1);
        g.beginPath();
        g.addArc(24, 24, 21, 0, 2 * kPi, false);
        g.fillPath();
        g.setFillColor(1, 0.9f, 0.5f, 1);
        g.beginPath();
        g.addArc(24, 24, 11, 0, 2 * kPi, false);
        g.fillPath();
    });
    ok &= write(dir, "QVAchievementProgressBackground.png", 21, 10, [&](GraphicsContext& g) {
        pill(g, Rect(0, 0, 21, 10), 5, Rgb { 0.25f, 0.26f, 0.28f });
    });
    ok &= write(dir, "QVAchievementProgressBar.png", 21, 10, [&](GraphicsContext& g) {
        pill(g, Rect(0, 0, 21, 10), 5, kGreen);
    });
    // A game without an icon of its own: a game pad on a slate tile, drawn at the larger size a
    // screen shows an icon (114 points) so that it still reads scaled to half (57).
    ok &= write(dir, "QVDefaultApplicationIcon.png", 114, 114, [&](GraphicsContext& g) {
        g.save();
        roundedPath(g, Rect(0, 0, 114, 114), 20);
        g.clip();
        verticalShade(g, Rect(0, 0, 114, 114), Rgb { 0.42f, 0.52f, 0.66f }, Rgb { 0.18f, 0.24f, 0.36f });
        g.setFillColor(1, 1, 1, 0.18f);
        g.fillRect(Rect(0, 0, 114, 2));
        g.restore();
        // The pad: a rounded body with two grips.
        const Rgb pad { 0.96f, 0.97f, 0.99f };
        g.setFillColor(pad.r, pad.g, pad.b, 1);
        roundedPath(g, Rect(16, 38, 82, 38), 19);
        g.fillPath();
        for (float x : { 31.f, 83.f })
            disc(g, x, 72, 15, pad);
        // Its cross on the left and four buttons on the right, in the tile's dark blue.
        g.setFillColor(0.2f, 0.27f, 0.4f, 1);
        g.fillRect(Rect(27, 50, 8, 22));
        g.fillRect(Rect(20, 57, 22, 8));
        const Rgb buttons[] = { { 0.85f, 0.25f, 0.22f }, { 0.2f, 0.62f, 0.3f }, { 0.95f, 0.7f, 0.15f }, { 0.2f, 0.45f, 0.85f } };
        const float at[][2] = { { 83, 50 }, { 83, 70 }, { 73, 60 }, { 93, 60 } };
        for (int i = 0; i < 4; ++i)
            disc(g, at[i][0], at[i][1], 5, buttons[i]);
    });
    return ok;
}

// The dashboard frame: the content frame's border (caps 25, square and rounded
// corners), the large screens' drop shadow (caps 30), the overlapping segments
// of tabbed headers (left cap 27), the player banner (caps 10 x 21) and its
// offline stand-in, and the resume button's background.
static bool drawFrameImages(const std::string& dir)
{
    bool ok = true;
    for (const auto& entry : { std::pair { "QVContentFrameBorder.png", 2.0f }, std::pair { "QVContentFrameBorderRound.png", 12.0f } }) {
        const float radius = entry.second;
        ok &= write(dir, entry.first, 51, 51, [&](GraphicsContext& g) {
            g.setStrokeColor(0.08f, 0.09f, 0.11f, 0.9f);
            g.setLineWidth(4);
            roundedPath(g, Rect(2, 2, 47, 47), radius);
            g.strokePath();
            g.setStrokeColor(1, 1, 1, 0.25f);
            g.setLineWidth(1);
            roundedPath(g, Rect(4.5f, 4.5f, 42, 42), std::max(0.0f, radius - 2));
            g.strokePath();
        });
    }
    // The shadow's view reaches only 3 points past the dashboard's sides, and the
    // dashboard covers the rest: the whole fall-off lies in the outer 3 pixels.
    ok &= write(dir, "QVDashboardShadow.png", 61, 61, [&](GraphicsContext& g) {
        for (int i = 0; i < 4; ++i) {
            g.setFillColor(0, 0, 0, 0.16f);
            roundedPath(g, Rect(i, i, 61 - 2 * i, 61 - 2 * i), 4);
            g.fillPath();
        }
    });
    for (const auto& entry : { std::pair { "", 33 }, std::pair { "IPad", 40 } }) {
        const std::string suffix = entry.first;
        const int h = entry.second;
        ok &= write(dir, "QVTabBarOverlappingSegment" + suffix + ".png", 55, h, [&](GraphicsContext& g) {
            roundedPath(g, Rect(0, 2, 55, h - 2), 6);
            g.clip();
            // Light enough for the segments' grey words to read (4.5:1), a shade below the chosen one's white.
            verticalShade(g, Rect(0, 0, 55, h), Rgb { 0.93f, 0.93f, 0.94f }, Rgb { 0.84f, 0.85f, 0.87f });
        });
        ok &= write(dir, "QVTabBarOverlappingSegmentActive" + suffix + ".png", 55, h, [&](GraphicsContext& g) {
            roundedPath(g, Rect(0, 0, 55, h), 6);
            g.clip();
            verticalShade(g, Rect(0, 0, 55, h), Rgb { 1.0f, 1.0f, 1.0f }, Rgb { 0.90f, 0.91f, 0.93f });
        });
    }
    ok &= write(dir, "QVPlayerBanner.png", 21, 43, [&](GraphicsContext& g) {
        verticalShade(g, Rect(0, 0, 21, 43), Rgb { 0.20f, 0.30f, 0.45f }, Rgb { 0.08f, 0.12f, 0.20f });
        g.setFillColor(1, 1, 1, 0.2f);
        g.fillRect(Rect(0, 0, 21, 1));
    });
    ok &= write(dir, "QVNowPlayingBannerOffline.png", 320, 58, [&](GraphicsContext& g) {
        verticalShade(g, Rect(0, 0, 320, 58), Rgb { 0.30f, 0.31f, 0.33f }, Rgb { 0.16f, 0.17f, 0.18f });
    });
    for (const auto& entry : { std::pair { "QVPlayerFrame.png", 44 }, std::pair { "QVPlayerFrameIPad.png", 60 } }) {
        const int side = entry.second;
        ok &= write(dir, entry.first, side, side, [&](GraphicsContext& g) {
            g.setStrokeColor(0.05f, 0.05f, 0.06f, 1);
            g.setLineWidth(4);
            roundedPath(g, Rect(2, 2, side - 4, side - 4), 6);
            g.strokePath();
        });
    }
    ok &= write(dir, "QVPlayerQuorvelPts.png", 2, 3, [&](GraphicsContext& g) {
        g.setFillColor(0, 0, 0, 0.35f);
        g.fillRect(Rect(0, 0, 1, 3));
        g.setFillColor(1, 1, 1, 0.15f);
        g.fillRect(Rect(1, 0, 1, 3));
    });
    ok &= write(dir, "QuorvelResumeButtonBackground.png", 90, 32, [&](GraphicsContext& g) {
        pill(g, Rect(0, 0, 90, 32), 10, Rgb { 0.22f, 0.45f, 0.75f });
    });
    // The Twitter password overlay's panel: a blue head 120 pixels high over
    // the screens' dark face; the row below the head stretches, the width scales.
    ok &= write(dir, "QVTwitterCredentialPanel.png", 24, 240, [&](GraphicsContext& g) {
        verticalShade(g, Rect(0, 0, 24, 120), Rgb { 0.16f, 0.36f, 0.55f }, Rgb { 0.16f, 0.18f, 0.20f });
        g.setFillColor(1, 1, 1, 0.18f);
        g.fillRect(Rect(0, 0, 24, 1));
        g.setFillColor(0.16f, 0.18f, 0.20f, 1);
        g.fillRect(Rect(0, 120, 24, 120));
    });
    return ok;
}

// Shared marks of the community and page art.

// A five-pointed star path centred on (cx, cy).
static void starPath(GraphicsContext& g, float cx, float cy, float outer, float inner)
{
    g.beginPath();
    for (int i = 0; i < 10; ++i) {
        float angle = -0.5f * kPi + i * kPi / 5;
        float radius = i % 2 ? inner : outer;
        float x = cx + radius * std::cos(angle), y = cy + radius * std::sin(angle);
        if (i == 0)
            g.moveTo(x, y);
        else
            g.lineTo(x, y);
    }
    g.closePath();
}

// A speech bubble: a rounded body with a tail at its lower left.
static void bubblePath(GraphicsContext& g, const Rect& body, float radius)
{
    roundedPath(g, body, radius);
    g.moveTo(body.minX() + body.size.width * 0.22f, body.maxY() - 1);
    g.lineTo(body.minX() + body.size.width * 0.12f, body.maxY() + body.size.height * 0.35f);
    g.lineTo(body.minX() + body.size.width * 0.45f, body.maxY() - 1);
    g.closePath();
}

// A chevron stroked through three points.
static void chevron(GraphicsContext& g, float x0, float y0, float x1, float y1, float x2, float y2)
{
    g.beginPath();
    g.moveTo(x0, y0);
    g.lineTo(x1, y1);
    g.lineTo(x2, y2);
    g.strokePath();
}

// A check mark for the success and check-box marks.
static void checkMark(GraphicsContext& g, float s)
{
    chevron(g, s * 0.25f, s * 0.52f, s * 0.43f, s * 0.70f, s * 0.76f, s * 0.30f);
}

// A clear-middled rim round an icon's place (caps 21 x 19).
static void iconFrame(GraphicsContext& g, Rgb rim)
{
    g.setFillColor(rim.r, rim.g, rim.b, 1);
    roundedPath(g, Rect(0, 0, 43, 39), 10);
    g.fillPath();
    g.setFillColor(1, 1, 1, 0.25f);
    g.fillRect(Rect(8, 0.5f, 27, 1));
    g.save();
    roundedPath(g, Rect(4, 4, 35, 31), 7);
    g.clip();
    g.clearRect(Rect(0, 0, 43, 39));
    g.restore();
}


const Rgb kGold { 0.95f, 0.74f, 0.15f };
const Rgb kChatBlue { 0.25f, 0.55f, 0.90f };

// Community screens: chat room icons (open and full), the message box's
// keyboard toggles and tablet background, conversation bubbles (caps 8 x 16),
// the reply and subscription stars, forum topic and thread icons, the inbox
// icons, the IM picture frame, the expand arrows and the action row's inlay
// (caps 15 x 35).
static bool drawCommunityImages(const std::string& dir)
{
    bool ok = true;
    for (const auto& entry : { std::pair { "QVIconChat.png", kChatBlue }, std::pair { "QVIconChatFull.png", kRed } }) {
        const Rgb colour = entry.second;
        ok &= write(dir, entry.first, 32, 32, [&](GraphicsContext& g) {
            g.setFillColor(colour.r, colour.g, colour.b, 1);
            bubblePath(g, Rect(2, 4, 28, 19), 8);
            g.fillPath();
            for (int i = 0; i < 3; ++i)
                disc(g, 10 + i * 6, 13.5f, 2, Rgb { 1, 1, 1 });
        });
    }

    // Keyboard toggles: a small keyboard over an arrow that says where it goes.
    for (const auto& entry : { std::pair { "QVKeyboardUp.png", true }, std::pair { "QVKeyboardDown.png", false } }) {
        const bool up = entry.second;
        ok &= write(dir, entry.first, 28, 24, [&](GraphicsContext& g) {
            g.setFillColor(0.32f, 0.33f, 0.36f, 1);
            roundedPath(g, Rect(2, 1, 24, 14), 3);
            g.fillPath();
            g.setFillColor(0.92f, 0.92f, 0.94f, 1);
            for (int row = 0; row < 2; ++row)
                for (int key = 0; key < 5; ++key)
                    g.fillRect(Rect(4.5f + key * 4, 3.5f + row * 4, 3, 3));
            g.fillRect(Rect(8.5f, 11.5f, 11, 2));
            g.setStrokeColor(0.32f, 0.33f, 0.36f, 1);
            g.setLineWidth(2.5f);
            if (up)
                chevron(g, 9, 22, 14, 17.5f, 19, 22);
            else
                chevron(g, 9, 17.5f, 14, 22, 19, 17.5f);
        });
    }
    ok &= write(dir, "QVCustomBottomViewBackgroundIPad.png", 16, 43, [&](GraphicsContext& g) {
        verticalShade(g, Rect(0, 0, 16, 43), Rgb { 0.94f, 0.94f, 0.95f }, Rgb { 0.84f, 0.84f, 0.86f });
        g.setFillColor(0, 0, 0, 0.3f);
        g.fillRect(Rect(0, 0, 16, 1));
        g.setFillColor(1, 1, 1, 0.8f);
        g.fillRect(Rect(0, 1, 16, 1));
    });

    // The bubbles keep the colours the conversation screen falls back to.
    for (const auto& entry : { std::pair { "QVConversationBubbleGreen.png", Rgb { 0.72f, 0.90f, 0.60f } },
                               std::pair { "QVConversationBubbleGrey.png", Rgb { 0.86f, 0.86f, 0.88f } } }) {
        const Rgb colour = entry.second;
        ok &= write(dir, entry.first, 17, 33, [&](GraphicsContext& g) {
            g.setFillColor(colour.r * 0.7f, colour.g * 0.7f, colour.b * 0.7f, 1);
            roundedPath(g, Rect(0, 0, 17, 33), 8);
            g.fillPath();
            g.save();
            roundedPath(g, Rect(1, 1, 15, 31), 7);
            g.clip();
            verticalShade(g, Rect(1, 1, 15, 31), colour.scaled(1.05f), colour.scaled(0.95f));
            g.restore();
        });
    }

    // The challenge's speech bubble and its arrow: a pale face inside a thin rim. The arrow points
    // left as drawn; the bubble turns it half a turn, towards the challenger's picture.
    const Rgb bubbleFace { 0.95f, 0.96f, 0.99f }, bubbleRim { 0.62f, 0.66f, 0.74f };
    ok &= write(dir, "QVChallengeSpeechBubble.png", 17, 33, [&](GraphicsContext& g) {
        g.setFillColor(bubbleRim.r, bubbleRim.g, bubbleRim.b, 1);
        roundedPath(g, Rect(0, 0, 17, 33), 8);
        g.fillPath();
        g.setFillColor(bubbleFace.r, bubbleFace.g, bubbleFace.b, 1);
        roundedPath(g, Rect(1, 1, 15, 31), 7);
        g.fillPath();
    });
    ok &= write(dir, "QVChallengeSpeechBubbleArrow.png", 10, 16, [&](GraphicsContext& g) {
        g.setFillColor(bubbleRim.r, bubbleRim.g, bubbleRim.b, 1);
        fillTriangle(g, 10, 0, 0, 8, 10, 16);
        // The face runs on into the bubble: no rim along the arrow's base.
        g.setFillColor(bubbleFace.r, bubbleFace.g, bubbleFace.b, 1);
        fillTriangle(g, 10, 1.5f, 1.6f, 8, 10, 14.5f);
    });

    // Reply: a white arrow that turns back to the left, for dark bars.
    ok &= write(dir, "QVButtonReplyToThread.png", 24, 20, [&](GraphicsContext& g) {
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(3);
        g.beginPath();
        g.moveTo(7, 8);
        g.lineTo(15, 8);
        g.curveTo(20, 8, 21, 12, 21, 17);
        g.strokePath();
        g.setFillColor(1, 1, 1, 1);
        fillTriangle(g, 2, 8, 9, 2, 9, 14);
    });

    // Subscription stars: an outline (not subscribed) and a filled gold star.
    ok &= write(dir, "QVButtonStarEmptySmall.png", 20, 20, [&](GraphicsContext& g) {
        g.setStrokeColor(0.55f, 0.55f, 0.58f, 1);
        g.setLineWidth(1.5f);
        starPath(g, 10, 10.8f, 8.5f, 3.6f);
        g.strokePath();
    });
    ok &= write(dir, "QVButtonStarFilledSmall.png", 20, 20, [&](GraphicsContext& g) {
        g.setFillColor(kGold.r, kGold.g, kGold.b, 1);
        starPath(g, 10, 10.8f, 9.5f, 4);
        g.fillPath();
        g.setStrokeColor(0.70f, 0.50f, 0.05f, 1);
        g.setLineWidth(1);
        starPath(g, 10, 10.8f, 9, 3.8f);
        g.strokePath();
    });

    // Forum topics: two overlapping bubbles.
    ok &= write(dir, "QVForumTopicSmall.png", 28, 28, [&](GraphicsContext& g) {
        g.setFillColor(0.93f, 0.55f, 0.15f, 1);
        bubblePath(g, Rect(1, 2, 18, 13), 5);
        g.fillPath();
        g.setFillColor(1, 1, 1, 1);
        roundedPath(g, Rect(8, 9, 19, 14), 5);
        g.fillPath();
        g.setFillColor(0.20f, 0.45f, 0.75f, 1);
        roundedPath(g, Rect(9, 10, 17, 12), 4);
        g.fillPath();
        g.moveTo(20, 21);
        g.lineTo(24, 26);
        g.lineTo(23, 21);
        g.closePath();
        g.fillPath();
    });

    // Forum threads: a page of lines; the locked one carries a padlock.
    auto page = [](GraphicsContext& g, Rect r) {
        g.setFillColor(0.55f, 0.56f, 0.60f, 1);
        roundedPath(g, r, 3);
        g.fillPath();
        g.setFillColor(1, 1, 1, 1);
        roundedPath(g, Rect(r.minX() + 1, r.minY() + 1, r.size.width - 2, r.size.height - 2), 2);
        g.fillPath();
        g.setFillColor(0.60f, 0.62f, 0.66f, 1);
        for (float y = r.minY() + 6; y < r.maxY() - 5; y += 5)
            g.fillRect(Rect(r.minX() + 5, y, r.size.width - 10, 2));
    };
    ok &= write(dir, "QVForumThreadNormalIcon.png", 48, 44, [&](GraphicsContext& g) { page(g, Rect(11, 5, 26, 34)); });
    ok &= write(dir, "QVForumThreadLockedIcon.png", 48, 44, [&](GraphicsContext& g) {
        page(g, Rect(11, 5, 26, 34));
        g.setStrokeColor(0.25f, 0.26f, 0.29f, 1);
        g.setLineWidth(3);
        g.beginPath();
        g.addArc(30, 26, 5, kPi, 2 * kPi, true);
        g.strokePath();
        g.setFillColor(0.25f, 0.26f, 0.29f, 1);
        roundedPath(g, Rect(22, 26, 16, 13), 2);
        g.fillPath();
        disc(g, 30, 31.5f, 2, Rgb { 0.9f, 0.9f, 0.9f });
    });

    // Inbox rows: invitations (an envelope), IM conversations (a green
    // bubble), starred forum posts (a page with a gold star).
    ok &= write(dir, "QVInboxAcceptInviteIcon.png", 32, 32, [&](GraphicsContext& g) {
        g.setFillColor(0.20f, 0.45f, 0.75f, 1);
        roundedPath(g, Rect(2, 7, 28, 19), 3);
        g.fillPath();
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(2);
        chevron(g, 4, 9, 16, 18, 28, 9);
    });
    ok &= write(dir, "QVInboxIMIcon.png", 32, 32, [&](GraphicsContext& g) {
        g.setFillColor(kBadgeGreen.r, kBadgeGreen.g, kBadgeGreen.b, 1);
        bubblePath(g, Rect(2, 4, 28, 19), 8);
        g.fillPath();
        g.setFillColor(1, 1, 1, 1);
        g.fillRect(Rect(8, 10, 16, 2));
        g.fillRect(Rect(8, 15, 11, 2));
    });
    ok &= write(dir, "QVInboxForumsIcon.png", 32, 32, [&](GraphicsContext& g) {
        page(g, Rect(4, 2, 20, 26));
        g.setFillColor(kGold.r, kGold.g, kGold.b, 1);
        starPath(g, 22, 21, 9, 4);
        g.fillPath();
    });

    // The IM row's picture frame: a dark rim round the picture's place
    // (6, 3, 38 x 38) with a tail pointing at the text.
    ok &= write(dir, "QVPlayerFrameIM.png", 65, 44, [&](GraphicsContext& g) {
        g.setFillColor(0.15f, 0.15f, 0.16f, 1);
        roundedPath(g, Rect(3, 0, 44, 44), 6);
        g.fillPath();
        fillTriangle(g, 46, 14, 60, 22, 46, 30);
        g.save();
        roundedPath(g, Rect(6, 3, 38, 38), 4);
        g.clip();
        g.clearRect(Rect(0, 0, 65, 44));
        g.restore();
    });

    // Expand arrows: a grey disc with a white chevron.
    for (const auto& entry : { std::pair { "QVButtonArrowUp.png", true }, std::pair { "QVButtonArrowDown.png", false } }) {
        const bool up = entry.second;
        ok &= write(dir, entry.first, 30, 30, [&](GraphicsContext& g) {
            disc(g, 15, 15, 12, Rgb { 0.50f, 0.51f, 0.55f });
            g.setStrokeColor(1, 1, 1, 1);
            g.setLineWidth(3);
            if (up)
                chevron(g, 9.5f, 17.5f, 15, 12, 20.5f, 17.5f);
            else
                chevron(g, 9.5f, 12.5f, 15, 18, 20.5f, 12.5f);
        });
    }

    // The IM actions' inlay: a recessed strip with a shadow under its top.
    ok &= write(dir, "QVIMActionInlay.png", 31, 44, [&](GraphicsContext& g) {
        verticalShade(g, Rect(0, 0, 31, 44), Rgb { 0.74f, 0.75f, 0.78f }, Rgb { 0.84f, 0.85f, 0.87f });
        for (int i = 0; i < 4; ++i) {
            g.setFillColor(0, 0, 0, 0.16f - i * 0.04f);
            g.fillRect(Rect(0, i, 31, 1));
        }
        g.setFillColor(1, 1, 1, 0.6f);
        g.fillRect(Rect(0, 43, 31, 1));
    });

    // A success mark beside the failure one.
    ok &= write(dir, "QuorvelStatusIconNotificationSuccess.png", 24, 24, [&](GraphicsContext& g) {
        disc(g, 12, 12, 11, kBadgeGreen);
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(3);
        checkMark(g, 24);
    });
    return ok;
}

// Page art: challenge marks (new, sent, winner, the group icon), the check
// box, the score marks, the game rows' divider, disclosure arrows, favourite
// mark and shopping cart, the discovery footer's rules and icon frame (caps
// 21 x 19), the account set-up connect buttons, the notice icons, the picture
// source's check and unknown picture, the map pin's blank image and the
// featured-games banners for every orientation.
static bool drawPageImages(const std::string& dir)
{
    bool ok = true;
    ok &= write(dir, "QVChallengeIconNew.png", 24, 24, [&](GraphicsContext& g) {
        g.setFillColor(0.93f, 0.49f, 0.13f, 1);
        g.beginPath();
        for (int i = 0; i < 16; ++i) {
            float angle = i * kPi / 8;
            float radius = i % 2 ? 8.5f : 11.5f;
            float x = 12 + radius * std::cos(angle), y = 12 + radius * std::sin(angle);
            if (i == 0)
                g.moveTo(x, y);
            else
                g.lineTo(x, y);
        }
        g.closePath();
        g.fillPath();
        g.setFillColor(1, 1, 1, 1);
        g.fillRect(Rect(10.5f, 5.5f, 3, 8));
        g.fillRect(Rect(10.5f, 15.5f, 3, 3));
    });
    ok &= write(dir, "QVChallengeSentIcon.png", 18, 18, [&](GraphicsContext& g) {
        disc(g, 9, 9, 8.5f, Rgb { 1, 1, 1 });
        disc(g, 9, 9, 7, kChatBlue);
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(2);
        g.beginPath();
        g.moveTo(4.5f, 9);
        g.lineTo(12.5f, 9);
        g.strokePath();
        chevron(g, 9.5f, 5.5f, 13, 9, 9.5f, 12.5f);
    });
    ok &= write(dir, "QVChallengeWinnerIcon.png", 16, 16, [&](GraphicsContext& g) {
        g.setFillColor(kGold.r, kGold.g, kGold.b, 1);
        g.beginPath();
        g.moveTo(1, 5);
        g.lineTo(5, 8);
        g.lineTo(8, 2);
        g.lineTo(11, 8);
        g.lineTo(15, 5);
        g.lineTo(13.5f, 13);
        g.lineTo(2.5f, 13);
        g.closePath();
        g.fillPath();
        g.setFillColor(0.70f, 0.50f, 0.05f, 1);
        g.fillRect(Rect(2.5f, 13, 11, 2));
    });
    ok &= write(dir, "QVMultiPeopleChallengeIcon.png", 48, 48, [&](GraphicsContext& g) {
        pill(g, Rect(0, 0, 48, 48), 8, Rgb { 0.93f, 0.49f, 0.13f });
        // Two heads and shoulders, the one behind a little darker.
        for (const auto& person : { std::pair { 18.0f, 0.80f }, std::pair { 30.0f, 1.0f } }) {
            const float x = person.first;
            g.setFillColor(person.second, person.second, person.second, 1);
            g.beginPath();
            g.addArc(x, 19, 6, 0, 2 * kPi, true);
            g.fillPath();
            g.beginPath();
            g.addArc(x, 44, 12, kPi, 2 * kPi, true);
            g.fillPath();
        }
    });

    for (const auto& entry : { std::pair { "QVCheckBox.png", false }, std::pair { "QVCheckBoxSelected.png", true } }) {
        const bool checked = entry.second;
        ok &= write(dir, entry.first, 24, 24, [&](GraphicsContext& g) {
            g.setFillColor(0.50f, 0.51f, 0.55f, 1);
            roundedPath(g, Rect(1, 1, 22, 22), 5);
            g.fillPath();
            g.setFillColor(1, 1, 1, 1);
            roundedPath(g, Rect(2.5f, 2.5f, 19, 19), 4);
            g.fillPath();
            if (checked) {
                g.setStrokeColor(kBadgeGreen.r, kBadgeGreen.g, kBadgeGreen.b, 1);
                g.setLineWidth(3.5f);
                checkMark(g, 24);
            }
        });
    }

    // Score marks: the points ring of the white mark, in grey for a light row
    // (and a winning green).
    auto points = [&](const std::string& name, int size, Rgb colour) {
        ok &= write(dir, name, size, size, [&](GraphicsContext& g) {
            const float s = static_cast<float>(size);
            g.setStrokeColor(colour.r, colour.g, colour.b, 1);
            g.setLineWidth(s * 0.16f);
            g.beginPath();
            g.addArc(s / 2, s / 2, s * 0.34f, 0, 2 * kPi, true);
            g.strokePath();
            g.setFillColor(colour.r, colour.g, colour.b, 1);
            g.fillRect(Rect(s * 0.56f, s * 0.62f, s * 0.31f, s * 0.31f));
        });
    };
    points("QVQuorvelScoreIcon.png", 14, Rgb { 0.30f, 0.42f, 0.62f });
    points("QVTableQuorvelPoints.png", 16, Rgb { 0.45f, 0.46f, 0.50f });
    points("QVTableQuorvelPointsWin.png", 16, kBadgeGreen);

    ok &= write(dir, "QVComparisonDivider.png", 2, 48, [&](GraphicsContext& g) {
        g.setFillColor(0, 0, 0, 0.25f);
        g.fillRect(Rect(0, 0, 1, 48));
        g.setFillColor(1, 1, 1, 0.6f);
        g.fillRect(Rect(1, 0, 1, 48));
    });
    for (const auto& entry : { std::pair { "QVCustomDisclosure.png", 1 }, std::pair { "QVCustomDisclosureIPad.png", 2 } }) {
        const float k = static_cast<float>(entry.second);
        ok &= write(dir, entry.first, 14 * entry.second, 20 * entry.second, [&](GraphicsContext& g) {
            g.setStrokeColor(0.50f, 0.51f, 0.55f, 1);
            g.setLineWidth(3 * k);
            chevron(g, 4 * k, 3 * k, 10 * k, 10 * k, 4 * k, 17 * k);
        });
    }
    ok &= write(dir, "QVFavoritedIcon.png", 12, 12, [&](GraphicsContext& g) {
        g.setFillColor(kGold.r, kGold.g, kGold.b, 1);
        starPath(g, 6, 6.5f, 6, 2.5f);
        g.fillPath();
    });
    ok &= write(dir, "QVShoppingCart.png", 32, 32, [&](GraphicsContext& g) {
        g.setStrokeColor(kGreen.r, kGreen.g, kGreen.b, 1);
        g.setLineWidth(2.5f);
        g.beginPath();
        g.moveTo(2, 6);
        g.lineTo(7, 6);
        g.lineTo(11, 21);
        g.lineTo(26, 21);
        g.strokePath();
        g.setFillColor(kGreen.r, kGreen.g, kGreen.b, 1);
        g.beginPath();
        g.moveTo(8, 9);
        g.lineTo(29, 9);
        g.lineTo(26, 18);
        g.lineTo(10.5f, 18);
        g.closePath();
        g.fillPath();
        disc(g, 12, 26, 2.5f, kGreen);
        disc(g, 24, 26, 2.5f, kGreen);
    });

    ok &= write(dir, "QVGameDiscoveryDividerTop.png", 8, 2, [&](GraphicsContext& g) {
        g.setFillColor(0, 0, 0, 0.5f);
        g.fillRect(Rect(0, 0, 8, 1));
        g.setFillColor(1, 1, 1, 0.2f);
        g.fillRect(Rect(0, 1, 8, 1));
    });
    ok &= write(dir, "QVGameDiscoveryDividerBottom.png", 8, 2, [&](GraphicsContext& g) {
        g.setFillColor(1, 1, 1, 0.2f);
        g.fillRect(Rect(0, 0, 8, 1));
        g.setFillColor(0, 0, 0, 0.5f);
        g.fillRect(Rect(0, 1, 8, 1));
    });
    ok &= write(dir, "QVGameDiscoveryIconFrame.png", 43, 39, [&](GraphicsContext& g) { iconFrame(g, Rgb { 0.20f, 0.21f, 0.23f }); });

    // Connect buttons of the credential rows: the network's colour with its mark and its name
    // (dark enough for the white name to read).
    auto connect = [&](const std::string& name, Rgb colour, bool facebook) {
        ok &= write(dir, name, 200, 32, [&](GraphicsContext& g) {
            pill(g, Rect(0, 0, 200, 32), 6, colour);
            g.setFillColor(1, 1, 1, 1);
            if (facebook) {
                g.fillRect(Rect(13, 8, 3, 18));
                g.fillRect(Rect(10, 13, 9, 3));
                g.fillRect(Rect(15, 8, 4, 3));
            } else {
                g.fillRect(Rect(10, 7, 3, 16));
                g.fillRect(Rect(10, 12, 9, 3));
                g.fillRect(Rect(10, 21, 9, 3));
            }
            g.setFillColor(1, 1, 1, 0.35f);
            g.fillRect(Rect(28, 5, 1, 22));
            if (auto font = platform::Font::boldSystemFont(15)) {
                g.setFillColor(1, 1, 1, 1);
                platform::TextLayoutOptions options;
                options.alignment = platform::TextAlignment::Center;
                options.maxLines = 1;
                const Rect room(29, 0, 171, 32);
                platform::TextLayout text = platform::layoutText(facebook ? "Facebook" : "Twitter", *font, options);
                platform::drawTextLayout(g, text, *font,
                                         platform::Point(room.minX() + std::round((room.size.width - text.size.width) / 2),
                                                         std::round((room.size.height - text.size.height) / 2)));
            }
        });
    };
    connect("QuorvelAccountSetupFBConnectButton.png", Rgb { 0.23f, 0.35f, 0.60f }, true);
    connect("QuorvelAccountSetupTwitterConnectButton.png", Rgb { 0.10f, 0.45f, 0.72f }, false);

    // Notice icons: our logo (a gold star in a ring) and the high-score podium.
    ok &= write(dir, "QuorvelLogoNotificationIcon.png", 32, 32, [&](GraphicsContext& g) {
        pill(g, Rect(0, 0, 32, 32), 7, Rgb { 0.22f, 0.45f, 0.75f });
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(3);
        g.beginPath();
        g.addArc(16, 16, 10, 0, 2 * kPi, true);
        g.strokePath();
        g.setFillColor(kGold.r, kGold.g, kGold.b, 1);
        starPath(g, 16, 16.8f, 7, 3);
        g.fillPath();
    });
    ok &= write(dir, "HighScoreNotificationIcon.png", 32, 32, [&](GraphicsContext& g) {
        g.setFillColor(0.75f, 0.76f, 0.80f, 1);
        g.fillRect(Rect(2, 18, 9, 12));
        g.setFillColor(0.80f, 0.50f, 0.25f, 1);
        g.fillRect(Rect(21, 22, 9, 8));
        g.setFillColor(kGold.r, kGold.g, kGold.b, 1);
        g.fillRect(Rect(11.5f, 14, 9, 16));
        starPath(g, 16, 8, 7, 3);
        g.fillPath();
    });

    // The chosen picture source's mark: a blue check, no disc.
    ok &= write(dir, "QVCheckmark.png", 20, 20, [&](GraphicsContext& g) {
        g.setStrokeColor(0.20f, 0.40f, 0.75f, 1);
        g.setLineWidth(3);
        checkMark(g, 20);
    });
    // A network's picture not known yet: a grey head and shoulders with a question mark.
    ok &= write(dir, "QVUnknownProfilePicture.png", 48, 48, [&](GraphicsContext& g) {
        g.setFillColor(0.80f, 0.81f, 0.83f, 1);
        g.fillRect(Rect(0, 0, 48, 48));
        const Rgb shape { 0.60f, 0.61f, 0.64f };
        disc(g, 24, 18, 9, shape);
        g.beginPath();
        g.addArc(24, 48, 18, kPi, 2 * kPi, true);
        g.fillPath();
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(2.5f);
        g.beginPath();
        g.addArc(24, 15, 4, kPi, 2.5f * kPi, true);
        g.lineTo(24, 22);
        g.strokePath();
        disc(g, 24, 25.5f, 1.5f, Rgb { 1, 1, 1 });
    });

    // The map pin's own image: one clear pixel, so that the pin is only the
    // player's picture and badge laid out round the pin's point.
    ok &= write(dir, "QVBlankIcon.png", 1, 1, [](GraphicsContext&) {});

    // Featured-games banners (phone portrait and landscape, tablet), online
    // and offline.
    for (const auto& entry : { std::pair { "", 320 }, std::pair { "Landscape", 480 }, std::pair { "IPad", 768 } }) {
        const std::string suffix = entry.first;
        const int w = entry.second, h = suffix == "IPad" ? 62 : 42;
        ok &= write(dir, "QVNowPlayingBanner" + suffix + ".png", w, h, [&](GraphicsContext& g) {
            verticalShade(g, Rect(0, 0, w, h), Rgb { 0.22f, 0.36f, 0.58f }, Rgb { 0.08f, 0.14f, 0.26f });
            g.setFillColor(1, 1, 1, 0.2f);
            g.fillRect(Rect(0, 0, w, 1));
        });
        if (!suffix.empty()) {
            ok &= write(dir, "QVNowPlayingBanner" + suffix + "Offline.png", w, h, [&](GraphicsContext& g) {
                verticalShade(g, Rect(0, 0, w, h), Rgb { 0.30f, 0.31f, 0.33f }, Rgb { 0.16f, 0.17f, 0.18f });
            });
        }
    }
    return ok;
}

// An envelope filling `r`, flap drawn in `flap`.
static void envelope(GraphicsContext& g, const Rect& r, Rgb body, Rgb flap, float line)
{
    g.setFillColor(body.r, body.g, body.b, 1);
    roundedPath(g, r, std::max(1.0f, r.size.height * 0.12f));
    g.fillPath();
    g.setStrokeColor(flap.r, flap.g, flap.b, 1);
    g.setLineWidth(line);
    chevron(g, r.minX() + line, r.minY() + line, r.midX(), r.midY() + line / 2, r.maxX() - line, r.minY() + line);
}

// A mobile phone: a dark body with a light screen.
static void phone(GraphicsContext& g, const Rect& r)
{
    g.setFillColor(0.22f, 0.23f, 0.26f, 1);
    roundedPath(g, r, r.size.width * 0.2f);
    g.fillPath();
    const float side = r.size.width * 0.14f;
    g.setFillColor(0.55f, 0.78f, 0.95f, 1);
    g.fillRect(Rect(r.minX() + side, r.minY() + r.size.height * 0.14f, r.size.width - 2 * side, r.size.height * 0.66f));
    disc(g, r.midX(), r.maxY() - r.size.height * 0.1f, std::max(0.8f, r.size.width * 0.08f), Rgb { 0.8f, 0.8f, 0.82f });
}

// Invitations and the fan club: the invite icon's frame and default icon,
// the invite notice's card (caps at its middle), the invite type icons
// (friends, contacts), a contact's small phone and mail marks, the favourite
// button's stars and the fan club rows' icons.
static bool drawInviteImages(const std::string& dir)
{
    bool ok = true;
    ok &= write(dir, "QVInviteIconFrame.png", 43, 39, [&](GraphicsContext& g) { iconFrame(g, Rgb { 0.20f, 0.21f, 0.23f }); });
    ok &= write(dir, "QVDefaultInviteIcon.png", 56, 56, [&](GraphicsContext& g) {
        pill(g, Rect(0, 0, 56, 56), 10, kGreen);
        envelope(g, Rect(10, 16, 36, 24), Rgb { 1, 1, 1 }, kGreen.scaled(0.8f), 2.5f);
    });
    ok &= write(dir, "QVInviteNotificationBackground.png", 41, 41, [&](GraphicsContext& g) {
        g.setFillColor(0.35f, 0.36f, 0.40f, 1);
        roundedPath(g, Rect(0, 0, 41, 41), 12);
        g.fillPath();
        g.save();
        roundedPath(g, Rect(2, 2, 37, 37), 10);
        g.clip();
        verticalShade(g, Rect(2, 2, 37, 37), Rgb { 1.0f, 1.0f, 0.98f }, Rgb { 0.90f, 0.91f, 0.88f });
        g.restore();
    });

    // Invite types: Quorvel friends (a green leaf) and contacts (a phone).
    ok &= write(dir, "QVSelectInviteTypeLeaf.png", 32, 32, [&](GraphicsContext& g) {
        g.setFillColor(kBadgeGreen.r, kBadgeGreen.g, kBadgeGreen.b, 1);
        g.beginPath();
        g.moveTo(5, 27);
        g.curveTo(3, 12, 14, 3, 28, 4);
        g.curveTo(29, 18, 20, 29, 5, 27);
        g.closePath();
        g.fillPath();
        g.setStrokeColor(1, 1, 1, 0.85f);
        g.setLineWidth(1.5f);
        g.beginPath();
        g.moveTo(6, 26);
        g.lineTo(22, 10);
        g.strokePath();
    });
    ok &= write(dir, "QVSelectInviteTypePhone.png", 32, 32, [&](GraphicsContext& g) { phone(g, Rect(9, 2, 14, 28)); });
    ok &= write(dir, "QVSelectInviteContactPhoneSmall.png", 16, 16, [&](GraphicsContext& g) { phone(g, Rect(4.5f, 1, 7, 14)); });
    ok &= write(dir, "QVSelectInviteContactMailSmall.png", 16, 16, [&](GraphicsContext& g) {
        envelope(g, Rect(1, 3.5f, 14, 9), Rgb { 0.20f, 0.45f, 0.75f }, Rgb { 1, 1, 1 }, 1.2f);
    });

    // The favourite button's large stars (phone and tablet): an outline when
    // the game is not a favourite, a filled gold star when it is.
    for (const auto& entry : { std::pair { "QVButtonStar", 60 }, std::pair { "QVFavoriteThisGameIconRate", 64 } }) {
        const std::string base = entry.first;
        const int size = entry.second;
        const float c = size / 2.0f;
        const bool tablet = base == "QVFavoriteThisGameIconRate";
        ok &= write(dir, base + (tablet ? "Off.png" : "Empty.png"), size, size, [&](GraphicsContext& g) {
            g.setStrokeColor(0.55f, 0.55f, 0.58f, 1);
            g.setLineWidth(3);
            starPath(g, c, c + size * 0.04f, size * 0.44f, size * 0.18f);
            g.strokePath();
        });
        ok &= write(dir, base + (tablet ? "On.png" : "Filled.png"), size, size, [&](GraphicsContext& g) {
            g.setFillColor(kGold.r, kGold.g, kGold.b, 1);
            starPath(g, c, c + size * 0.04f, size * 0.47f, size * 0.19f);
            g.fillPath();
            g.setStrokeColor(0.70f, 0.50f, 0.05f, 1);
            g.setLineWidth(2);
            starPath(g, c, c + size * 0.04f, size * 0.45f, size * 0.18f);
            g.strokePath();
        });
    }

    // Fan club rows: favourite (a star), announcements (a megaphone), the
    // newsletter (a page of news), inviting (an envelope with a plus), ideas
    // (a light bulb) and more games (four tiles).
    ok &= write(dir, "QVFanClubIconStar.png", 32, 32, [&](GraphicsContext& g) {
        g.setFillColor(kGold.r, kGold.g, kGold.b, 1);
        starPath(g, 16, 17, 15, 6.3f);
        g.fillPath();
    });
    ok &= write(dir, "QVFanClubIconDevAnnouncements.png", 32, 32, [&](GraphicsContext& g) {
        g.setFillColor(0.93f, 0.49f, 0.13f, 1);
        g.beginPath();
        g.moveTo(4, 12);
        g.lineTo(12, 12);
        g.lineTo(26, 4);
        g.lineTo(26, 26);
        g.lineTo(12, 18);
        g.lineTo(4, 18);
        g.closePath();
        g.fillPath();
        g.fillRect(Rect(8, 18, 4, 9));
        g.setFillColor(0.55f, 0.28f, 0.05f, 1);
        g.fillRect(Rect(26, 11, 3, 8));
    });
    ok &= write(dir, "QVFanClubIconNewsLetter.png", 32, 32, [&](GraphicsContext& g) {
        g.setFillColor(0.55f, 0.56f, 0.60f, 1);
        roundedPath(g, Rect(4, 3, 24, 26), 3);
        g.fillPath();
        g.setFillColor(1, 1, 1, 1);
        roundedPath(g, Rect(5, 4, 22, 24), 2);
        g.fillPath();
        g.setFillColor(0.20f, 0.45f, 0.75f, 1);
        g.fillRect(Rect(8, 7, 16, 5));
        g.setFillColor(0.60f, 0.62f, 0.66f, 1);
        for (float y = 15; y < 26; y += 4) {
            g.fillRect(Rect(8, y, 7, 2));
            g.fillRect(Rect(17, y, 7, 2));
        }
    });
    ok &= write(dir, "QVFanClubIconSendInvite.png", 32, 32, [&](GraphicsContext& g) {
        envelope(g, Rect(2, 6, 24, 17), Rgb { 0.20f, 0.45f, 0.75f }, Rgb { 1, 1, 1 }, 2);
        disc(g, 24, 23, 7, kBadgeGreen);
        g.setFillColor(1, 1, 1, 1);
        g.fillRect(Rect(23, 19, 2, 8));
        g.fillRect(Rect(20, 22, 8, 2));
    });
    ok &= write(dir, "QVFanClubIconIdea.png", 32, 32, [&](GraphicsContext& g) {
        disc(g, 16, 12, 9, Rgb { 1.0f, 0.85f, 0.25f });
        g.setFillColor(1.0f, 0.85f, 0.25f, 1);
        g.beginPath();
        g.moveTo(10, 16);
        g.lineTo(22, 16);
        g.lineTo(20, 22);
        g.lineTo(12, 22);
        g.closePath();
        g.fillPath();
        g.setFillColor(0.45f, 0.46f, 0.50f, 1);
        g.fillRect(Rect(12, 23, 8, 2));
        g.fillRect(Rect(13, 26, 6, 2));
        g.setFillColor(1, 1, 1, 0.7f);
        g.fillRect(Rect(12, 8, 2, 5));
    });
    ok &= write(dir, "QVFanClubIconMoreGames.png", 32, 32, [&](GraphicsContext& g) {
        const Rgb tiles[] = { Rgb { 0.25f, 0.40f, 0.65f }, kGreen, kRed, Rgb { 0.93f, 0.49f, 0.13f } };
        for (int i = 0; i < 4; ++i) {
            g.setFillColor(tiles[i].r, tiles[i].g, tiles[i].b, 1);
            roundedPath(g, Rect(3 + (i % 2) * 14, 3 + (i / 2) * 14, 12, 12), 3);
            g.fillPath();
        }
    });
    return ok;
}

// Button skins: bordered (phone and tablet), small, grey, shadowed and
// bevelled; and the badge caps.
static bool drawButtonImages(const std::string& dir)
{
    bool ok = true;
    auto button = [&](const std::string& name, int w, int h, float radius, Rgb colour) {
        ok &= write(dir, name, w, h, [&](GraphicsContext& g) { pill(g, Rect(0, 0, w, h), radius, colour); });
    };

    // Bordered buttons (phone and tablet), small buttons, the grey skin.
    button("QVButtonGreen.png", 21, 37, 8, kButtonGreen);
    button("QVButtonGreenHit.png", 21, 37, 8, kButtonGreen.scaled(0.7f));
    button("QVButtonRed.png", 21, 37, 8, kRed);
    button("QVButtonRedHit.png", 21, 37, 8, kRed.scaled(0.7f));
    button("QVButtonGreenIPad.png", 21, 44, 9, kButtonGreen);
    button("QVButtonGreenHitIPad.png", 21, 44, 9, kButtonGreen.scaled(0.7f));
    button("QVButtonRedIPad.png", 21, 44, 9, kRed);
    button("QVButtonRedHitIPad.png", 21, 44, 9, kRed.scaled(0.7f));
    button("QVButtonGrey.png", 21, 37, 8, kGrey);
    button("QVButtonSmallGreen.png", 15, 30, 6, kButtonGreen);
    button("QVButtonSmallGreenHit.png", 15, 30, 6, kButtonGreen.scaled(0.7f));
    button("QVButtonSmallGrey.png", 15, 30, 6, kGrey);
    button("QVButtonSmallGreyHit.png", 15, 30, 6, kGrey.scaled(0.7f));

    // Shadowed buttons: a soft dark halo around a rounded face (caps 20 x 20).
    for (const auto& entry : { std::pair { "QVButtonShadowGreen.png", kButtonGreen }, std::pair { "QVButtonShadowGrey.png", kGrey } }) {
        const auto name = entry.first;
        const auto colour = entry.second;
        ok &= write(dir, name, 41, 41, [&](GraphicsContext& g) {
            for (int i = 0; i < 4; ++i) {
                g.setFillColor(0, 0, 0, 0.08f);
                roundedPath(g, Rect(i, i + 1, 41 - 2 * i, 40 - 2 * i), 12);
                g.fillPath();
            }
            pill(g, Rect(3, 3, 35, 34), 10, colour);
        });
    }

    // Bevel (top cap 1): a light top line over a grey face.
    for (const auto& entry : { std::pair { "QVButtonBevel.png", 1.0f }, std::pair { "QVButtonBevelHit.png", 0.75f } }) {
        const auto name = entry.first;
        const auto k = entry.second;
        ok &= write(dir, name, 10, 44, [&](GraphicsContext& g) {
            verticalShade(g, Rect(0, 0, 10, 44), Rgb { 0.36f, 0.37f, 0.40f }.scaled(k), Rgb { 0.20f, 0.21f, 0.23f }.scaled(k));
            g.setFillColor(1, 1, 1, 0.35f);
            g.fillRect(Rect(0, 0, 10, 1));
        });
    }

    // Badges: caps 14 x 29 with half a lozenge each, a one-point centre; white rim.
    for (const auto& entry : { std::pair { "Green", kBadgeFaceGreen }, std::pair { "Red", kBadgeRed } }) {
        const auto colourName = entry.first;
        const auto colour = entry.second;
        auto lozenge = [&](GraphicsContext& g, float x) {
            g.setFillColor(1, 1, 1, 1);
            roundedPath(g, Rect(x + 1, 1, 27, 27), 13.5f);
            g.fillPath();
            g.save();
            roundedPath(g, Rect(x + 3, 3, 23, 23), 11.5f);
            g.clip();
            verticalShade(g, Rect(x + 3, 3, 23, 23), colour.scaled(1.2f), colour.scaled(0.85f));
            g.restore();
        };
        ok &= write(dir, "QVBadgeLeft" + std::string(colourName) + ".png", 14, 29, [&](GraphicsContext& g) { lozenge(g, 0); });
        ok &= write(dir, "QVBadgeRight" + std::string(colourName) + ".png", 14, 29, [&](GraphicsContext& g) { lozenge(g, -15); });
        ok &= write(dir, "QVBadgeCenter" + std::string(colourName) + ".png", 1, 29, [&](GraphicsContext& g) { lozenge(g, -14); });
    }
    return ok;
}

// Picture frames, default profile icons and the social networks' icons.
static bool drawProfileImages(const std::string& dir)
{
    bool ok = true;
    // Picture frames: a rim with a transparent middle, drawn over a picture.
    for (const auto& entry : { std::pair { "QVProfilePhotoFrame.png", Rgb { 0.15f, 0.15f, 0.16f } },
                                 std::pair { "QVGameCenterProfileFrame.png", Rgb { 0.35f, 0.25f, 0.50f } } }) {
        const auto name = entry.first;
        const auto colour = entry.second;
        ok &= write(dir, name, 64, 64, [&](GraphicsContext& g) {
            g.setFillColor(colour.r, colour.g, colour.b, 1);
            roundedPath(g, Rect(0, 0, 64, 64), 8);
            g.fillPath();
            g.save();
            roundedPath(g, Rect(7, 5, 50, 52), 5);
            g.clip();
            g.clearRect(Rect(0, 0, 64, 64));
            g.restore();
        });
    }

    // Default profile icons: a head and shoulders on a plain square.
    for (const auto& entry : { std::pair { "QVProfileIconDefault.png", Rgb { 0.62f, 0.64f, 0.66f } },
                               std::pair { "QVProfileIconDefaultSelf.png", Rgb { 0.45f, 0.58f, 0.78f } } }) {
        const auto name = entry.first;
        const auto back = entry.second;
        ok &= write(dir, name, 48, 48, [&](GraphicsContext& g) {
            g.setFillColor(back.r, back.g, back.b, 1);
            g.fillRect(Rect(0, 0, 48, 48));
            g.setFillColor(0.95f, 0.95f, 0.96f, 1);
            g.beginPath();
            g.addArc(24, 18, 9, 0, 2 * kPi, true);
            g.fillPath();
            g.beginPath();
            g.addArc(24, 48, 18, kPi, 2 * kPi, true);
            g.fillPath();
        });
    }

    ok &= write(dir, "QVProfilePictureFacebookIcon.png", 16, 16, [&](GraphicsContext& g) {
        g.setFillColor(0.23f, 0.35f, 0.60f, 1);
        roundedPath(g, Rect(0, 0, 16, 16), 3);
        g.fillPath();
        g.setFillColor(1, 1, 1, 1);
        g.fillRect(Rect(7, 3, 3, 13));
        g.fillRect(Rect(5, 7, 7, 2));
        g.fillRect(Rect(9, 3, 3, 2));
    });

    // Network icons of the social prompt.
    ok &= write(dir, "QVFacebookIcon.png", 24, 24, [&](GraphicsContext& g) {
        g.setFillColor(0.23f, 0.35f, 0.60f, 1);
        roundedPath(g, Rect(0, 0, 24, 24), 4);
        g.fillPath();
        g.setFillColor(1, 1, 1, 1);
        g.fillRect(Rect(11, 5, 4, 19));
        g.fillRect(Rect(8, 10, 10, 3));
        g.fillRect(Rect(13, 5, 5, 3));
    });
    ok &= write(dir, "QVTwitterIcon.png", 24, 24, [&](GraphicsContext& g) {
        g.setFillColor(0.33f, 0.68f, 0.93f, 1);
        roundedPath(g, Rect(0, 0, 24, 24), 4);
        g.fillPath();
        g.setFillColor(1, 1, 1, 1);
        g.fillRect(Rect(8, 4, 4, 15));
        g.fillRect(Rect(8, 9, 10, 3));
        g.fillRect(Rect(8, 17, 10, 3));
    });
    return ok;
}

// Challenge result marks and the friendship indicator.
static bool drawMarkImages(const std::string& dir)
{
    bool ok = true;
    // Challenge results: won (green check), lost (red cross), tied (grey bar).
    auto resultIcon = [&](const std::string& name, Rgb colour, int mark) {
        ok &= write(dir, name, 24, 24, [&](GraphicsContext& g) {
            g.setFillColor(colour.r, colour.g, colour.b, 1);
            g.beginPath();
            g.addArc(12, 12, 12, 0, 2 * kPi, true);
            g.fillPath();
            g.setStrokeColor(1, 1, 1, 1);
            g.setLineWidth(3);
            g.beginPath();
            if (mark == 0) {
                g.moveTo(6, 12.5f);
                g.lineTo(10.5f, 17);
                g.lineTo(18, 7.5f);
            } else if (mark == 1) {
                g.moveTo(7, 7);
                g.lineTo(17, 17);
                g.moveTo(17, 7);
                g.lineTo(7, 17);
            } else {
                g.moveTo(6, 12);
                g.lineTo(18, 12);
            }
            g.strokePath();
        });
    };
    resultIcon("QVChallengeIconWon.png", kBadgeGreen, 0);
    resultIcon("QVChallengeIconLost.png", kBadgeRed, 1);
    resultIcon("QVChallengeIconTied.png", kGrey, 2);

    ok &= write(dir, "QVFriendshipIndicatorFollowedByLocalUser.png", 16, 16, [&](GraphicsContext& g) {
        g.setFillColor(kBadgeGreen.r, kBadgeGreen.g, kBadgeGreen.b, 1);
        g.beginPath();
        g.addArc(8, 8, 8, 0, 2 * kPi, true);
        g.fillPath();
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(2);
        g.beginPath();
        g.moveTo(4, 8.5f);
        g.lineTo(7, 11.5f);
        g.lineTo(12, 5);
        g.strokePath();
    });
    return ok;
}

// The tiled background patterns, the rounded panel border and the text view frame.
static bool drawPatternImages(const std::string& dir)
{
    bool ok = true;
    // Tiled patterns: faint marks that the background's gradient shows through, over a light dark
    // wash (`shade`) where white words stand on it: the lists' gradient starts at mid-grey, where
    // white words would not read.
    auto pattern = [&](const std::string& name, float alpha, bool diagonal, float shade) {
        ok &= write(dir, name, 8, 8, [&](GraphicsContext& g) {
            if (shade > 0) {
                g.setFillColor(0, 0, 0, shade);
                g.fillRect(Rect(0, 0, 8, 8));
            }
            g.setFillColor(1, 1, 1, alpha);
            if (diagonal) {
                for (int i = 0; i < 8; ++i)
                    g.fillRect(Rect(i, i, 1, 1));
            } else {
                g.fillRect(Rect(0, 0, 1, 1));
                g.fillRect(Rect(4, 4, 1, 1));
            }
        });
    };
    pattern("QVIntroPattern.png", 0.10f, true, 0.14f);
    pattern("QVButtonPanelBackgroundPattern.png", 0.08f, false, 0);
    pattern("QVProfileBackgroundPattern.png", 0.06f, true, 0);
    // The game catalogue's rows and footer: opaque grey tiles with a faint
    // diagonal, darker for a selected row.
    for (const auto& entry : { std::pair { "QVGameDiscoveryGreyBG.png", Rgb { 0.36f, 0.37f, 0.39f } },
                               std::pair { "QVGameDiscoveryGreyBGSelected.png", Rgb { 0.28f, 0.29f, 0.31f } } }) {
        const Rgb base = entry.second;
        ok &= write(dir, entry.first, 8, 8, [&](GraphicsContext& g) {
            g.setFillColor(base.r, base.g, base.b, 1);
            g.fillRect(Rect(0, 0, 8, 8));
            g.setFillColor(1, 1, 1, 0.06f);
            for (int i = 0; i < 8; ++i)
                g.fillRect(Rect(7 - i, i, 1, 1));
        });
    }

    // The rounded panel's border (caps 10 x 10) and the text view frame (caps 7 x 7).
    ok &= write(dir, "QVRoundedRectBorder.png", 21, 21, [&](GraphicsContext& g) {
        g.setStrokeColor(1, 1, 1, 0.55f);
        g.setLineWidth(1.5f);
        roundedPath(g, Rect(0.75f, 0.75f, 19.5f, 19.5f), 9.75f);
        g.strokePath();
    });
    ok &= write(dir, "QVTextViewFrame.png", 15, 15, [&](GraphicsContext& g) {
        g.setFillColor(1, 1, 1, 1);
        roundedPath(g, Rect(0, 0, 15, 15), 6);
        g.fillPath();
        g.setStrokeColor(0.55f, 0.55f, 0.58f, 1);
        g.setLineWidth(1);
        roundedPath(g, Rect(0.5f, 0.5f, 14, 14), 5.5f);
        g.strokePath();
    });
    return ok;
}

// The navigation bar, the loading strip and the notice bars.
static bool drawBarImages(const std::string& dir)
{
    bool ok = true;
    // The navigation bar (left cap 5) and the loading strip: edge tile and centre.
    ok &= write(dir, "QVNavBar.png", 11, 44, [&](GraphicsContext& g) {
        verticalShade(g, Rect(0, 0, 11, 44), Rgb { 0.30f, 0.32f, 0.35f }, Rgb { 0.10f, 0.11f, 0.12f });
        g.setFillColor(1, 1, 1, 0.25f);
        g.fillRect(Rect(0, 0, 11, 1));
    });
    ok &= write(dir, "QVLoadingScreenEdge.png", 8, 64, [&](GraphicsContext& g) {
        verticalShade(g, Rect(0, 0, 8, 64), Rgb { 0.22f, 0.23f, 0.25f }, Rgb { 0.08f, 0.08f, 0.09f });
        g.setFillColor(1, 1, 1, 0.2f);
        g.fillRect(Rect(0, 0, 8, 1));
    });
    ok &= write(dir, "QVLoadingScreenCenter.png", 120, 64, [&](GraphicsContext& g) {
        g.save();
        roundedPath(g, Rect(0, 0, 120, 80), 14);
        g.clip();
        verticalShade(g, Rect(0, 0, 120, 64), Rgb { 0.30f, 0.31f, 0.34f }, Rgb { 0.10f, 0.10f, 0.11f });
        g.restore();
    });

    // Notice bars: a dark strip (left cap = width - 50) with a light rim on
    // the side that faces the screen's middle; the server's default is plum.
    auto noticeBar = [&](const std::string& name, Rgb body, bool rimAtTop) {
        ok &= write(dir, name, 100, 44, [&](GraphicsContext& g) {
            verticalShade(g, Rect(0, 0, 100, 44), body.scaled(1.2f), body.scaled(0.9f), 0.94f);
            g.setFillColor(1, 1, 1, 0.45f);
            g.fillRect(Rect(0, rimAtTop ? 0 : 42, 100, 2));
        });
    };
    const Rgb kNoticeBody { 0.10f, 0.15f, 0.24f };
    noticeBar("QVNotificationBackgroundIPhoneTop.png", kNoticeBody, false);
    noticeBar("QVNotificationBackgroundIPhoneBottom.png", kNoticeBody, true);
    noticeBar("QVNotificationBackgroundIPadTopLeft.png", kNoticeBody, false);
    noticeBar("QVNotificationBackgroundIPadTopRight.png", kNoticeBody, false);
    noticeBar("QVNotificationBackgroundIPadBottomLeft.png", kNoticeBody, true);
    noticeBar("QVNotificationBackgroundIPadBottomRight.png", kNoticeBody, true);
    noticeBar("QVNotificationBackground.png", Rgb { 0.30f, 0.12f, 0.34f }, true);
    return ok;
}

// The notices' status marks and icons, the challenge icon and the dashboard's notice strip.
static bool drawNoticeImages(const std::string& dir)
{
    bool ok = true;
    // Notice status and icons: a red failure disc with a white cross, a gold
    // star for unlocked achievements, and the two small white value marks.
    ok &= write(dir, "QuorvelStatusIconNotificationFailure.png", 24, 24, [&](GraphicsContext& g) {
        g.setFillColor(kBadgeRed.r, kBadgeRed.g, kBadgeRed.b, 1);
        g.beginPath();
        g.addArc(12, 12, 11, 0, 2 * kPi, true);
        g.fillPath();
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(3);
        g.beginPath();
        g.moveTo(7, 7);
        g.lineTo(17, 17);
        g.moveTo(17, 7);
        g.lineTo(7, 17);
        g.strokePath();
    });
    ok &= write(dir, "QVUnlockedAchievementIcon.png", 32, 32, [&](GraphicsContext& g) {
        g.setFillColor(0.95f, 0.74f, 0.15f, 1);
        g.beginPath();
        for (int i = 0; i < 10; ++i) {
            float angle = -0.5f * kPi + i * kPi / 5;
            float radius = i % 2 ? 6.5f : 15.5f;
            float x = 16 + radius * std::cos(angle), y = 16.5f + radius * std::sin(angle);
            if (i == 0)
                g.moveTo(x, y);
            else
                g.lineTo(x, y);
        }
        g.closePath();
        g.fillPath();
    });
    ok &= write(dir, "QVQuorvelPointsWhite.png", 16, 16, [&](GraphicsContext& g) {
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(2.5f);
        g.beginPath();
        g.addArc(8, 8, 5.5f, 0, 2 * kPi, true);
        g.strokePath();
        g.setFillColor(1, 1, 1, 1);
        g.fillRect(Rect(9, 10, 5, 5));
    });
    ok &= write(dir, "QuorvelPercentLockWhite.png", 16, 16, [&](GraphicsContext& g) {
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(2);
        g.beginPath();
        g.addArc(8, 7, 3.5f, kPi, 2 * kPi, true);
        g.strokePath();
        g.setFillColor(1, 1, 1, 1);
        g.fillRect(Rect(3, 7, 10, 8));
    });

    // A challenge's default icon: a white cup on a slate disc, neutral so that
    // it does not read as a close or error mark.
    ok &= write(dir, "QVDefaultChallengeIcon.png", 32, 32, [&](GraphicsContext& g) {
        g.save();
        g.beginPath();
        g.addArc(16, 16, 15, 0, 2 * kPi, true);
        g.clip();
        verticalShade(g, Rect(0, 0, 32, 32), Rgb { 0.42f, 0.52f, 0.66f }, Rgb { 0.22f, 0.30f, 0.42f });
        g.restore();
        g.setFillColor(1, 1, 1, 1);
        g.beginPath();
        g.moveTo(10, 8);
        g.lineTo(22, 8);
        g.lineTo(22, 12);
        g.addArc(16, 12, 6, 0, kPi, true);
        g.closePath();
        g.fillPath();
        g.fillRect(Rect(15, 17, 2, 5));
        g.fillRect(Rect(11.5f, 22, 9, 2.5f));
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(1.5f);
        g.beginPath();
        g.addArc(10, 11.5f, 2.75f, 0.5f * kPi, 1.5f * kPi, true);
        g.strokePath();
        g.beginPath();
        g.addArc(22, 11.5f, 2.75f, 1.5f * kPi, 2.5f * kPi, true);
        g.strokePath();
    });

    // The dashboard's 21-point notice strip and its disclosure arrow.
    ok &= write(dir, "QuorvelDashboardNotificationBackground.png", 8, 21, [&](GraphicsContext& g) {
        verticalShade(g, Rect(0, 0, 8, 21), Rgb { 0.16f, 0.16f, 0.18f }, Rgb { 0.05f, 0.05f, 0.06f });
        g.setFillColor(1, 1, 1, 0.15f);
        g.fillRect(Rect(0, 0, 8, 1));
    });
    ok &= write(dir, "QuorvelNotificationDisclosureArrow.png", 7, 11, [&](GraphicsContext& g) {
        g.setStrokeColor(0.62f, 0.62f, 0.62f, 1);
        g.setLineWidth(2);
        g.beginPath();
        g.moveTo(1, 1);
        g.lineTo(5.5f, 5.5f);
        g.lineTo(1, 10);
        g.strokePath();
    });
    return ok;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    ok &= drawButtonImages(dir);
    ok &= drawProfileImages(dir);
    ok &= drawMarkImages(dir);
    ok &= drawPatternImages(dir);
    ok &= drawBarImages(dir);
    ok &= drawNoticeImages(dir);
    ok &= drawDashboardImages(dir);
    ok &= drawListImages(dir);
    ok &= drawFrameImages(dir);
    ok &= drawCommunityImages(dir);
    ok &= drawPageImages(dir);
    ok &= drawInviteImages(dir);
    return ok ? 0 : 1;
}
