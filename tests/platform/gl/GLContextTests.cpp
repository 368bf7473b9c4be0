// The headless GL ES 1.1 context: creation, sharing, extensions, read-back.
#include "platform/gl/GLContext.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLFramebuffer.h"
#include "platform/gl/GLObjectName.h"
#include "platform/graphics/Image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace platform;

namespace {

Ref<GLContext> currentContext()
{
    // Software rasterising even where a GPU is present: read-backs must be exact.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    std::string error;
    auto context = GLContext::create(&error);
    EXPECT_TRUE(context) << error;
    if (context) {
        EXPECT_TRUE(context->makeCurrent());
    }
    return context;
}

} // namespace

TEST(GLContext, IsAGLES11ContextWithoutADisplay)
{
    auto context = currentContext();
    ASSERT_TRUE(context);
    std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    EXPECT_NE(version.find("OpenGL ES-CM 1.1"), std::string::npos) << version;
    EXPECT_EQ(GLContext::current(), context.get());
    GLContext::clearCurrent();
    EXPECT_EQ(GLContext::current(), nullptr);
}

TEST(GLContextDeathTest, NoDriverIsAClearErrorNotACrash)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // No EGL vendor library: the display cannot be opened.
            setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/vendor.json", 1);
            std::string error;
            auto context = GLContext::create(&error);
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(context ? 1 : 0);
        },
        testing::ExitedWithCode(0), "GL context: ");
}

TEST(GLContext, ExtensionEntryPointsAreLoaded)
{
    auto context = currentContext();
    ASSERT_TRUE(context);
    const GLEntryPoints& gl = glEntryPoints();
    EXPECT_TRUE(hasGLExtension("GL_OES_framebuffer_object"));
    EXPECT_NE(gl.genFramebuffersOES, nullptr);
    EXPECT_NE(gl.generateMipmapOES, nullptr);
    EXPECT_NE(gl.discardFramebufferEXT, nullptr);
    EXPECT_FALSE(hasGLExtension("GL_OES_framebuffer"));
    EXPECT_FALSE(hasGLExtension("GL_IMG_texture_compression_pvrtc"));
}

TEST(GLContext, ExtensionListMatchesWholeWordsOnly)
{
    const char* list = "GL_OES_foo GL_EXT_discard_framebuffer";
    EXPECT_TRUE(extensionListContains(list, "GL_EXT_discard_framebuffer"));
    EXPECT_TRUE(extensionListContains(list, "GL_OES_foo"));
    EXPECT_FALSE(extensionListContains(list, "GL_EXT_discard_"));
    EXPECT_FALSE(extensionListContains(list, "GL_OES_fo"));
    EXPECT_FALSE(extensionListContains(nullptr, "GL_OES_foo"));
}

