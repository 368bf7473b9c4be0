// The configuration singleton: GL limits and extensions, and the system version.
// The system version is the device's ("4.2" -> 0x04020000).
#include "engine/KSConfiguration.h"

#include "platform/device/Device.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLExtensions.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>

namespace kestrel {

namespace {

KSConfiguration* gSharedConfiguration = nullptr;
std::mutex gSharedLock;
// A copy of the GL extension string for checkForGLExtension: GL's own pointer
// dies with the context that answered it.
std::string gGLExtensions;

constexpr GLenum kMaxSamplesApple = 0x8D57;

GLint readInteger(GLenum name)
{
    GLint value = 0;
    platform::drainGLErrors();
    glGetIntegerv(name, &value);
    // An unknown enum (a limit this implementation lacks) leaves 0, not a pending error.
    if (platform::takeGLError() != GL_NO_ERROR)
        return 0;
    return value;
}

} // namespace

KSConfiguration* KSConfiguration::sharedConfiguration()
{
    // The texture cache's loader thread may be the first to ask.
    std::lock_guard lock(gSharedLock);
    if (!gSharedConfiguration) {
        gSharedConfiguration = new KSConfiguration;
        gSharedConfiguration->init();
    } else if (!gSharedConfiguration->readFromGL_ && platform::GLContext::current()) {
        gSharedConfiguration->init();
    }
    return gSharedConfiguration;
}

void KSConfiguration::purgeSharedConfiguration()
{
    std::lock_guard lock(gSharedLock);
    if (gSharedConfiguration)
        gSharedConfiguration->release();
    gSharedConfiguration = nullptr;
    gGLExtensions.clear();
}

uint32_t KSConfiguration::versionFromString(const std::string& version)
{
    static const uint32_t weights[4] = { 1u << 24, 1u << 16, 1u << 8, 1u };
    uint32_t result = 0;
    size_t start = 0;
    for (int i = 0; i < 4 && start <= version.size(); ++i) {
        size_t dot = version.find('.', start);
        std::string part = version.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        result += static_cast<uint32_t>(std::atoi(part.c_str())) * weights[i];
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return result;
}

void KSConfiguration::init()
{
    OSVersion_ = versionFromString(platform::ui::Device::currentDevice().systemVersion());
    readFromGL_ = platform::GLContext::current() != nullptr;

    const GLubyte* extensions = glGetString(GL_EXTENSIONS);
    gGLExtensions = extensions ? reinterpret_cast<const char*>(extensions) : "";
    maxTextureSize_ = readInteger(GL_MAX_TEXTURE_SIZE);
    maxModelviewStackDepth_ = readInteger(GL_MAX_MODELVIEW_STACK_DEPTH);
    // A multisampled view takes its samples from a multisampled surface where GL
    // has no multisampled framebuffers: the most either way is what a game can have.
    maxSamplesAllowed_ = std::max(readInteger(kMaxSamplesApple),
                                  static_cast<GLint>(platform::GLContext::maxSurfaceSamples()));
    platform::drainGLErrors();

    supportsPVRTC_ = checkForGLExtension("GL_IMG_texture_compression_pvrtc");
    supportsNPOT_ = checkForGLExtension("GL_APPLE_texture_2D_limited_npot");
    supportsBGRA8888_ = checkForGLExtension("GL_IMG_texture_format_BGRA8888")
        || checkForGLExtension("GL_APPLE_texture_format_BGRA8888");
    supportsDiscardFramebuffer_ = checkForGLExtension("GL_EXT_discard_framebuffer");
}

bool KSConfiguration::checkForGLExtension(const std::string& name) const
{
    return platform::extensionListContains(gGLExtensions.c_str(), name);
}

} // namespace kestrel
