// LiveGLNames: how many texture, framebuffer and renderbuffer names are live
// in the current context's share group, read from the GL itself. The driver
// names objects in order, so a fresh name of each kind marks how far to look;
// a caller that counts again and again keeps `highest` so that names freed
// since are still looked past.
#pragma once

#include "platform/gl/GLExtensions.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cstddef>

namespace testing_support {

struct LiveGLNames {
    size_t textures { 0 }, framebuffers { 0 }, renderbuffers { 0 };
};

inline LiveGLNames countLiveGLNames(GLuint& highest)
{
    const platform::GLEntryPoints& gl = platform::glEntryPoints();
    GLuint probes[3] {};
    glGenTextures(1, &probes[0]);
    gl.genFramebuffersOES(1, &probes[1]);
    gl.genRenderbuffersOES(1, &probes[2]);
    glDeleteTextures(1, &probes[0]);
    gl.deleteFramebuffersOES(1, &probes[1]);
    gl.deleteRenderbuffersOES(1, &probes[2]);
    highest = std::max({ highest, probes[0], probes[1], probes[2] });
    LiveGLNames names;
    for (GLuint name = 1; name <= highest; ++name) {
        names.textures += glIsTexture(name) ? 1 : 0;
        names.framebuffers += gl.isFramebufferOES(name) ? 1 : 0;
        names.renderbuffers += gl.isRenderbufferOES(name) ? 1 : 0;
    }
    return names;
}

} // namespace testing_support
