// A GL ES 1.1 rendering context, made current on one thread at a time.
//
// Code above the platform never names an implementation: GLContext::create()
// answers the headless EGL one (Mesa's surfaceless platform, software
// rasterised, no display and no GPU needed). A context can make further
// contexts that share its textures, for loader threads.
//
// Multisampling: GL ES 1.1 here has no multisampled framebuffer objects, but
// the context's own surface (GL's framebuffer 0) can be multisampled. Such a
// context draws antialiased into framebuffer 0 once its surface has the size
// of the picture (resizeSurface); copying framebuffer 0 into a texture
// (glCopyTexSubImage2D) resolves the samples. Reading it with glReadPixels does
// not: the driver answers one sample per pixel. Mesa's llvmpipe (22.3) keeps
// about 1 MiB of a multisampled context with a depth buffer after the context
// is destroyed: a driver leak, once per such context.
//
// Caveat: a context is current on the thread that made it current; each
// thread needs its own (shared) context, and only one thread may use a context
// at a time.
#pragma once

#include "platform/foundation/Object.h"

#include <string>

namespace platform {

class GLContext : public Object {
public:
    // A new context with a small pbuffer surface, or empty with the reason in *error
    // (no EGL display, no GL ES 1 config, context creation refused).
    [[nodiscard]] static Ref<GLContext> create(std::string* error = nullptr);

    // A context whose surface has at least `samples` samples per pixel (the
    // fewest offered) and a depth buffer of at least `depthBits` bits, sharing
    // with `shareWith` when given; empty with the reason when none is offered.
    [[nodiscard]] static Ref<GLContext> createMultisampled(unsigned samples, unsigned depthBits, GLContext* shareWith,
                                                           std::string* error = nullptr);
    // The most samples a multisampled surface can have (0 when there is none).
    static unsigned maxSurfaceSamples();

    // A context in the same share group (textures, buffers, framebuffers are shared).
    virtual Ref<GLContext> createShared(std::string* error = nullptr) = 0;

    // Samples per pixel of the context's surface (0: single-sampled).
    virtual unsigned surfaceSamples() const { return 0; }
    // Gives the surface a new size in pixels (at least 1 x 1), dropping its
    // contents, and makes the context current; false when refused.
    virtual bool resizeSurface(unsigned width, unsigned height) = 0;

    // Makes this context current on the calling thread; false when EGL refuses.
    virtual bool makeCurrent() = 0;
    // Leaves the calling thread with no current context.
    static void clearCurrent();
    // The context current on the calling thread, if it is one of ours.
    static GLContext* current();

protected:
    GLContext() = default;
};

} // namespace platform
