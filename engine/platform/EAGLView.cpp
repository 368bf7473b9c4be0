// EAGLView and ES1Renderer: the engine's drawing surface on the headless GL
// context, its framebuffer, resizing, presenting and touch forwarding.
#include "engine/platform/EAGLView.h"

#include "engine/KSConfiguration.h"
#include "engine/KSDirector.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {
constexpr const char* kRendererFile = "engine/Platforms/iOS/ES1Renderer";
} // namespace

// ES1Renderer ------------------------------------------------------------------------

Ref<ES1Renderer> ES1Renderer::rendererWithDepthFormat(unsigned depthFormat, unsigned pixelFormat,
                                                      platform::GLContext* sharegroup, bool multiSampling,
                                                      unsigned numberOfSamples)
{
    auto r = adoptRef(new ES1Renderer);
    return r->initWithDepthFormat(depthFormat, pixelFormat, sharegroup, multiSampling, numberOfSamples) ? r : nullptr;
}

bool ES1Renderer::initWithDepthFormat(unsigned depthFormat, unsigned pixelFormat, platform::GLContext* sharegroup,
                                      bool multiSampling, unsigned numberOfSamples)
{
    std::string error;
    depthFormat_ = depthFormat;
    pixelFormat_ = pixelFormat;
    if (multiSampling) {
        // The samples are the surface's: the smaller of the count asked for and
        // the most the platform offers. Where none is offered the view draws
        // single-sampled.
        const unsigned samples = std::min(platform::GLContext::maxSurfaceSamples(), numberOfSamples);
        if (samples > 0) {
            const unsigned depthBits = depthFormat == 0 ? 0 : depthFormat == GL_DEPTH_COMPONENT24_OES ? 24 : 16;
            context_ = platform::GLContext::createMultisampled(samples, depthBits, sharegroup, &error);
        }
        if (context_) {
            samplesToUse_ = context_->surfaceSamples();
            multiSampling_ = true;
        }
    }
    if (!context_)
        context_ = sharegroup ? sharegroup->createShared(&error) : platform::GLContext::create(&error);
    if (!context_ || !context_->makeCurrent()) {
        context_ = nullptr;
        return false;
    }
    const platform::GLEntryPoints& gl = platform::glEntryPoints();
    if (!platform::hasGLExtension("GL_OES_framebuffer_object") || !gl.genFramebuffersOES)
        return false;
    platform::drainGLErrors();

    using Kind = platform::GLObjectName::Kind;
    defaultFramebuffer_ = platform::GLObjectName::generate(Kind::Framebuffer);
    BRISKO_ASSERT_FILE(defaultFramebuffer_.get(), kRendererFile, "Can't create default frame buffer");
    gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, defaultFramebuffer_.get());
    if (multiSampling_) {
        // What the samples resolve into: a texture, attached once it has storage.
        glGenTextures(1, &resolveTexture_);
        BRISKO_ASSERT_FILE(resolveTexture_, kRendererFile, "Can't create default render buffer");
    } else {
        colorRenderbuffer_ = platform::GLObjectName::generate(Kind::Renderbuffer);
        BRISKO_ASSERT_FILE(colorRenderbuffer_.get(), kRendererFile, "Can't create default render buffer");
        gl.bindRenderbufferOES(GL_RENDERBUFFER_OES, colorRenderbuffer_.get());
        gl.framebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                      colorRenderbuffer_.get());
    }

    GLenum creationError = glGetError();
    if (creationError != GL_NO_ERROR) {
        std::printf("OpenGL error 0x%04X in %s\n", creationError,
                    "-[ES1Renderer initWithDepthFormat:withPixelFormat:withSharegroup:withMultiSampling:withNumberOfSamples:]");
        platform::drainGLErrors();
    }
    return true;
}

