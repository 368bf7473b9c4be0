// A GL ES 1.1 rendering context, made current on one thread at a time.
//
// Code above the platform never names an implementation: GLContext::create()
// answers the headless EGL one (Mesa's surfaceless platform, software
// rasterised, no display and no GPU needed). A context can make further
// contexts that share its textures, for loader threads. Caveat: a context is
// current on the thread that made it current; each thread needs its own
// (shared) context, and only one thread may use a context at a time.
#pragma once

#include "platform/foundation/Object.h"

#include <string>

namespace platform {

class GLContext : public Object {
public:
    // A new context with a small pbuffer surface, or empty with the reason in *error
    // (no EGL display, no GL ES 1 config, context creation refused).
    [[nodiscard]] static Ref<GLContext> create(std::string* error = nullptr);

    // A context in the same share group (textures, buffers, framebuffers are shared).
    virtual Ref<GLContext> createShared(std::string* error = nullptr) = 0;

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
