// Grids: the framebuffer grabber, the shared grid base (capture, projections,
// reuse), the continuous 3-D mesh and the tiled mesh.
#include "engine/KSGrid.h"

#include "engine/KSCamera.h"
#include "engine/KSDirector.h"
#include "engine/KSNode.h"
#include "engine/KSTexture2D.h"
#include "engine/Support/PointMath.h"
#include "engine/platform/EAGLView.h"
#include "engine/platform/KSDirectorIOS.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/gl/GLExtensions.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <algorithm>
#include <new>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {

[[noreturn]] void raiseGridAbstract()
{
    throw platform::Exception("GridBase", "Abstract class needs implementation");
}

} // namespace

// KSGrabber ---------------------------------------------------------------------------

Ref<KSGrabber> KSGrabber::grabber()
{
    auto g = adoptRef(new KSGrabber);
    return g->init() ? g : nullptr;
}

bool KSGrabber::init()
{
    fbo_ = platform::GLObjectName::generate(platform::GLObjectName::Kind::Framebuffer);
    return bool(fbo_);
}

KSGrabber::~KSGrabber() = default;

void KSGrabber::grab(KSTexture2D* texture)
{
    const auto& gl = platform::glEntryPoints();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFBO_);
    gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_.get());
    gl.framebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, texture->name(), 0);
    GLenum status = gl.checkFramebufferStatusOES(GL_FRAMEBUFFER_OES);
    // Back to the caller's framebuffer whatever the outcome.
    gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
    if (status != GL_FRAMEBUFFER_COMPLETE_OES)
        throw platform::Exception("Frame Grabber", "Could not attach texture to framebuffer");
}

void KSGrabber::beforeRender(KSTexture2D*)
{
    const auto& gl = platform::glEntryPoints();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFBO_);
    gl.bindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_.get());
    GLfloat clearColor[4] {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
}

void KSGrabber::afterRender(KSTexture2D*)
{
    platform::glEntryPoints().bindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
}

// KSGridBase ------------------------------------------------------------------------------

Ref<KSGridBase> KSGridBase::gridWithSize(ksGridSize gridSize, KSTexture2D* texture, bool flipped)
{
    auto g = adoptRef(new KSGridBase);
    return g->initWithSize(gridSize, texture, flipped) ? g : nullptr;
}

Ref<KSGridBase> KSGridBase::gridWithSize(ksGridSize gridSize)
{
    auto g = adoptRef(new KSGridBase);
    return g->initWithSize(gridSize) ? g : nullptr;
}

bool KSGridBase::initWithSize(ksGridSize gridSize, KSTexture2D* texture, bool flipped)
{
    BRISKO_ASSERT(gridSize.x > 0 && gridSize.y > 0, "Grid size must be positive");
    BRISKO_ASSERT(texture, "Argument texture must be non-nil");
    active_ = false;
    reuseGrid_ = 0;
    gridSize_ = gridSize;
    texture_ = texture;
    isTextureFlipped_ = flipped;
    Size content = texture->contentSizeInPixels();
    step_ = { content.width / static_cast<float>(gridSize.x), content.height / static_cast<float>(gridSize.y) };
    grabber_ = KSGrabber::grabber();
    if (!grabber_)
        return false;
    grabber_->grab(texture);
    calculateVertexPoints();
    return true;
}

bool KSGridBase::initWithSize(ksGridSize gridSize)
{
    KSDirector* director = KSDirector::sharedDirector();
    Size s = director->winSizeInPixels();
    uint32_t width = ksNextPowerOfTwo(static_cast<uint32_t>(std::max(s.width, 0.0f)));
    uint32_t height = ksNextPowerOfTwo(static_cast<uint32_t>(std::max(s.height, 0.0f)));
    KSTexture2DPixelFormat format = kKSTexture2DPixelFormat_RGBA8888;
    if (EAGLView* view = director->openGLView(); view && view->pixelFormat() == kEAGLColorFormatRGB565)
        format = kKSTexture2DPixelFormat_RGB565;

    Ref<KSTexture2D> texture;
    try {
        std::vector<uint8_t> data(static_cast<size_t>(width) * height * 4, 0);
        texture = KSTexture2D::textureWithData(data.data(), format, width, height, s);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!texture)
        return false;
    return initWithSize(gridSize, texture.get(), false);
}

