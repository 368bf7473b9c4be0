// The EGL implementation of GLContext: a GL ES 1.1 context on Mesa's
// surfaceless platform with a pbuffer config (8-bit colour channels), or a
// multisampled one. The display is opened and initialised once per process
// and kept for its lifetime.
#pragma once

#include "platform/gl/GLContext.h"

#include <EGL/egl.h>

namespace platform {

class EGLGLContext final : public GLContext {
public:
    [[nodiscard]] static Ref<GLContext> create(EGLGLContext* shareWith, std::string* error);
    // On a config with sample buffers (see GLContext::createMultisampled).
    [[nodiscard]] static Ref<GLContext> createMultisampled(unsigned samples, unsigned depthBits,
                                                           EGLGLContext* shareWith, std::string* error);
    static unsigned maxSurfaceSamples();

    Ref<GLContext> createShared(std::string* error) override;
    bool makeCurrent() override;
    unsigned surfaceSamples() const override { return samples_; }
    bool resizeSurface(unsigned width, unsigned height) override;

    EGLContext eglContext() const { return context_; }
    std::string className() const override { return "EGLGLContext"; }

private:
    EGLGLContext() = default;
    ~EGLGLContext() override;

    static Ref<GLContext> createOnConfig(EGLConfig config, EGLGLContext* shareWith, std::string* error);

    EGLDisplay display_ { EGL_NO_DISPLAY };
    EGLConfig config_ { nullptr };
    unsigned samples_ { 0 };
    EGLContext context_ { EGL_NO_CONTEXT };
    EGLSurface surface_ { EGL_NO_SURFACE };
};

} // namespace platform
