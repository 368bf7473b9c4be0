// A GL ES 1.1 rendering context, made current on one thread at a time.
//
// Code above the platform never names an implementation: GLContext::create()
// answers the headless EGL one (Mesa's surfaceless platform, software
// rasterised, no display and no GPU needed). A context can make further
// contexts that share its textures, for loader threads; they are one share
// group (GLShareGroup), whose texture names are deleted only with one of its
// own contexts current, never in another group's context.
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

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The objects a context shares with the contexts made from it (textures,
// buffers, framebuffers, renderbuffers), alive while any context of the group
// is. A name means something only in its own group: the same number in
// another group is another object.
class GLShareGroup : public Object {
public:
    enum class Kind { Texture, Framebuffer, Renderbuffer };
    // Deletes a name of this group: at once when a context of the group is
    // current on the calling thread, else the next time one is made current.
    // (A group that is gone took its names with its last context.)
    void deleteName(Kind kind, unsigned name);
    void deleteTexture(unsigned name) { deleteName(Kind::Texture, name); }
    // Deletes a name made outside our contexts in whatever context is current.
    static void deleteInCurrentContext(Kind kind, unsigned name);
    // Whether a context of this group is current on the calling thread.
    bool isCurrent() const;
    // Names waiting for a context of the group (for tests).
    size_t pendingDeletions() const;

private:
    friend class GLContext;
    // Deletes the names waiting, with a context of the group current.
    void deletePending();

    mutable std::mutex mutex_;
    std::vector<std::pair<Kind, unsigned>> pending_;
};

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

    // The group whose objects this context shares.
    GLShareGroup* shareGroup() const { return shareGroup_.get(); }

protected:
    GLContext() = default;
    // A context of `group`, or of a new group when none is given.
    void joinShareGroup(GLShareGroup* group);
    // Tells the group one of its contexts became current on this thread.
    void becameCurrent();

private:
    Ref<GLShareGroup> shareGroup_;
};

} // namespace platform
