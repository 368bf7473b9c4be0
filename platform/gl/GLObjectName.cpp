// Framebuffer and renderbuffer names that remember their share group and are
// deleted there (see GLObjectName.h).
#include "platform/gl/GLObjectName.h"

#include "platform/gl/GLExtensions.h"

#include <atomic>
#include <utility>

namespace platform {

namespace {

std::atomic<size_t> gLive[3];

std::atomic<size_t>& liveOf(GLShareGroup::Kind kind) { return gLive[static_cast<int>(kind)]; }

} // namespace

GLObjectName::GLObjectName(Kind kind, GLuint name) : kind_(kind), name_(name)
{
    if (!name_)
        return;
    liveOf(kind_).fetch_add(1);
    GLContext* context = GLContext::current();
    if (GLShareGroup* group = context ? context->shareGroup() : nullptr) {
        shareGroup_ = group;
        madeInShareGroup_ = true;
    }
}

GLObjectName GLObjectName::generate(Kind kind)
{
    const GLEntryPoints& gl = glEntryPoints();
    GLuint name = 0;
    switch (kind) {
    case Kind::Texture: glGenTextures(1, &name); break;
    case Kind::Framebuffer:
        if (gl.genFramebuffersOES)
            gl.genFramebuffersOES(1, &name);
        break;
    case Kind::Renderbuffer:
        if (gl.genRenderbuffersOES)
            gl.genRenderbuffersOES(1, &name);
        break;
    }
    return GLObjectName(kind, name);
}

GLObjectName::GLObjectName(GLObjectName&& other) noexcept
    : kind_(other.kind_), name_(std::exchange(other.name_, 0)),
      madeInShareGroup_(std::exchange(other.madeInShareGroup_, false)), shareGroup_(std::move(other.shareGroup_))
{
}

GLObjectName& GLObjectName::operator=(GLObjectName&& other) noexcept
{
    if (this != &other) {
        reset();
        kind_ = other.kind_;
        name_ = std::exchange(other.name_, 0);
        madeInShareGroup_ = std::exchange(other.madeInShareGroup_, false);
        shareGroup_ = std::move(other.shareGroup_);
    }
    return *this;
}

void GLObjectName::reset()
{
    if (!name_)
        return;
    const GLuint name = std::exchange(name_, 0);
    liveOf(kind_).fetch_sub(1);
    if (madeInShareGroup_) {
        if (Ref<GLShareGroup> group = shareGroup_.lock())
            group->deleteName(kind_, name);
        return;
    }
    // Made outside our contexts: whatever is current now is all there is.
    GLShareGroup::deleteInCurrentContext(kind_, name);
}

size_t GLObjectName::liveCount(Kind kind) { return liveOf(kind).load(); }

} // namespace platform
