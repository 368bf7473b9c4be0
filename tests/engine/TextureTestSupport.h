// Helpers for the texture tests: a headless GL context current for each test,
// an off-screen framebuffer to draw into, and writers for the image, PVR and
// compressed files the tests load.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLFramebuffer.h"

#include "support/SavedBundleFolders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kestrel {
class KSTexture2D;
}

namespace texture_test {

// An opaque white RGBA8888 texture of side x side pixels (a context must be current).
platform::Ref<kestrel::KSTexture2D> whiteTexture(uint32_t side);

// One context for the whole test program (the configuration reads it once),
// made current in SetUp; shared caches are purged around each test.
class GLTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override;
    void TearDown() override;
    static platform::GLContext* context();

    // A framebuffer of the given size, bound, with a 2-D pixel projection and the
    // engine's default client state (vertex and texture-coordinate arrays, 2-D texturing).
    platform::Ref<platform::GLFramebuffer> makeScreen(uint32_t width, uint32_t height);
    // R, G, B, A of pixel (x, y), y counted from the top.
    static const uint8_t* pixelAt(const platform::Bytes& pixels, uint32_t width, uint32_t x, uint32_t y);

    testing_support::SavedBundleFolders bundle;
    testing_support::TempDir dir;
};

// An RGBA PNG where every pixel is `rgba`, or with a custom fill.
std::string writeSolidPNG(const std::string& path, uint32_t width, uint32_t height, uint32_t rgba, bool alpha = true);
// A sprite sheet in `folder`: "sheet.png" (64x64) and "sheet.plist" naming one
// frame, "hero.png", its top-left 16x16.
void writeHeroSheet(const testing_support::TempDir& folder);

// A PVR version 2 file: header fields as given, then `data` (the data length
// field is data.size() unless overridden).
platform::Bytes pvrFile(uint32_t width, uint32_t height, uint32_t formatCode, const platform::Bytes& data,
                        uint32_t alphaMask = 0xFF, int64_t dataLengthOverride = -1, const char* tag = "PVR!");
std::string writeBytes(const std::string& path, const platform::Bytes& bytes);
std::string writeGzip(const std::string& path, const platform::Bytes& bytes);
std::string writeKsz(const std::string& path, const platform::Bytes& bytes);

} // namespace texture_test
