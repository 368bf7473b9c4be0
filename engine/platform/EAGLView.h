// The view the engine draws into and its renderer. ES1Renderer owns a GL ES 1.1
// context (optionally sharing textures with another) and the framebuffer that
// stands for the screen: a colour renderbuffer and, when asked for, a depth
// renderbuffer, sized to the view's bounds times its content scale factor.
// EAGLView resizes them when it is laid out, presents at the end of each
// director frame (swapBuffers: glFinish, then the capture hook if one is set)
// and hands every touch event to its touch delegate.
//
// Multisampling: GL ES 1.1 here offers no multisampled framebuffer objects;
// the samples live on the context's own surface (see platform/gl/GLContext.h).
// A multisampling renderer draws into that surface (GL's framebuffer 0, with
// its depth buffer when one is asked for) and resolves each frame, as it is
// presented, into the presented framebuffer, whose colour buffer is then a
// texture (resolveTexture()) because only textures can be copied into.
//
// Caveat: the renderer's context is made current when the view is made and is
// expected to stay current on the main thread while the engine draws.
#pragma once

#include "engine/ksTypes.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLObjectName.h"
#include "platform/ui/Touches.h"
#include "platform/ui/View.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <functional>
#include <string>

namespace platform {
class Image;
}

namespace kestrel {


inline constexpr const char* kEAGLColorFormatRGB565 = "EAGLColorFormat565";
inline constexpr const char* kEAGLColorFormatRGBA8 = "EAGLColorFormatRGBA8";

// Receives the view's touch events (the director makes the touch dispatcher it).
class EAGLTouchDelegate {
public:
    virtual void touchesBegan(const platform::ui::TouchSet& touches, platform::ui::Event* event) = 0;
    virtual void touchesMoved(const platform::ui::TouchSet& touches, platform::ui::Event* event) = 0;
    virtual void touchesEnded(const platform::ui::TouchSet& touches, platform::ui::Event* event) = 0;
    virtual void touchesCancelled(const platform::ui::TouchSet& touches, platform::ui::Event* event) = 0;

protected:
    ~EAGLTouchDelegate() = default;
};

class EAGLView;

class ES1Renderer : public platform::Object {
public:
    // Empty when the context cannot be made or made current, or the driver has
    // no framebuffer objects.
    [[nodiscard]] static platform::Ref<ES1Renderer> rendererWithDepthFormat(unsigned depthFormat, unsigned pixelFormat,
                                                              platform::GLContext* sharegroup, bool multiSampling,
                                                              unsigned numberOfSamples);
    [[nodiscard]] bool initWithDepthFormat(unsigned depthFormat, unsigned pixelFormat, platform::GLContext* sharegroup,
                             bool multiSampling, unsigned numberOfSamples);

    // Gives the buffers storage of the view's drawable size; false when the
    // framebuffer is not complete (an empty view, for one).
    bool resizeFromLayer(EAGLView* layer);
    Size backingSize() const { return { static_cast<float>(backingWidth_), static_cast<float>(backingHeight_) }; }
    platform::GLContext* context() const { return context_.get(); }
    GLuint colorRenderBuffer() const { return colorRenderbuffer_.get(); }
    GLuint defaultFrameBuffer() const { return defaultFramebuffer_.get(); }
    GLuint depthBuffer() const { return depthBuffer_.get(); }
    // The framebuffer drawn into while multisampling: the context's surface,
    // whose GL name is 0 (as is that of its colour buffer).
    GLuint msaaFrameBuffer() const { return msaaFramebuffer_; }
    GLuint msaaColorBuffer() const { return msaaColorbuffer_; }
    // While multisampling: the presented framebuffer's colour buffer, which
    // each present resolves the samples into (0 without multisampling).
    GLuint resolveTexture() const { return resolveTexture_; }
    // The samples of the multisampled surface: at least the smaller of the
    // count asked for and the most the platform offers (0 without multisampling).
    unsigned samplesToUse() const { return samplesToUse_; }
    bool multiSampling() const { return multiSampling_; }
    // While multisampling: the samples into the presented framebuffer, then
    // (when the driver supports it) the surface's buffers discarded, leaving
    // the surface bound for the next frame. Nothing without multisampling.
    void resolveMultisample(bool discard);

    std::string className() const override { return "ES1Renderer"; }
    std::string description() const override;

protected:
    ES1Renderer() = default;
    ~ES1Renderer() override;

private:
    bool resizeMultisampled(GLsizei width, GLsizei height, GLenum colorFormat);

