// A headless GL context and a small framebuffer for fuzz targets that draw,
// made once per process with the engine's default client state.
#pragma once

#include "platform/gl/GLContext.h"
#include "platform/gl/GLFramebuffer.h"

#include <GLES/gl.h>
#include <cstdlib>

// True when drawing is possible; targets still parse when it is not.
inline bool ensureFuzzGL()
{
    static platform::Ref<platform::GLContext> context = [] {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        auto c = platform::GLContext::create();
        if (c)
            c->makeCurrent();
        return c;
    }();
    static platform::Ref<platform::GLFramebuffer> screen = [] {
        auto fb = context ? platform::GLFramebuffer::create(32, 32) : nullptr;
        if (fb) {
            fb->bind();
            glEnable(GL_TEXTURE_2D);
            glEnableClientState(GL_VERTEX_ARRAY);
            glEnableClientState(GL_COLOR_ARRAY);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        return fb;
    }();
    return context && screen;
}