TEST(GLContext, ErrorsAreDrainedNotLeftPending)
{
    auto context = currentContext();
    ASSERT_TRUE(context);
    glEnable(0x1234); // invalid enum
    glEnable(0x1235);
    EXPECT_EQ(takeGLError(), static_cast<GLenum>(GL_INVALID_ENUM));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glEnable(0x1234);
    EXPECT_EQ(drainGLErrors(), 1);
    EXPECT_EQ(takeGLError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GLContext, SharedContextSeesTexturesFromAnotherThread)
{
    auto context = currentContext();
    ASSERT_TRUE(context);
    std::string error;
    auto shared = context->createShared(&error);
    ASSERT_TRUE(shared) << error;
    GLuint name = 0;
    std::thread loader([&] {
        ASSERT_TRUE(shared->makeCurrent());
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        uint8_t pixel[4] = { 1, 2, 3, 4 };
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        glFinish();
        GLContext::clearCurrent();
    });
    loader.join();
    ASSERT_TRUE(context->makeCurrent());
    EXPECT_TRUE(glIsTexture(name));
    glDeleteTextures(1, &name);
}

// A texture, framebuffer or renderbuffer name is its share group's: let go
// of with another group's context current (or none), it leaves that group's
// object of the same number alone, and goes when a context of its own group
// is next made current.
TEST(GLContext, NamesAreDeletedOnlyInTheirOwnShareGroup)
{
    using Kind = GLShareGroup::Kind;
    const GLEntryPoints& gl = glEntryPoints();
    for (Kind kind : { Kind::Texture, Kind::Framebuffer, Kind::Renderbuffer }) {
        SCOPED_TRACE(static_cast<int>(kind));
        auto first = currentContext();
        ASSERT_TRUE(first);
        auto shared = first->createShared();
        ASSERT_TRUE(shared);
        EXPECT_EQ(shared->shareGroup(), first->shareGroup());
        // Made and bound in the group current: a name GL knows.
        auto make = [&] {
            GLObjectName name = GLObjectName::generate(kind);
            if (kind == Kind::Texture)
                glBindTexture(GL_TEXTURE_2D, name.get());
            else if (kind == Kind::Framebuffer)
                gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, name.get());
            else
                gl.bindRenderbufferOES(GL_RENDERBUFFER_OES, name.get());
            // Left bound, a renderbuffer deleted from another context of its group is never freed
            // by the GL (the binding keeps it), which the leak checker would report.
            if (kind == Kind::Renderbuffer)
                gl.bindRenderbufferOES(GL_RENDERBUFFER_OES, 0);
            return name;
        };
        auto isLive = [&](GLuint name) {
            return kind == Kind::Texture       ? glIsTexture(name) == GL_TRUE
                   : kind == Kind::Framebuffer ? gl.isFramebufferOES(name) == GL_TRUE
                                               : gl.isRenderbufferOES(name) == GL_TRUE;
        };
        const size_t liveBefore = GLObjectName::liveCount(kind);
        GLObjectName ours = make();
        const GLuint oursName = ours.get();
        EXPECT_EQ(GLObjectName::liveCount(kind), liveBefore + 1);
        auto other = GLContext::create();
        ASSERT_TRUE(other && other->makeCurrent());
        EXPECT_NE(other->shareGroup(), first->shareGroup());
        GLObjectName theirs = make();

        ours.reset();
        EXPECT_EQ(GLObjectName::liveCount(kind), liveBefore + 1) << "theirs only";
        EXPECT_TRUE(isLive(theirs.get())) << "another group's object of the same number stays";
        EXPECT_EQ(first->shareGroup()->pendingDeletions(), 1u);
        ASSERT_TRUE(shared->makeCurrent());
        EXPECT_EQ(first->shareGroup()->pendingDeletions(), 0u);
        EXPECT_FALSE(isLive(oursName));

        // With a context of the group current, at once.
        GLObjectName another = make();
        const GLuint anotherName = another.get();
        another.reset();
        EXPECT_FALSE(isLive(anotherName));
        ASSERT_TRUE(other->makeCurrent());
        EXPECT_TRUE(isLive(theirs.get()));
    }
}

TEST(GLFramebuffer, ReadsBackTopRowFirst)
{
    auto context = currentContext();
    ASSERT_TRUE(context);
    std::string error;
    auto fb = GLFramebuffer::create(4, 2, &error);
    ASSERT_TRUE(fb) << error;
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // Paint GL's bottom row red: it is the last row of the read-back.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 4, 1);
    glClearColor(1, 0, 0, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    Bytes pixels = fb->readPixels();
    ASSERT_EQ(pixels.size(), 32u);
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[2], 255);
    EXPECT_EQ(pixels[16], 255);
    EXPECT_EQ(pixels[18], 0);
    auto image = fb->readImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->rgba()[19], 255) << "saved frames are opaque";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GLContext, MultisampledContextDrawsIntoASurfaceWithSamples)
{
    auto plain = currentContext();
    ASSERT_TRUE(plain);
    const unsigned most = GLContext::maxSurfaceSamples();
    std::string error;
    if (most == 0) {
        EXPECT_FALSE(GLContext::createMultisampled(1, 0, nullptr, &error));
        EXPECT_NE(error.find("GL context: "), std::string::npos);
        return;
    }
    EXPECT_FALSE(GLContext::createMultisampled(most + 1, 0, nullptr, &error));
    EXPECT_NE(error.find("no EGL config offers"), std::string::npos) << error;

    // Sharing textures with a single-sampled context.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const uint8_t red[4] = { 255, 0, 0, 255 };
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, red);
    auto context = GLContext::createMultisampled(1, 0, plain.get(), &error);
    ASSERT_TRUE(context) << error;
    EXPECT_GE(context->surfaceSamples(), 1u);
    ASSERT_TRUE(context->resizeSurface(20, 10));
    EXPECT_EQ(GLContext::current(), context.get());
    GLint sampleBuffers = 0, samples = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    glGetIntegerv(GL_SAMPLES, &samples);
    EXPECT_EQ(sampleBuffers, 1);
    EXPECT_EQ(static_cast<unsigned>(samples), context->surfaceSamples());
    EXPECT_TRUE(glIsTexture(texture));

    // The surface has the size asked for: its far corner reads back.
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    uint8_t pixel[4] = {};
    glReadPixels(19, 9, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[2], 255);
    GLContext::clearCurrent();
}