    GLint backingWidth_ { 0 };
    GLint backingHeight_ { 0 };
    unsigned samplesToUse_ { 0 };
    bool multiSampling_ { false };
    unsigned depthFormat_ { 0 };
    unsigned pixelFormat_ { 0 };
    platform::GLObjectName defaultFramebuffer_;
    platform::GLObjectName colorRenderbuffer_;
    platform::GLObjectName depthBuffer_;
    GLuint msaaFramebuffer_ { 0 };
    GLuint msaaColorbuffer_ { 0 };
    GLuint resolveTexture_ { 0 };
    platform::Ref<platform::GLContext> context_;
};

class EAGLView : public platform::ui::View {
public:
    [[nodiscard]] static platform::Ref<EAGLView> viewWithFrame(const Rect& frame);
    [[nodiscard]] static platform::Ref<EAGLView> viewWithFrame(const Rect& frame, const std::string& pixelFormat);
    [[nodiscard]] static platform::Ref<EAGLView> viewWithFrame(const Rect& frame, const std::string& pixelFormat, GLuint depthFormat);
    [[nodiscard]] static platform::Ref<EAGLView> viewWithFrame(const Rect& frame, const std::string& pixelFormat, GLuint depthFormat,
                                                 bool preserveBackbuffer);
    // `sharegroup`: a context whose textures the view's context shares, or null.
    [[nodiscard]] static platform::Ref<EAGLView> viewWithFrame(const Rect& frame, const std::string& pixelFormat, GLuint depthFormat,
                                                 bool preserveBackbuffer, platform::GLContext* sharegroup,
                                                 bool multiSampling, unsigned numberOfSamples);
    [[nodiscard]] bool initWithFrame(const Rect& frame) override;
    [[nodiscard]] bool initWithFrame(const Rect& frame, const std::string& pixelFormat);
    [[nodiscard]] bool initWithFrame(const Rect& frame, const std::string& pixelFormat, GLuint depthFormat, bool preserveBackbuffer,
                       platform::GLContext* sharegroup, bool multiSampling, unsigned numberOfSamples);
    [[nodiscard]] bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

    bool setupSurfaceWithSharegroup(platform::GLContext* sharegroup);
    void layoutSubviews() override;
    // Presents the frame: resolves the samples when multisampling, finishes
    // GL's work, discards what need not be kept, then calls the capture hook.
    void swapBuffers();

    static GLenum convertPixelFormat(const std::string& pixelFormat);
    Point convertPointFromViewToSurface(Point point) const;
    Rect convertRectFromViewToSurface(const Rect& rect) const;

    const std::string& pixelFormat() const { return pixelformat_; }
    GLuint depthFormat() const { return depthFormat_; }
    bool preserveBackbuffer() const { return preserveBackbuffer_; }
    Size surfaceSize() const { return size_; }
    platform::GLContext* context() const { return context_; }
    ES1Renderer* renderer() const { return renderer_.get(); }
    EAGLTouchDelegate* touchDelegate() const { return touchDelegate_; }
    void setTouchDelegate(EAGLTouchDelegate* delegate) { touchDelegate_ = delegate; }
    // Whether the view draws multisampled: false when it asked for no samples or
    // the platform offers none, whatever was asked.
    bool multiSampling() const { return renderer_ && renderer_->multiSampling(); }
    // The framebuffer frames are drawn into: the samples' surface while
    // multisampling, else the presented framebuffer (0 without a renderer).
    GLuint drawingFramebuffer() const
    {
        return !renderer_ ? 0 : renderer_->multiSampling() ? renderer_->msaaFrameBuffer() : renderer_->defaultFrameBuffer();
    }
    // What the next setupSurfaceWithSharegroup asks for; the view's surface
    // stays as it is until then.
    void setMultiSampling(bool on) { multiSampling_ = on; }
    bool isMultipleTouchEnabled() const { return multipleTouch_; }
    void setMultipleTouchEnabled(bool on) { multipleTouch_ = on; }

    // Surface pixels per point; a change resizes the buffers at the next layout.
    float contentScaleFactor() const { return contentScale_; }
    void setContentScaleFactor(float scale);
    // The drawable size in pixels: bounds times the content scale factor.
    Size drawableSize() const;

    // Called at the end of every swapBuffers (frame capture for tests and tools).
    using CaptureHook = std::function<void(EAGLView&)>;
    void setCaptureHook(CaptureHook hook) { captureHook_ = std::move(hook); }
    // The presented framebuffer as an image (alpha forced to 255 by default).
    platform::Ref<platform::Image> readFrame(bool forceOpaque = true);
    unsigned framesPresented() const { return framesPresented_; }

    void touchesBeganWithEvent(const platform::ui::TouchSet& touches, platform::ui::Event* event) override;
    void touchesMovedWithEvent(const platform::ui::TouchSet& touches, platform::ui::Event* event) override;
    void touchesEndedWithEvent(const platform::ui::TouchSet& touches, platform::ui::Event* event) override;
    void touchesCancelledWithEvent(const platform::ui::TouchSet& touches, platform::ui::Event* event) override;

    std::string className() const override { return "EAGLView"; }

protected:
    EAGLView() = default;
    ~EAGLView() override;

private:
    // Resizes the buffers and, for the director's view, draws a frame (main thread).
    void resizeAndRedraw();

    platform::Ref<ES1Renderer> renderer_;
    platform::GLContext* context_ { nullptr }; // the renderer's
    std::string pixelformat_ { kEAGLColorFormatRGB565 };
    GLuint depthFormat_ { 0 };
    bool preserveBackbuffer_ { false };
    Size size_ {};
    bool discardFramebufferSupported_ { false };
    EAGLTouchDelegate* touchDelegate_ { nullptr }; // not retained
    unsigned requestedSamples_ { 0 };
    bool multiSampling_ { false }; // asked for; the renderer knows what is drawn
    bool multipleTouch_ { false };
    float contentScale_ { 1 };
    CaptureHook captureHook_;
    unsigned framesPresented_ { 0 };
};

} // namespace kestrel
