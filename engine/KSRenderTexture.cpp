// KSRenderTexture: an OES framebuffer object with a texture as its colour
// attachment, the capture pair begin/end, read-back and saving. Transitions
// use it to photograph scenes; any scene may use it to draw off screen.
#include "engine/KSRenderTexture.h"

#include "engine/KSConfiguration.h"
#include "engine/KSDirector.h"
#include "engine/KSSprite.h"
#include "engine/Support/PointMath.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

using platform::Ref;

namespace kestrel {

namespace {

GLint currentFramebuffer()
{
    GLint fbo = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &fbo);
    return fbo;
}

void bindFramebuffer(GLint fbo)
{
    platform::glEntryPoints().bindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(fbo));
}

// Every capture begun and not yet ended, of any render texture, the first
// begun first (one entry per begin).
std::vector<KSRenderTexture*>& openCaptures()
{
    static std::vector<KSRenderTexture*> open;
    return open;
}

// Writes beside the target and renames over it, so that a reader never sees
// half a file and a failed write leaves the old one in place.
bool writeAtomically(const std::string& path, const platform::Bytes& data)
{
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const uint8_t* p = data.data();
    size_t left = data.size();
    bool ok = true;
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    ::fchmod(fd, 0644);
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace

Ref<KSRenderTexture> KSRenderTexture::renderTextureWithWidth(int w, int h)
{
    return renderTextureWithWidth(w, h, kKSTexture2DPixelFormat_RGBA8888);
}

Ref<KSRenderTexture> KSRenderTexture::renderTextureWithWidth(int w, int h, KSTexture2DPixelFormat format)
{
    auto r = platform::adoptRef(new KSRenderTexture);
    return r->initWithWidth(w, h, format) ? r : nullptr;
}

bool KSRenderTexture::initWithWidth(int w, int h)
{
    return initWithWidth(w, h, kKSTexture2DPixelFormat_RGBA8888);
}

bool KSRenderTexture::initWithWidth(int w, int h, KSTexture2DPixelFormat format)
{
    if (!KSNode::init())
        return false;
    BRISKO_ASSERT(format != kKSTexture2DPixelFormat_A8, "only RGB and RGBA formats are valid for a render texture");
    const auto& gl = platform::glEntryPoints();
    if (!gl.genFramebuffersOES || !gl.bindFramebufferOES || !gl.framebufferTexture2DOES
        || !gl.checkFramebufferStatusOES) {
        platform::logError("KSRenderTexture: framebuffer objects are not available");
        return false;
    }
    if (w <= 0 || h <= 0)
        return false;

    oldFBO_ = currentFramebuffer();
    const float s = ksContentScaleFactor();
    // The GL limit first: a texture above it could not be made, and its pixels
    // would be gigabytes to fill before finding out.
    const auto maxSize = static_cast<uint32_t>(KSConfiguration::sharedConfiguration()->maxTextureSize());
    const double wantedWidth = static_cast<double>(w) * s, wantedHeight = static_cast<double>(h) * s;
    if (!(wantedWidth <= maxSize && wantedHeight <= maxSize)) {
        platform::logError("KSRenderTexture: %d x %d points is larger than the %u pixels a texture may have", w, h,
                           maxSize);
        return false;
    }
    const auto wp = static_cast<uint32_t>(static_cast<float>(w) * s);
    const auto hp = static_cast<uint32_t>(static_cast<float>(h) * s);
    if (wp == 0 || hp == 0)
        return false;
    const uint32_t W = ksNextPowerOfTwo(wp);
    const uint32_t H = ksNextPowerOfTwo(hp);
    if (W > maxSize || H > maxSize) {
        platform::logError("KSRenderTexture: %d x %d points needs a texture of %u x %u pixels, larger than the %u a "
                           "texture may have",
                           w, h, W, H, maxSize);
        return false;
    }

    platform::Bytes zeros;
    try {
        zeros.assign(static_cast<size_t>(W) * H * 4, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    pixelFormat_ = format;
    auto texture = KSTexture2D::textureWithData(zeros.data(), format, W, H,
                                                { static_cast<float>(wp), static_cast<float>(hp) });
    zeros = {};
    if (!texture)
        return false;
    texture_ = texture;

    fbo_ = platform::GLObjectName::generate(platform::GLObjectName::Kind::Framebuffer);
    bindFramebuffer(static_cast<GLint>(fbo_.get()));
    gl.framebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, texture_->name(), 0);
    if (gl.checkFramebufferStatusOES(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
        // Leave the binding as it was: the caller's drawing goes on.
        bindFramebuffer(oldFBO_);
        throw platform::Exception("Render Texture", "Could not attach texture to framebuffer");
    }
    texture_->setAliasTexParameters();

    auto sprite = KSSprite::spriteWithTexture(texture_.get());
    if (!sprite) {
        bindFramebuffer(oldFBO_);
        return false;
    }
    sprite_ = sprite.get();
    sprite->setScaleY(-1);
    addChild(sprite.get());
    sprite->setBlendFunc({ GL_ONE, GL_ONE_MINUS_SRC_ALPHA });

    bindFramebuffer(oldFBO_);
    return true;
}

KSRenderTexture::~KSRenderTexture()
{
    if (saved_.empty())
        return;
    // Going with a capture open: the screen would stay off for good. The
    // captures begun inside this one's first end with it, the last first.
    platform::logError("KSRenderTexture: a render texture goes with %zu capture(s) begun and never ended: ended now",
                       saved_.size());
    auto& open = openCaptures();
    const auto first = std::find(open.begin(), open.end(), this);
    for (auto left = static_cast<size_t>(first - open.begin()); open.size() > left;) {
        KSRenderTexture* capture = open.back();
        open.pop_back();
        capture->endCapture();
    }
}

bool KSRenderTexture::endCapturesLeftOpen()
{
    auto& open = openCaptures();
    if (open.empty())
        return false;
    platform::logError("KSRenderTexture: %zu capture(s) begun and never ended: ended before the next frame",
                       open.size());
    while (!open.empty()) {
        Ref<KSRenderTexture> capture(open.back());
        open.pop_back();
        capture->endCapture();
    }
    return true;
}

size_t KSRenderTexture::capturesOpen() { return openCaptures().size(); }

void KSRenderTexture::setSprite(KSSprite* sprite)
{
    sprite_ = sprite;
}

void KSRenderTexture::saveGLstate()
{
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor_.data());
}

void KSRenderTexture::restoreGLstate()
{
    glClearColor(clearColor_[0], clearColor_[1], clearColor_[2], clearColor_[3]);
}

void KSRenderTexture::begin()
{
    // The state to restore is kept per begin, so that end() puts back exactly
    // what this begin() found, whatever was bound, however deep the nesting.
    SavedState state;
    glGetIntegerv(GL_VIEWPORT, state.viewport.data());
    glGetFloatv(GL_COLOR_CLEAR_VALUE, state.clearColor.data());
    saveGLstate();

    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);

    glPushMatrix();

    const Size t = texture_->contentSizeInPixels();
    const Size d = KSDirector::sharedDirector()->displaySizeInPixels();
    // Scale the window's projection so that one pixel of the texture is one
    // pixel of the window.
    const float rw = d.width / t.width;
    const float rh = d.height / t.height;
    glOrthof(-1.0f / rw, 1.0f / rw, -1.0f / rh, 1.0f / rh, -1, 1);
    glViewport(0, 0, static_cast<GLsizei>(t.width), static_cast<GLsizei>(t.height));

    oldFBO_ = currentFramebuffer();
    state.oldFBO = oldFBO_;
    saved_.push_back(state);
    openCaptures().push_back(this);
    bindFramebuffer(static_cast<GLint>(fbo_.get()));

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
}

void KSRenderTexture::beginWithClear(float r, float g, float b, float a)
{
    begin();
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void KSRenderTexture::end()
{
    // An end without its begin has nothing to restore (and no matrix to pop).
    if (saved_.empty())
        return;
    auto& open = openCaptures();
    if (auto last = std::find(open.rbegin(), open.rend(), this); last != open.rend())
        open.erase(std::next(last).base());
    endCapture();
}

void KSRenderTexture::endCapture()
{
    if (saved_.empty())
        return;
    SavedState state = saved_.back();
    saved_.pop_back();
    oldFBO_ = state.oldFBO;
    bindFramebuffer(oldFBO_);
    glPopMatrix();
    glViewport(state.viewport[0], state.viewport[1], state.viewport[2], state.viewport[3]);
    clearColor_ = state.clearColor;
    restoreGLstate();
}

void KSRenderTexture::clear(float r, float g, float b, float a)
{
    begin();
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    end();
}

bool KSRenderTexture::saveBuffer(const std::string& name)
{
    return saveBuffer(name, kKSImageFormatJPG);
}

bool KSRenderTexture::saveBuffer(const std::string& name, int format)
{
    // Only a plain file name: anything else could write outside Documents.
    if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos) {
        platform::logError("KSRenderTexture: refusing to save under the name \"%s\"", name.c_str());
        return false;
    }
    std::string dir = platform::Bundle::main().documentsDirectory();
    std::string path = platform::path::appendingComponent(dir, name);
    auto data = getUIImageAsDataFromBuffer(format);
    if (!data)
        return false;
    return writeAtomically(path, *data);
}

std::optional<platform::Bytes> KSRenderTexture::getUIImageAsDataFromBuffer(int format)
{
    BRISKO_ASSERT(pixelFormat_ == kKSTexture2DPixelFormat_RGBA8888, "only RGBA8888 can be saved as image");
    const Size size = texture_->contentSizeInPixels();
    const auto tx = static_cast<uint32_t>(size.width);
    const auto ty = static_cast<uint32_t>(size.height);
    const size_t row = static_cast<size_t>(tx) * 4;
    const size_t length = row * ty;

    platform::Bytes read, flipped;
    try {
        read.resize(length);
        flipped.resize(length);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }

    begin();
    glReadPixels(0, 0, static_cast<GLsizei>(tx), static_cast<GLsizei>(ty), GL_RGBA, GL_UNSIGNED_BYTE, read.data());
    end();

    // GL's rows run bottom up: the first row handed out is the top of the picture.
    for (uint32_t y = 0; y < ty; ++y)
        std::memcpy(flipped.data() + (ty - 1 - y) * row, read.data() + y * row, row);

    if (format == kKSImageFormatRawData)
        return flipped;

    if (format == kKSImageFormatPNG) {
        // The texture holds premultiplied colour; image files hold it straight.
        for (size_t i = 0; i < length; i += 4) {
            const uint8_t a = flipped[i + 3];
            if (a == 0 || a == 255)
                continue;
            for (int c = 0; c < 3; ++c)
                flipped[i + c] = static_cast<uint8_t>(std::min(255, (flipped[i + c] * 255 + a / 2) / a));
        }
    }
    auto image = platform::Image::imageWithRGBA(tx, ty, std::move(flipped));
    if (!image)
        return std::nullopt;
    return format == kKSImageFormatPNG ? image->pngData() : image->jpegData(1.0f);
}

} // namespace kestrel
