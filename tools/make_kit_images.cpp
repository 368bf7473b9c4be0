// Draws the social client's kit images into a folder (the project ships them
// in resources/): button skins, badge caps, picture frames and default
// profile icons, background patterns, the panel border, the bar and loading
// strip art, the notice bars and their status marks, and small icons. Each
// image is simple flat art with a vertical shade, sized for the stretch caps
// its users give it.
// Usage: make_kit_images OUTPUT_DIR
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

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
const Rgb kRed { 0.78f, 0.14f, 0.14f };
const Rgb kGrey { 0.55f, 0.55f, 0.57f };
const Rgb kBadgeGreen { 0.16f, 0.66f, 0.24f };
const Rgb kBadgeRed { 0.85f, 0.12f, 0.16f };

} // namespace


// The dashboard pages' art: the ticker bar and its close button, the game
// page's grid button skins, the three tabs' icons (portrait, landscape and
// tablet; normal, hit and disabled), the tab divider, the map button, and the
// achievement icons and progress bar.
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

    // Tab icons: a disc (now playing), a person (my pages), a compass square (games).
    auto tabIcon = [&](const std::string& name, int size, int shape, Rgb colour) {
        ok &= write(dir, name, size, size, [&](GraphicsContext& g) {
            const float s = static_cast<float>(size);
            g.setFillColor(colour.r, colour.g, colour.b, 1);
            if (shape == 0) {
                g.beginPath();
                g.addArc(s / 2, s / 2, s * 0.36f, 0, 2 * kPi, false);
                g.fillPath();
            } else if (shape == 1) {
                g.beginPath();
                g.addArc(s / 2, s * 0.32f, s * 0.18f, 0, 2 * kPi, false);
                g.fillPath();
                roundedPath(g, Rect(s * 0.2f, s * 0.55f, s * 0.6f, s * 0.35f), s * 0.15f);
                g.fillPath();
            } else {
                roundedPath(g, Rect(s * 0.15f, s * 0.15f, s * 0.7f, s * 0.7f), s * 0.12f);
                g.fillPath();
            }
        });
    };
    const Rgb active { 0.45f, 0.80f, 1.0f }, inactive { 0.62f, 0.64f, 0.68f }, disabled { 0.30f, 0.31f, 0.33f };
    for (const auto& entry : { std::pair { "Portrait", 26 }, std::pair { "Landscape", 20 }, std::pair { "IPad", 30 } }) {
        const std::string suffix = entry.first;
        const int size = entry.second;
        tabIcon("QVDashboardTabNowPlaying" + suffix + "Hit.png", size, 0, active);
        tabIcon("QVDashboardTabNowPlaying" + suffix + ".png", size, 0, inactive);
        tabIcon("QVDashboardTabMyQuorvel" + suffix + "Hit.png", size, 1, active);
        tabIcon("QVDashboardTabMyQuorvel" + suffix + ".png", size, 1, inactive);
        tabIcon("QVDashboardTabMyQuorvel" + suffix + "Disabled.png", size, 1, disabled);
        tabIcon("QVDashboardTabDiscovery" + suffix + "Hit.png", size, 2, active);
        tabIcon("QVDashboardTabDiscovery" + suffix + ".png", size, 2, inactive);
        tabIcon("QVDashboardTabDiscovery" + suffix + "Disabled.png", size, 2, disabled);
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
        g.beginPath();
        g.moveTo(9, 15);
        g.lineTo(15, 27);
        g.lineTo(21, 15);
        g.closePath();
        g.fillPath();
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
        g.addArc(24, 22, 6, kPi, 2 * kPi, false);
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
    ok &= write(dir, "QVDefaultApplicationIcon.png", 57, 57, [&](GraphicsContext& g) {
        pill(g, Rect(0, 0, 57, 57), 10, Rgb { 0.25f, 0.40f, 0.65f });
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
    auto button = [&](const std::string& name, int w, int h, float radius, Rgb colour) {
        ok &= write(dir, name, w, h, [&](GraphicsContext& g) { pill(g, Rect(0, 0, w, h), radius, colour); });
    };

    // Bordered buttons (phone and tablet), small buttons, the grey skin.
    button("QVButtonGreen.png", 21, 37, 8, kGreen);
    button("QVButtonGreenHit.png", 21, 37, 8, kGreen.scaled(0.7f));
    button("QVButtonRed.png", 21, 37, 8, kRed);
    button("QVButtonRedHit.png", 21, 37, 8, kRed.scaled(0.7f));
    button("QVButtonGreenIPad.png", 21, 44, 9, kGreen);
    button("QVButtonGreenHitIPad.png", 21, 44, 9, kGreen.scaled(0.7f));
    button("QVButtonRedIPad.png", 21, 44, 9, kRed);
    button("QVButtonRedHitIPad.png", 21, 44, 9, kRed.scaled(0.7f));
    button("QVButtonGrey.png", 21, 37, 8, kGrey);
    button("QVButtonSmallGreen.png", 15, 30, 6, kGreen);
    button("QVButtonSmallGreenHit.png", 15, 30, 6, kGreen.scaled(0.7f));
    button("QVButtonSmallGrey.png", 15, 30, 6, kGrey);
    button("QVButtonSmallGreyHit.png", 15, 30, 6, kGrey.scaled(0.7f));

    // Shadowed buttons: a soft dark halo around a rounded face (caps 20 x 20).
    for (const auto& entry : { std::pair { "QVButtonShadowGreen.png", kGreen }, std::pair { "QVButtonShadowGrey.png", kGrey } }) {
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
    for (const auto& entry : { std::pair { "Green", kBadgeGreen }, std::pair { "Red", kBadgeRed } }) {
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

    // Tiled patterns: faint marks that the background's gradient shows through.
    auto pattern = [&](const std::string& name, float alpha, bool diagonal) {
        ok &= write(dir, name, 8, 8, [&](GraphicsContext& g) {
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
    pattern("QVIntroPattern.png", 0.10f, true);
    pattern("QVButtonPanelBackgroundPattern.png", 0.08f, false);
    pattern("QVProfileBackgroundPattern.png", 0.06f, true);

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

    // A challenge's default icon: two crossed bars on an orange disc.
    ok &= write(dir, "QVDefaultChallengeIcon.png", 32, 32, [&](GraphicsContext& g) {
        g.setFillColor(0.93f, 0.49f, 0.13f, 1);
        g.beginPath();
        g.addArc(16, 16, 15, 0, 2 * kPi, true);
        g.fillPath();
        g.setStrokeColor(1, 1, 1, 1);
        g.setLineWidth(3);
        g.beginPath();
        g.moveTo(9, 9);
        g.lineTo(23, 23);
        g.moveTo(23, 9);
        g.lineTo(9, 23);
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

    ok &= drawDashboardImages(dir);
    ok &= drawListImages(dir);
    return ok ? 0 : 1;
}