bool ES1Renderer::resizeFromLayer(EAGLView* layer)
{
    const platform::GLEntryPoints& gl = platform::glEntryPoints();
    Size drawable = layer->drawableSize();
    auto width = static_cast<GLsizei>(std::max(0.0f, drawable.width));
    auto height = static_cast<GLsizei>(std::max(0.0f, drawable.height));
    GLenum colorFormat = EAGLView::convertPixelFormat(layer->pixelFormat());

    if (multiSampling_)
        return resizeMultisampled(width, height, colorFormat);

    gl.bindRenderbufferOES(GL_RENDERBUFFER_OES, colorRenderbuffer_.get());
    gl.renderbufferStorageOES(GL_RENDERBUFFER_OES, colorFormat, width, height);
    gl.getRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &backingWidth_);
    gl.getRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &backingHeight_);

    if (depthFormat_) {
        if (!depthBuffer_)
            depthBuffer_ = platform::GLObjectName::generate(platform::GLObjectName::Kind::Renderbuffer);
        gl.bindRenderbufferOES(GL_RENDERBUFFER_OES, depthBuffer_.get());
        gl.renderbufferStorageOES(GL_RENDERBUFFER_OES, depthFormat_, backingWidth_, backingHeight_);
        gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, defaultFramebuffer_.get());
        gl.framebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES, depthBuffer_.get());
        gl.bindRenderbufferOES(GL_RENDERBUFFER_OES, colorRenderbuffer_.get());
    }

    gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, defaultFramebuffer_.get());
    GLenum status = gl.checkFramebufferStatusOES(GL_FRAMEBUFFER_OES);
    // An empty surface is refused by GL; the view carries on without pixels.
    platform::drainGLErrors();
    return status == GL_FRAMEBUFFER_COMPLETE_OES;
}

bool ES1Renderer::resizeMultisampled(GLsizei width, GLsizei height, GLenum colorFormat)
{
    const platform::GLEntryPoints& gl = platform::glEntryPoints();
    // The samples (and the depth buffer) take the new size with the surface.
    const bool surfaceResized = context_->resizeSurface(static_cast<unsigned>(width), static_cast<unsigned>(height));

    GLint previousTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    glBindTexture(GL_TEXTURE_2D, resolveTexture_);
    const bool rgb565 = colorFormat == GL_RGB565_OES;
    glTexImage2D(GL_TEXTURE_2D, 0, rgb565 ? GL_RGB : GL_RGBA, width, height, 0, rgb565 ? GL_RGB : GL_RGBA,
                 rgb565 ? GL_UNSIGNED_SHORT_5_6_5 : GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));
    backingWidth_ = width;
    backingHeight_ = height;

    gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, defaultFramebuffer_.get());
    gl.framebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, resolveTexture_, 0);
    GLenum status = gl.checkFramebufferStatusOES(GL_FRAMEBUFFER_OES);
    // Frames are drawn into the samples.
    gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, msaaFramebuffer_);
    platform::drainGLErrors();
    return surfaceResized && status == GL_FRAMEBUFFER_COMPLETE_OES;
}

void ES1Renderer::resolveMultisample(bool discard)
{
    if (!multiSampling_ || backingWidth_ <= 0 || backingHeight_ <= 0)
        return;
    const platform::GLEntryPoints& gl = platform::glEntryPoints();
    gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, msaaFramebuffer_);
    // Copying the surface into a texture averages each pixel's samples.
    GLint previousTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    glBindTexture(GL_TEXTURE_2D, resolveTexture_);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, backingWidth_, backingHeight_);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));
    if (discard && gl.discardFramebufferEXT) {
        const GLenum attachments[] = { GL_COLOR_EXT, GL_DEPTH_EXT };
        gl.discardFramebufferEXT(GL_FRAMEBUFFER_OES, depthFormat_ ? 2 : 1, attachments);
    }
}

std::string ES1Renderer::description() const
{
    return platform::format("<%s = %s | size = %ix%i>", className().c_str(), platform::addressString(this).c_str(),
                            backingWidth_, backingHeight_);
}

ES1Renderer::~ES1Renderer()
{
    if (!context_)
        return;
    const platform::GLEntryPoints& gl = platform::glEntryPoints();
    // The names belong to this context: make it current to delete them.
    platform::GLContext* previous = platform::GLContext::current();
    context_->makeCurrent();
    if (resolveTexture_)
        glDeleteTextures(1, &resolveTexture_);
    resolveTexture_ = 0;
    defaultFramebuffer_.reset();
    colorRenderbuffer_.reset();
    depthBuffer_.reset();
    if (gl.deleteFramebuffersOES) {
        if (msaaColorbuffer_)
            gl.deleteRenderbuffersOES(1, &msaaColorbuffer_);
        if (msaaFramebuffer_)
            gl.deleteFramebuffersOES(1, &msaaFramebuffer_);
    }
    msaaColorbuffer_ = msaaFramebuffer_ = 0;
    if (previous && previous != context_.get())
        previous->makeCurrent();
    else
        platform::GLContext::clearCurrent();
    context_ = nullptr;
}

