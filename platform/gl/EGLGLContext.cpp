// Headless GL ES 1.1 through EGL: the surfaceless Mesa display, one pbuffer
// config, contexts (optionally in a share group) each with a 1x1 pbuffer.
// Drawing goes to framebuffer objects; the pbuffer only gives the context a
// surface to be current on. A multisampled context is made on a config with
// sample buffers, and its pbuffer, sized to the picture, is drawn into.
// Each context belongs to a share group, which deletes its texture,
// framebuffer and renderbuffer names only with one of its own contexts current.
#include "platform/gl/EGLGLContext.h"

#include "platform/foundation/Format.h"
#include "platform/gl/GLExtensions.h"

#include <EGL/eglext.h>
#include <GLES/gl.h>

#include <algorithm>
#include <mutex>
#include <vector>

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

EGLint configAttribute(EGLDisplay display, EGLConfig config, EGLint name)
{
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

// The GL ES 1 pbuffer configs with sample buffers and 8-bit colour channels.
std::vector<EGLConfig> multisampleConfigs(EGLDisplay display)
{
    const EGLint attributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_SAMPLE_BUFFERS, 1,
        EGL_NONE,
    };
    EGLint count = 0;
    if (display == EGL_NO_DISPLAY || !eglChooseConfig(display, attributes, nullptr, 0, &count) || count <= 0)
        return {};
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!eglChooseConfig(display, attributes, configs.data(), count, &count))
        return {};
    configs.resize(static_cast<size_t>(std::max(count, 0)));
    // The sizes asked for are minimums: keep exactly 8 bits a channel.
    std::erase_if(configs, [display](EGLConfig c) {
        return configAttribute(display, c, EGL_RED_SIZE) != 8 || configAttribute(display, c, EGL_GREEN_SIZE) != 8
            || configAttribute(display, c, EGL_BLUE_SIZE) != 8 || configAttribute(display, c, EGL_ALPHA_SIZE) != 8;
    });
    return configs;
}

} // namespace

void GLShareGroup::deleteInCurrentContext(Kind kind, unsigned name)
{
    const GLEntryPoints& gl = glEntryPoints();
    switch (kind) {
    case GLShareGroup::Kind::Texture: glDeleteTextures(1, &name); break;
    case GLShareGroup::Kind::Framebuffer:
        if (gl.deleteFramebuffersOES)
            gl.deleteFramebuffersOES(1, &name);
        break;
    case GLShareGroup::Kind::Renderbuffer:
        if (gl.deleteRenderbuffersOES)
            gl.deleteRenderbuffersOES(1, &name);
        break;
    }
}

void GLShareGroup::deleteName(Kind kind, unsigned name)
{
    if (name == 0)
        return;
    if (isCurrent()) {
        deleteInCurrentContext(kind, name);
        return;
    }
    std::lock_guard lock(mutex_);
    pending_.emplace_back(kind, name);
}

bool GLShareGroup::isCurrent() const
{
    GLContext* current = GLContext::current();
    return current && current->shareGroup() == this;
}

size_t GLShareGroup::pendingDeletions() const
{
    std::lock_guard lock(mutex_);
    return pending_.size();
}

void GLShareGroup::deletePending()
{
    std::vector<std::pair<Kind, unsigned>> names;
    {
        std::lock_guard lock(mutex_);
        names.swap(pending_);
    }
    for (auto [kind, name] : names)
        deleteInCurrentContext(kind, name);
}

void GLContext::joinShareGroup(GLShareGroup* group)
{
    shareGroup_ = group ? Ref<GLShareGroup>(group) : makeRef<GLShareGroup>();
}

void GLContext::becameCurrent()
{
    tCurrent = this;
    if (shareGroup_)
        shareGroup_->deletePending();
}

Ref<GLContext> GLContext::create(std::string* error)
{
    return EGLGLContext::create(nullptr, error);
}

Ref<GLContext> GLContext::createMultisampled(unsigned samples, unsigned depthBits, GLContext* shareWith,
                                             std::string* error)
{
    return EGLGLContext::createMultisampled(samples, depthBits, dynamic_cast<EGLGLContext*>(shareWith), error);
}

