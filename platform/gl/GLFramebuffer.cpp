// The off-screen framebuffer of a headless context and its read-back.
#include "platform/gl/GLFramebuffer.h"

#include "platform/foundation/Format.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

#include <GLES/glext.h>

#include <cstring>

namespace platform {

Ref<GLFramebuffer> GLFramebuffer::create(uint32_t width, uint32_t height, std::string* error)
{
    auto fail = [error](std::string reason) -> Ref<GLFramebuffer> {
        if (error)
            *error = "framebuffer: " + std::move(reason);
        return nullptr;
    };
    if (width == 0 || height == 0 || width > Image::kMaxDimension || height > Image::kMaxDimension)
        return fail("invalid size");
    const GLEntryPoints& gl = glEntryPoints();
    if (!hasGLExtension("GL_OES_framebuffer_object") || !gl.genFramebuffersOES)
        return fail("GL_OES_framebuffer_object is not available");

    drainGLErrors();
    auto fb = adoptRef(new GLFramebuffer);
    fb->width_ = width;
    fb->height_ = height;
    fb->framebuffer_ = GLObjectName::generate(GLObjectName::Kind::Framebuffer);
    gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, fb->framebuffer_.get());
    fb->color_ = GLObjectName::generate(GLObjectName::Kind::Renderbuffer);
    gl.bindRenderbufferOES(GL_RENDERBUFFER_OES, fb->color_.get());
    gl.renderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    gl.framebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, fb->color_.get());
    fb->depth_ = GLObjectName::generate(GLObjectName::Kind::Renderbuffer);
    gl.bindRenderbufferOES(GL_RENDERBUFFER_OES, fb->depth_.get());
    gl.renderbufferStorageOES(GL_RENDERBUFFER_OES, GL_DEPTH_COMPONENT16_OES, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    gl.framebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES, fb->depth_.get());
    GLenum status = gl.checkFramebufferStatusOES(GL_FRAMEBUFFER_OES);
    GLenum glError = takeGLError();
    if (status != GL_FRAMEBUFFER_COMPLETE_OES || glError != GL_NO_ERROR)
        return fail(format("incomplete (status 0x%04X, GL error 0x%04X)", status, glError));
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    return fb;
}

void GLFramebuffer::bind()
{
    glEntryPoints().bindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_.get());
    glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
}

Bytes GLFramebuffer::readPixels()
{
    bind();
    glFinish();
    const size_t rowBytes = static_cast<size_t>(width_) * 4;
    Bytes raw(rowBytes * height_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    drainGLErrors();
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    if (takeGLError() != GL_NO_ERROR)
        return {};
    Bytes out(raw.size());
    for (uint32_t y = 0; y < height_; ++y)
        std::memcpy(out.data() + y * rowBytes, raw.data() + (height_ - 1 - y) * rowBytes, rowBytes);
    return out;
}

Ref<Image> GLFramebuffer::readImage(bool forceOpaque)
{
    Bytes pixels = readPixels();
    if (pixels.empty())
        return nullptr;
    if (forceOpaque)
        for (size_t i = 3; i < pixels.size(); i += 4)
            pixels[i] = 255;
    return Image::imageWithRGBA(width_, height_, std::move(pixels),
                                forceOpaque ? ImageAlphaInfo::NoneSkipLast : ImageAlphaInfo::Last);
}

} // namespace platform
