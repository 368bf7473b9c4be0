// An off-screen framebuffer object with an RGBA colour renderbuffer and a
// depth renderbuffer: the "screen" of a headless context, and what tests draw
// into and read back.
//
// Caveat: made, bound and read with its context current; its names are deleted
// in that context's share group (at once, or when one of its contexts is next
// made current).
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"
#include "platform/gl/GLObjectName.h"

#include <GLES/gl.h>

#include <cstdint>
#include <string>

namespace platform {

class Image;

class GLFramebuffer : public Object {
public:
    // Empty with the reason when the extension is missing or the framebuffer is incomplete.
    [[nodiscard]] static Ref<GLFramebuffer> create(uint32_t width, uint32_t height, std::string* error = nullptr);

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    GLuint framebuffer() const { return framebuffer_.get(); }

    // Binds it and sets the viewport to its size.
    void bind();
    // The pixels as R, G, B, A bytes, top row first (GL's rows are bottom first).
    Bytes readPixels();
    // The framebuffer as an image; forceOpaque sets every alpha to 255, as saved frames have.
    Ref<Image> readImage(bool forceOpaque = true);

private:
    GLFramebuffer() = default;
    ~GLFramebuffer() override = default;

    uint32_t width_ { 0 };
    uint32_t height_ { 0 };
    GLObjectName framebuffer_;
    GLObjectName color_;
    GLObjectName depth_;
};

} // namespace platform