unsigned GLContext::maxSurfaceSamples()
{
    return EGLGLContext::maxSurfaceSamples();
}

unsigned EGLGLContext::maxSurfaceSamples()
{
    const DisplayState& state = displayState();
    EGLint most = 0;
    for (EGLConfig config : multisampleConfigs(state.display))
        most = std::max(most, configAttribute(state.display, config, EGL_SAMPLES));
    return static_cast<unsigned>(most);
}

Ref<GLContext> EGLGLContext::createMultisampled(unsigned samples, unsigned depthBits, EGLGLContext* shareWith,
                                                std::string* error)
{
    const DisplayState& state = displayState();
    if (state.display == EGL_NO_DISPLAY) {
        if (error)
            *error = "GL context: " + state.error;
        return nullptr;
    }
    // The fewest samples that are enough, then the smallest depth buffer.
    EGLConfig best = nullptr;
    EGLint bestSamples = 0, bestDepth = 0;
    for (EGLConfig config : multisampleConfigs(state.display)) {
        const EGLint n = configAttribute(state.display, config, EGL_SAMPLES);
        const EGLint depth = configAttribute(state.display, config, EGL_DEPTH_SIZE);
        if (n < static_cast<EGLint>(std::max(samples, 1u)) || depth < static_cast<EGLint>(depthBits))
            continue;
        if (!best || n < bestSamples || (n == bestSamples && depth < bestDepth)) {
            best = config;
            bestSamples = n;
            bestDepth = depth;
        }
    }
    if (!best) {
        if (error)
            *error = format("GL context: no EGL config offers %u samples with a %u-bit depth buffer", samples, depthBits);
        return nullptr;
    }
    Ref<GLContext> context = createOnConfig(best, shareWith, error);
    if (context)
        static_cast<EGLGLContext*>(context.get())->samples_ = static_cast<unsigned>(bestSamples);
    return context;
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
    return createOnConfig(displayState().config, shareWith, error);
}

Ref<GLContext> EGLGLContext::createOnConfig(EGLConfig config, EGLGLContext* shareWith, std::string* error)
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
    context->joinShareGroup(shareWith ? shareWith->shareGroup() : nullptr);
    context->display_ = state.display;
    context->config_ = config;
    // The API binding is per thread: loader threads need it too.
    eglBindAPI(EGL_OPENGL_ES_API);
    const EGLint contextAttributes[] = { EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE };
    context->context_ = eglCreateContext(state.display, config,
                                         shareWith ? shareWith->context_ : EGL_NO_CONTEXT, contextAttributes);
    if (context->context_ == EGL_NO_CONTEXT)
        return fail(eglErrorString("eglCreateContext(GL ES 1)"));
    const EGLint surfaceAttributes[] = { EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE };
    context->surface_ = eglCreatePbufferSurface(state.display, config, surfaceAttributes);
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

bool EGLGLContext::resizeSurface(unsigned width, unsigned height)
{
    const EGLint attributes[] = { EGL_WIDTH, static_cast<EGLint>(std::max(width, 1u)), EGL_HEIGHT,
                                  static_cast<EGLint>(std::max(height, 1u)), EGL_NONE };
    EGLSurface surface = eglCreatePbufferSurface(display_, config_, attributes);
    if (surface == EGL_NO_SURFACE)
        return false;
    eglBindAPI(EGL_OPENGL_ES_API);
    if (!eglMakeCurrent(display_, surface, surface, context_)) {
        eglDestroySurface(display_, surface);
        return false;
    }
    eglDestroySurface(display_, surface_);
    surface_ = surface;
    becameCurrent();
    return true;
}

bool EGLGLContext::makeCurrent()
{
    eglBindAPI(EGL_OPENGL_ES_API);
    if (!eglMakeCurrent(display_, surface_, surface_, context_))
        return false;
    becameCurrent();
    return true;
}

} // namespace platform