// EAGLView ---------------------------------------------------------------------------

Ref<EAGLView> EAGLView::viewWithFrame(const Rect& frame)
{
    return viewWithFrame(frame, kEAGLColorFormatRGB565, 0, false, nullptr, false, 0);
}

Ref<EAGLView> EAGLView::viewWithFrame(const Rect& frame, const std::string& pixelFormat)
{
    return viewWithFrame(frame, pixelFormat, 0, false, nullptr, false, 0);
}

Ref<EAGLView> EAGLView::viewWithFrame(const Rect& frame, const std::string& pixelFormat, GLuint depthFormat)
{
    return viewWithFrame(frame, pixelFormat, depthFormat, false, nullptr, false, 0);
}

Ref<EAGLView> EAGLView::viewWithFrame(const Rect& frame, const std::string& pixelFormat, GLuint depthFormat,
                                      bool preserveBackbuffer)
{
    return viewWithFrame(frame, pixelFormat, depthFormat, preserveBackbuffer, nullptr, false, 0);
}

Ref<EAGLView> EAGLView::viewWithFrame(const Rect& frame, const std::string& pixelFormat, GLuint depthFormat,
                                      bool preserveBackbuffer, platform::GLContext* sharegroup, bool multiSampling,
                                      unsigned numberOfSamples)
{
    auto v = adoptRef(new EAGLView);
    return v->initWithFrame(frame, pixelFormat, depthFormat, preserveBackbuffer, sharegroup, multiSampling, numberOfSamples)
               ? v
               : nullptr;
}

bool EAGLView::initWithFrame(const Rect& frame)
{
    return initWithFrame(frame, kEAGLColorFormatRGB565, 0, false, nullptr, false, 0);
}

bool EAGLView::initWithFrame(const Rect& frame, const std::string& pixelFormat)
{
    return initWithFrame(frame, pixelFormat, 0, false, nullptr, false, 0);
}

bool EAGLView::initWithFrame(const Rect& frame, const std::string& pixelFormat, GLuint depthFormat,
                             bool preserveBackbuffer, platform::GLContext* sharegroup, bool multiSampling,
                             unsigned numberOfSamples)
{
    if (!View::initWithFrame(frame))
        return false;
    pixelformat_ = pixelFormat;
    depthFormat_ = depthFormat;
    preserveBackbuffer_ = preserveBackbuffer;
    multiSampling_ = multiSampling;
    requestedSamples_ = numberOfSamples;
    return setupSurfaceWithSharegroup(sharegroup);
}

bool EAGLView::initWithCoder(const platform::ui::InterfaceCoder& coder)
{
    if (!View::initWithCoder(coder))
        return false;
    pixelformat_ = kEAGLColorFormatRGB565;
    depthFormat_ = 0;
    multiSampling_ = false;
    requestedSamples_ = 0;
    size_ = bounds().size;
    return setupSurfaceWithSharegroup(nullptr);
}

EAGLView::~EAGLView() = default;

bool EAGLView::setupSurfaceWithSharegroup(platform::GLContext* sharegroup)
{
    setOpaque(true);
    renderer_ = ES1Renderer::rendererWithDepthFormat(depthFormat_, convertPixelFormat(pixelformat_), sharegroup,
                                                     multiSampling_, requestedSamples_);
    if (!renderer_)
        return false;
    context_ = renderer_->context();
    // The drawable's storage: the view's size at its content scale.
    renderer_->resizeFromLayer(this);
    size_ = renderer_->backingSize();
    discardFramebufferSupported_ = KSConfiguration::sharedConfiguration()->supportsDiscardFramebuffer();
    return true;
}

Size EAGLView::drawableSize() const
{
    Size b = bounds().size;
    return { std::round(b.width * contentScale_), std::round(b.height * contentScale_) };
}

void EAGLView::setContentScaleFactor(float scale)
{
    if (scale == contentScale_)
        return;
    contentScale_ = scale;
    setNeedsLayout();
}

