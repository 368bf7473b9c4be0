// The EGL implementation of GLContext: a GL ES 1.1 context on Mesa's
// surfaceless platform with a pbuffer config. The display is opened and
// initialised once per process and kept for its lifetime.
#pragma once

#include "platform/gl/GLContext.h"

#include <EGL/egl.h>

namespace platform {

class EGLGLContext final : public GLContext {
public:
    [[nodiscard]] static Ref<GLContext> create(EGLGLContext* shareWith, std::string* error);

    Ref<GLContext> createShared(std::string* error) override;
    bool makeCurrent() override;

    EGLContext eglContext() const { return context_; }
    std::string className() const override { return "EGLGLContext"; }

private:
    EGLGLContext() = default;
    ~EGLGLContext() override;

    EGLDisplay display_ { EGL_NO_DISPLAY };
    EGLContext context_ { EGL_NO_CONTEXT };
    EGLSurface surface_ { EGL_NO_SURFACE };
};

} // namespace platform
