// GL ES 1.1 helpers: the extension entry points that the GL ES 1 library does
// not export (OES framebuffer objects, OES point-size arrays, EXT framebuffer
// discard), extension queries read from GL_EXTENSIONS, and error checking.
//
// The entry points are loaded once through eglGetProcAddress. Where an
// extension is missing, its pointers are null: callers check hasGLExtension()
// first. Caveat: hasGLExtension() needs a current context.
#pragma once

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <string>

namespace platform {

struct GLEntryPoints {
    PFNGLGENFRAMEBUFFERSOESPROC genFramebuffersOES { nullptr };
    PFNGLDELETEFRAMEBUFFERSOESPROC deleteFramebuffersOES { nullptr };
    PFNGLBINDFRAMEBUFFEROESPROC bindFramebufferOES { nullptr };
    PFNGLFRAMEBUFFERTEXTURE2DOESPROC framebufferTexture2DOES { nullptr };
    PFNGLFRAMEBUFFERRENDERBUFFEROESPROC framebufferRenderbufferOES { nullptr };
    PFNGLCHECKFRAMEBUFFERSTATUSOESPROC checkFramebufferStatusOES { nullptr };
    PFNGLGENRENDERBUFFERSOESPROC genRenderbuffersOES { nullptr };
    PFNGLDELETERENDERBUFFERSOESPROC deleteRenderbuffersOES { nullptr };
    PFNGLBINDRENDERBUFFEROESPROC bindRenderbufferOES { nullptr };
    PFNGLRENDERBUFFERSTORAGEOESPROC renderbufferStorageOES { nullptr };
    PFNGLGETRENDERBUFFERPARAMETERIVOESPROC getRenderbufferParameterivOES { nullptr };
    PFNGLISFRAMEBUFFEROESPROC isFramebufferOES { nullptr };
    PFNGLISRENDERBUFFEROESPROC isRenderbufferOES { nullptr };
    PFNGLGENERATEMIPMAPOESPROC generateMipmapOES { nullptr };
    void (GL_APIENTRYP pointSizePointerOES)(GLenum type, GLsizei stride, const void* pointer) { nullptr };
    PFNGLDISCARDFRAMEBUFFEREXTPROC discardFramebufferEXT { nullptr };
};

// The entry points, loaded on first use.
const GLEntryPoints& glEntryPoints();

// Whether `name` is one of the words of the current context's GL_EXTENSIONS
// (an exact word: a prefix of a name does not match).
bool hasGLExtension(const std::string& name);
// The same test against a given extension string.
bool extensionListContains(const char* extensions, const std::string& name);

// Clears every pending GL error, answering how many there were. Called before
// a call whose error is checked, so that an older error is not blamed on it.
int drainGLErrors();
// The first error raised since the last drain (GL_NO_ERROR for none); drains the
// rest so that nothing is left pending.
GLenum takeGLError();

} // namespace platform
