// One framebuffer or renderbuffer name with the share group it was made in.
// Letting go of it deletes the name in that group, as textures are deleted:
// at once while a context of the group is current, else the next time one is
// made current; never in another group's context (where the same number is
// another object), and not at all once the group went with its last context.
// Made with no context of ours current, it is deleted in whatever context is
// current when it goes.
//
// Caveat: move-only; main thread or a thread with a context of the group.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/gl/GLContext.h"

#include <GLES/gl.h>

#include <cstddef>

namespace platform {

class GLObjectName {
public:
    using Kind = GLShareGroup::Kind;
    GLObjectName() = default;
    // A new name of the kind (0 when the entry point is missing), in the
    // group of the context current now.
    [[nodiscard]] static GLObjectName generate(Kind kind);
    ~GLObjectName() { reset(); }
    GLObjectName(GLObjectName&& other) noexcept;
    GLObjectName& operator=(GLObjectName&& other) noexcept;
    GLObjectName(const GLObjectName&) = delete;
    GLObjectName& operator=(const GLObjectName&) = delete;

    GLuint get() const { return name_; }
    explicit operator bool() const { return name_ != 0; }
    // Deletes the name (in its group) now, leaving 0.
    void reset();

    // Names of the kind made and not yet let go of, in the whole process.
    static size_t liveCount(Kind kind);

private:
    GLObjectName(Kind kind, GLuint name);
    Kind kind_ { Kind::Framebuffer };
    GLuint name_ { 0 };
    bool madeInShareGroup_ { false };
    Weak<GLShareGroup> shareGroup_;
};

} // namespace platform