KSGridBase::~KSGridBase()
{
    // Give the screen its own projection back if this grid was drawing (a
    // grid outliving the director has no projection to restore).
    if (active_ && KSDirector::hasSharedDirector())
        setActive(false);
}

void KSGridBase::checkGridSize(long long vertices) const
{
    BRISKO_ASSERT(gridSize_.x > 0 && gridSize_.y > 0 && vertices <= 65536,
                  "Grid size must be positive and fit 16-bit vertex indices");
}

std::string KSGridBase::description() const
{
    return platform::format("<%s = %s | Dimensions = %ix%i>", className().c_str(),
                            platform::addressString(this).c_str(), gridSize_.x, gridSize_.y);
}

void KSGridBase::setActive(bool active)
{
    active_ = active;
    if (!active) {
        KSDirector* director = KSDirector::sharedDirector();
        director->setProjection(director->projection());
    }
}

void KSGridBase::setTexture(KSTexture2D* texture) { texture_ = texture; }

void KSGridBase::setGrabber(KSGrabber* grabber) { grabber_ = grabber; }

void KSGridBase::setIsTextureFlipped(bool flipped)
{
    if (isTextureFlipped_ != flipped) {
        isTextureFlipped_ = flipped;
        calculateVertexPoints();
    }
}

void KSGridBase::blit() { raiseGridAbstract(); }
void KSGridBase::reuse() { raiseGridAbstract(); }
void KSGridBase::calculateVertexPoints() { raiseGridAbstract(); }

void KSGridBase::beforeDraw()
{
    set2DProjection();
    grabber_->beforeRender(texture_.get());
}

void KSGridBase::afterDraw(KSNode* target)
{
    grabber_->afterRender(texture_.get());
    set3DProjection();
    applyLandscape();
    if (target->camera()->dirty()) {
        Point offset = target->anchorPointInPixels();
        glTranslatef(offset.x, offset.y, 0);
        target->camera()->locate();
        glTranslatef(-offset.x, -offset.y, 0);
    }
    glBindTexture(GL_TEXTURE_2D, texture_->name());
    blit();
}

void KSGridBase::set2DProjection()
{
    Size s = KSDirector::sharedDirector()->winSizeInPixels();
    glLoadIdentity();
    glViewport(0, 0, static_cast<GLsizei>(s.width), static_cast<GLsizei>(s.height));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, s.width, 0, s.height, -1024, 1024);
    glMatrixMode(GL_MODELVIEW);
}

