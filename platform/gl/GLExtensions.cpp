// Loading of the GL ES 1 extension entry points, extension queries and the
// error-draining helpers every checked GL call goes through.
#include "platform/gl/GLExtensions.h"

#include <EGL/egl.h>

#include <cstring>
#include <mutex>

namespace platform {

const GLEntryPoints& glEntryPoints()
{
    static GLEntryPoints entries;
    static std::once_flag once;
    std::call_once(once, [] {
        auto load = [](auto& slot, const char* name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(eglGetProcAddress(name));
        };
        load(entries.genFramebuffersOES, "glGenFramebuffersOES");
        load(entries.deleteFramebuffersOES, "glDeleteFramebuffersOES");
        load(entries.bindFramebufferOES, "glBindFramebufferOES");
        load(entries.framebufferTexture2DOES, "glFramebufferTexture2DOES");
        load(entries.framebufferRenderbufferOES, "glFramebufferRenderbufferOES");
        load(entries.checkFramebufferStatusOES, "glCheckFramebufferStatusOES");
        load(entries.genRenderbuffersOES, "glGenRenderbuffersOES");
        load(entries.deleteRenderbuffersOES, "glDeleteRenderbuffersOES");
        load(entries.bindRenderbufferOES, "glBindRenderbufferOES");
        load(entries.renderbufferStorageOES, "glRenderbufferStorageOES");
        load(entries.getRenderbufferParameterivOES, "glGetRenderbufferParameterivOES");
        load(entries.isFramebufferOES, "glIsFramebufferOES");
        load(entries.isRenderbufferOES, "glIsRenderbufferOES");
        load(entries.generateMipmapOES, "glGenerateMipmapOES");
        load(entries.pointSizePointerOES, "glPointSizePointerOES");
        load(entries.discardFramebufferEXT, "glDiscardFramebufferEXT");
    });
    return entries;
}

bool extensionListContains(const char* extensions, const std::string& name)
{
    if (!extensions || name.empty())
        return false;
    const char* p = extensions;
    while (*p) {
        const char* end = std::strchr(p, ' ');
        size_t length = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (length == name.size() && std::memcmp(p, name.data(), length) == 0)
            return true;
        if (!end)
            break;
        p = end + 1;
    }
    return false;
}

bool hasGLExtension(const std::string& name)
{
    return extensionListContains(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name);
}

int drainGLErrors()
{
    int count = 0;
    // Bounded: a lost context may answer an error forever.
    while (glGetError() != GL_NO_ERROR && count < 64)
        ++count;
    return count;
}

GLenum takeGLError()
{
    GLenum first = glGetError();
    if (first != GL_NO_ERROR)
        drainGLErrors();
    return first;
}

} // namespace platform
