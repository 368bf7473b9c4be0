// A node that draws into a texture of its own: between begin() and end(),
// whatever is drawn (typically other nodes' visit()) lands in an off-screen
// framebuffer whose colour attachment is the texture; the node shows that
// texture through a child sprite, and the picture can be read back as raw
// RGBA bytes or written as a PNG or JPEG file into the Documents directory.
//
// Caveat: begin() and end() pair up; each end() restores the framebuffer,
// viewport and clear colour that its begin() found, so captures of different
// render textures nest. A capture the game leaves open does not keep the
// screen off for good: a render texture that goes ends its own (and those
// begun inside it), and the director ends any left open before it draws the
// next frame; both say so in the log. Main thread only, with the engine's
// context current.
// The texture belongs to the render texture (its framebuffer draws into it);
// the sprite is only linked: sprite() answers null once nobody keeps it.
#pragma once

#include "engine/KSNode.h"
#include "engine/KSTexture2D.h"
#include "platform/foundation/Value.h"
#include "platform/foundation/Weak.h"
#include "platform/gl/GLObjectName.h"

#include <GLES/gl.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

class KSSprite;

enum ksImageFormat : int {
    kKSImageFormatJPG = 0,
    kKSImageFormatPNG = 1,
    kKSImageFormatRawData = 2,
};

class KSRenderTexture : public KSNode {
public:
    // Width and height in points; the texture is the next power of two of the
    // pixel size, its content size the pixel size itself.
    [[nodiscard]] static platform::Ref<KSRenderTexture> renderTextureWithWidth(int w, int h);
    [[nodiscard]] static platform::Ref<KSRenderTexture> renderTextureWithWidth(int w, int h, KSTexture2DPixelFormat format);
    [[nodiscard]] bool initWithWidth(int w, int h);
    // Raises "Render Texture" / "Could not attach texture to framebuffer" when
    // the framebuffer is incomplete; false when the texture cannot be made.
    [[nodiscard]] bool initWithWidth(int w, int h, KSTexture2DPixelFormat format);

    std::string className() const override { return "KSRenderTexture"; }

    void begin();
    void beginWithClear(float r, float g, float b, float a);
    void end();
    // Ends every capture still open, the last begun first, and answers
    // whether there was any (the director calls it before each frame).
    static bool endCapturesLeftOpen();
    // Captures begun and not yet ended, of every render texture.
    static size_t capturesOpen();
    // Fills the texture with one colour (a begin/end pair of its own).
    void clear(float r, float g, float b, float a);

    // Writes the picture under `name` in the Documents directory (JPEG, or the
    // format given). The name must be a plain file name: one containing "/" or
    // "..", or an empty one, is refused and nothing is written.
    bool saveBuffer(const std::string& name);
    bool saveBuffer(const std::string& name, int format);
    // The picture encoded as JPEG or PNG, or as raw R, G, B, A bytes top row
    // first; nullopt when it cannot be made.
    std::optional<platform::Bytes> getUIImageAsDataFromBuffer(int format);

    KSSprite* sprite() const { return sprite_.get(); }
    void setSprite(KSSprite* sprite);
    GLuint fbo() const { return fbo_.get(); }
    KSTexture2DPixelFormat pixelFormat() const { return pixelFormat_; }

protected:
    KSRenderTexture() = default;
    ~KSRenderTexture() override;

    void saveGLstate();
    void restoreGLstate();

private:
    // Puts back what the last open begin() found.
    void endCapture();

    // What one begin() found and its end() puts back.
    struct SavedState {
        GLint oldFBO { 0 };
        std::array<GLint, 4> viewport {};
        std::array<GLfloat, 4> clearColor {};
    };

    // Deleted in the share group it was made in, whatever context is current then.
    platform::GLObjectName fbo_;
    GLint oldFBO_ { 0 };
    // The framebuffer's colour attachment: held here too, so that captures and
    // read-backs go on whatever becomes of the sprite showing it.
    platform::Ref<KSTexture2D> texture_;
    // Made as a child; the game may take it off, move it or replace it.
    platform::WeakLink<KSSprite> sprite_;
    KSTexture2DPixelFormat pixelFormat_ { kKSTexture2DPixelFormat_RGBA8888 };
    std::array<GLfloat, 4> clearColor_ {};
    std::vector<SavedState> saved_;
};

} // namespace kestrel
