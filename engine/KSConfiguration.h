// What the GL implementation and the system offer, read once: the largest
// texture, the model-view stack depth, the multisample limit, four extension
// flags and the system version packed one byte per component.
//
// Caveat: the first sharedConfiguration() must run with a GL context current,
// since it queries GL; without one every GL-derived value is 0 or false.
#pragma once

#include "platform/foundation/Object.h"

#include <GLES/gl.h>

#include <cstdint>
#include <string>

namespace kestrel {

class KSConfiguration : public platform::Object {
public:
    static KSConfiguration* sharedConfiguration();
    static void purgeSharedConfiguration();

    // "4.2.1" -> 0x04020100: the first four components, one byte each.
    static uint32_t versionFromString(const std::string& version);

    // Whether name is exactly one of the words of the GL extension string.
    bool checkForGLExtension(const std::string& name) const;

    GLint maxTextureSize() const { return maxTextureSize_; }
    // Samples a multisampled view may use: the most of the driver's multisampled
    // framebuffers and of the platform's multisampled surfaces (0: neither).
    GLint maxSamplesAllowed() const { return maxSamplesAllowed_; }
    GLint maxModelviewStackDepth() const { return maxModelviewStackDepth_; }
    bool supportsPVRTC() const { return supportsPVRTC_; }
    bool supportsNPOT() const { return supportsNPOT_; }
    bool supportsBGRA8888() const { return supportsBGRA8888_; }
    bool supportsDiscardFramebuffer() const { return supportsDiscardFramebuffer_; }
    uint32_t OSVersion() const { return OSVersion_; }

    std::string className() const override { return "KSConfiguration"; }

private:
    KSConfiguration() = default;
    void init();

    GLint maxTextureSize_ { 0 };
    GLint maxModelviewStackDepth_ { 0 };
    bool supportsPVRTC_ { false };
    bool supportsNPOT_ { false };
    bool supportsBGRA8888_ { false };
    bool supportsDiscardFramebuffer_ { false };
    uint32_t OSVersion_ { 0 };
    GLint maxSamplesAllowed_ { 0 };
    // Whether init() could ask GL: a configuration first asked for before there is a
    // context (a sprite made too early) reads GL again once there is one.
    bool readFromGL_ { false };
};

} // namespace kestrel
