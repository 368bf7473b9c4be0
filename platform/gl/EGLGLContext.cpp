// Headless GL ES 1.1 through EGL: the surfaceless Mesa display, one pbuffer
// config, contexts (optionally in a share group) each with a 1x1 pbuffer.
// Drawing goes to framebuffer objects; the pbuffer only gives the context a
// surface to be current on.
#include "platform/gl/EGLGLContext.h"

#include "platform/foundation/Format.h"

#include <EGL/eglext.h>

#include <mutex>

namespace platform {

namespace {

thread_local GLContext* tCurrent = nullptr;

struct DisplayState {
    EGLDisplay display { EGL_NO_DISPLAY };
    EGLConfig config { nullptr };
    std::string error;
};

std::string eglErrorString(const char* what)
{
    return format("%s failed (EGL error 0x%04X)", what, static_cast<unsigned>(eglGetError()));
}

// Opens the display once; later calls answer the same result.
const DisplayState& displayState()
{
    static DisplayState state;
    static std::once_flag once;
    std::call_once(once, [] {
        EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY) {
            state.error = eglErrorString("eglGetPlatformDisplay(surfaceless)");
            return;
        }
        EGLint major = 0, minor = 0;
        if (!eglInitialize(display, &major, &minor)) {
            state.error = eglErrorString("eglInitialize");
            return;
        }
        if (!eglBindAPI(EGL_OPENGL_ES_API)) {
            state.error = eglErrorString("eglBindAPI(GL ES)");
            return;
        }
        const EGLint attributes[] = {
            EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
            EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT,
            EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
            EGL_NONE,
        };
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) {
            state.error = "no EGL config offers GL ES 1 with a pbuffer";
            return;
        }
        state.display = display;
        state.config = config;
    });
    return state;
}

} // namespace

Ref<GLContext> GLContext::create(std::string* error)
{
    return EGLGLContext::create(nullptr, error);
}

void GLContext::clearCurrent()
{
    const DisplayState& state = displayState();
    if (state.display != EGL_NO_DISPLAY)
        eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    tCurrent = nullptr;
}

GLContext* GLContext::current()
{
    return tCurrent;
}

Ref<GLContext> EGLGLContext::create(EGLGLContext* shareWith, std::string* error)
{
    const DisplayState& state = displayState();
    auto fail = [error](std::string reason) -> Ref<GLContext> {
        if (error)
            *error = "GL context: " + std::move(reason);
        return nullptr;
    };
    if (state.display == EGL_NO_DISPLAY)
        return fail(state.error);

    auto context = adoptRef(new EGLGLContext);
    context->display_ = state.display;
    // The API binding is per thread: loader threads need it too.
    eglBindAPI(EGL_OPENGL_ES_API);
    const EGLint contextAttributes[] = { EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE };
    context->context_ = eglCreateContext(state.display, state.config,
                                         shareWith ? shareWith->context_ : EGL_NO_CONTEXT, contextAttributes);
    if (context->context_ == EGL_NO_CONTEXT)
        return fail(eglErrorString("eglCreateContext(GL ES 1)"));
    const EGLint surfaceAttributes[] = { EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE };
    context->surface_ = eglCreatePbufferSurface(state.display, state.config, surfaceAttributes);
    if (context->surface_ == EGL_NO_SURFACE)
        return fail(eglErrorString("eglCreatePbufferSurface"));
    return context;
}

EGLGLContext::~EGLGLContext()
{
    if (tCurrent == this)
        clearCurrent();
    if (surface_ != EGL_NO_SURFACE)
        eglDestroySurface(display_, surface_);
    if (context_ != EGL_NO_CONTEXT)
        eglDestroyContext(display_, context_);
}

Ref<GLContext> EGLGLContext::createShared(std::string* error)
{
    return create(this, error);
}

bool EGLGLContext::makeCurrent()
{
    eglBindAPI(EGL_OPENGL_ES_API);
    if (!eglMakeCurrent(display_, surface_, surface_, context_))
        return false;
    tCurrent = this;
    return true;
}

} // namespace platform