void KSGridBase::set3DProjection()
{
    KSDirector* director = KSDirector::sharedDirector();
    Size s = director->displaySizeInPixels();
    glViewport(0, 0, static_cast<GLsizei>(s.width), static_cast<GLsizei>(s.height));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    ksGLPerspective(60, s.height != 0 ? s.width / s.height : 1.0f, 0.5f, 1500.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ksGLLookAt(s.width / 2, s.height / 2, director->getZEye(), s.width / 2, s.height / 2, 0, 0, 1, 0);
}

void KSGridBase::applyLandscape()
{
    // The grid draws in window pixels, turned as the director turns the scene.
    if (auto* ios = dynamic_cast<KSDirectorIOS*>(KSDirector::sharedDirector()))
        ios->applyOrientation();
}

// KSGrid3D -------------------------------------------------------------------------------

Ref<KSGrid3D> KSGrid3D::gridWithSize(ksGridSize gridSize, KSTexture2D* texture, bool flipped)
{
    auto g = adoptRef(new KSGrid3D);
    return g->initWithSize(gridSize, texture, flipped) ? g : nullptr;
}

Ref<KSGrid3D> KSGrid3D::gridWithSize(ksGridSize gridSize)
{
    auto g = adoptRef(new KSGrid3D);
    return g->initWithSize(gridSize) ? g : nullptr;
}

void KSGrid3D::calculateVertexPoints()
{
    const int gx = gridSize_.x, gy = gridSize_.y;
    checkGridSize(static_cast<long long>(gx + 1LL) * (gy + 1LL));
    const float width = static_cast<float>(texture_->pixelsWide());
    const float height = static_cast<float>(texture_->pixelsHigh());
    const float imageH = texture_->contentSizeInPixels().height;

    const size_t count = static_cast<size_t>(gx + 1) * static_cast<size_t>(gy + 1);
    std::vector<ksVertex3F> vertices(count);
    std::vector<GLfloat> texCoordinates(count * 2);
    std::vector<GLushort> indices(static_cast<size_t>(gx) * static_cast<size_t>(gy) * 6);

    for (int x = 0; x < gx; ++x) {
        for (int y = 0; y < gy; ++y) {
            const float x1 = x * step_.x, x2 = x1 + step_.x;
            const float y1 = y * step_.y, y2 = y1 + step_.y;
            const GLushort a = static_cast<GLushort>(x * (gy + 1) + y);
            const GLushort b = static_cast<GLushort>((x + 1) * (gy + 1) + y);
            const GLushort c = static_cast<GLushort>((x + 1) * (gy + 1) + y + 1);
            const GLushort d = static_cast<GLushort>(x * (gy + 1) + y + 1);
            const GLushort cell[6] = { a, b, d, b, c, d };
            std::copy(cell, cell + 6, indices.begin() + 6 * (y * gx + x));

            const GLushort corner[4] = { a, b, c, d };
            const ksVertex3F at[4] = { { x1, y1, 0 }, { x2, y1, 0 }, { x2, y2, 0 }, { x1, y2, 0 } };
            for (int k = 0; k < 4; ++k) {
                vertices[corner[k]] = at[k];
                texCoordinates[corner[k] * 2] = at[k].x / width;
                texCoordinates[corner[k] * 2 + 1] = isTextureFlipped_ ? (imageH - at[k].y) / height : at[k].y / height;
            }
        }
    }
    vertices_ = vertices;
    originalVertices_ = std::move(vertices);
    texCoordinates_ = std::move(texCoordinates);
    indices_ = std::move(indices);
}

// KSTiledGrid3D --------------------------------------------------------------------------

Ref<KSTiledGrid3D> KSTiledGrid3D::gridWithSize(ksGridSize gridSize, KSTexture2D* texture, bool flipped)
{
    auto g = adoptRef(new KSTiledGrid3D);
    return g->initWithSize(gridSize, texture, flipped) ? g : nullptr;
}

Ref<KSTiledGrid3D> KSTiledGrid3D::gridWithSize(ksGridSize gridSize)
{
    auto g = adoptRef(new KSTiledGrid3D);
    return g->initWithSize(gridSize) ? g : nullptr;
}

void KSTiledGrid3D::calculateVertexPoints()
{
    const int gx = gridSize_.x, gy = gridSize_.y;
    checkGridSize(static_cast<long long>(gx) * gy * 4);
    const float width = static_cast<float>(texture_->pixelsWide());
    const float height = static_cast<float>(texture_->pixelsHigh());
    const float imageH = texture_->contentSizeInPixels().height;

    const size_t tiles = static_cast<size_t>(gx) * static_cast<size_t>(gy);
    std::vector<ksQuad3> vertices(tiles);
    std::vector<GLfloat> texCoordinates(tiles * 8);
    std::vector<GLushort> indices(tiles * 6);

    size_t t = 0;
    for (int x = 0; x < gx; ++x) {
        for (int y = 0; y < gy; ++y, ++t) {
            const float x1 = x * step_.x, x2 = x1 + step_.x;
            const float y1 = y * step_.y, y2 = y1 + step_.y;
            vertices[t] = { { x1, y1, 0 }, { x2, y1, 0 }, { x1, y2, 0 }, { x2, y2, 0 } };
            const float vb = isTextureFlipped_ ? (imageH - y1) / height : y1 / height;
            const float vt = isTextureFlipped_ ? (imageH - y2) / height : y2 / height;
            const GLfloat tex[8] = { x1 / width, vb, x2 / width, vb, x1 / width, vt, x2 / width, vt };
            std::copy(tex, tex + 8, texCoordinates.begin() + 8 * t);
            const auto base = static_cast<GLushort>(4 * t);
            const GLushort idx[6] = { base, static_cast<GLushort>(base + 1), static_cast<GLushort>(base + 2),
                                      static_cast<GLushort>(base + 1), static_cast<GLushort>(base + 2),
                                      static_cast<GLushort>(base + 3) };
            std::copy(idx, idx + 6, indices.begin() + 6 * t);
        }
    }
    vertices_ = vertices;
    originalVertices_ = std::move(vertices);
    texCoordinates_ = std::move(texCoordinates);
    indices_ = std::move(indices);
}

} // namespace kestrel