void EAGLView::layoutSubviews()
{
    // The buffers and the frame belong to the main thread's context. On the main
    // thread the work runs inline (waiting for a posted frame there would wait
    // for ourselves); from another thread it is posted and waited for.
    platform::RunLoop& main = platform::RunLoop::main();
    if (main.isCurrent()) {
        resizeAndRedraw();
        return;
    }
    Ref<EAGLView> keep(this);
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    main.post([&] {
        struct Signal {
            std::mutex& m;
            std::condition_variable& cv;
            bool& done;
            ~Signal()
            {
                std::lock_guard lock(m);
                done = true;
                cv.notify_one();
            }
        } signal { m, cv, done };
        resizeAndRedraw();
    });
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return done; });
}

void EAGLView::resizeAndRedraw()
{
    if (!renderer_)
        return;
    renderer_->resizeFromLayer(this);
    size_ = renderer_->backingSize();

    KSDirector* director = KSDirector::sharedDirector();
    // Only the director's own view redraws it (a view not yet handed over has no frame to show).
    if (director->openGLView() != this)
        return;
    director->reshapeProjection(size_);
    director->drawScene();
}

void EAGLView::swapBuffers()
{
    const bool multisampled = renderer_ && renderer_->multiSampling();
    if (multisampled)
        renderer_->resolveMultisample(discardFramebufferSupported_);
    glFinish();
    if (!multisampled && discardFramebufferSupported_ && depthFormat_ && renderer_) {
        const platform::GLEntryPoints& gl = platform::glEntryPoints();
        if (gl.discardFramebufferEXT) {
            const GLenum attachments[] = { GL_DEPTH_ATTACHMENT_OES };
            gl.discardFramebufferEXT(GL_FRAMEBUFFER_OES, 1, attachments);
        }
    }
    ++framesPresented_;
    if (captureHook_)
        captureHook_(*this);
}

Ref<platform::Image> EAGLView::readFrame(bool forceOpaque)
{
    if (!renderer_)
        return nullptr;
    auto width = static_cast<uint32_t>(renderer_->backingSize().width);
    auto height = static_cast<uint32_t>(renderer_->backingSize().height);
    if (!width || !height)
        return nullptr;
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previous);
    platform::glEntryPoints().bindFramebufferOES(GL_FRAMEBUFFER_OES, renderer_->defaultFrameBuffer());
    platform::Bytes pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    platform::glEntryPoints().bindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previous));
    // GL rows run bottom up; images top down.
    platform::Bytes flipped(pixels.size());
    size_t row = static_cast<size_t>(width) * 4;
    for (uint32_t y = 0; y < height; ++y)
        std::copy_n(pixels.data() + (height - 1 - y) * row, row, flipped.data() + y * row);
    if (forceOpaque)
        for (size_t i = 3; i < flipped.size(); i += 4)
            flipped[i] = 255;
    return platform::Image::imageWithRGBA(width, height, std::move(flipped));
}

GLenum EAGLView::convertPixelFormat(const std::string& pixelFormat)
{
    return pixelFormat == "EAGLColorFormat565" ? GL_RGB565_OES : GL_RGBA8_OES;
}

Point EAGLView::convertPointFromViewToSurface(Point point) const
{
    Rect b = bounds();
    return { (point.x - b.origin.x) / b.size.width * size_.width, (point.y - b.origin.y) / b.size.height * size_.height };
}

Rect EAGLView::convertRectFromViewToSurface(const Rect& rect) const
{
    Rect b = bounds();
    Point origin = convertPointFromViewToSurface(rect.origin);
    return { origin.x, origin.y, rect.size.width * (size_.width / b.size.width),
             rect.size.height * (size_.height / b.size.height) };
}

void EAGLView::touchesBeganWithEvent(const platform::ui::TouchSet& touches, platform::ui::Event* event)
{
    if (touchDelegate_)
        touchDelegate_->touchesBegan(touches, event);
}

void EAGLView::touchesMovedWithEvent(const platform::ui::TouchSet& touches, platform::ui::Event* event)
{
    if (touchDelegate_)
        touchDelegate_->touchesMoved(touches, event);
}

void EAGLView::touchesEndedWithEvent(const platform::ui::TouchSet& touches, platform::ui::Event* event)
{
    if (touchDelegate_)
        touchDelegate_->touchesEnded(touches, event);
}

void EAGLView::touchesCancelledWithEvent(const platform::ui::TouchSet& touches, platform::ui::Event* event)
{
    if (touchDelegate_)
        touchDelegate_->touchesCancelled(touches, event);
}

} // namespace kestrel
