// Texture atlas: quad storage, the 16-bit index buffer and the indexed draw.
#include "engine/KSTextureAtlas.h"

#include "engine/KSTextureCache.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"

#include "engine/Support/KSLargeBlock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kestrel {

using platform::Ref;

static_assert(sizeof(ksV3F_C4B_T2F) == 24, "vertex layout is what the GL array pointers read");
static_assert(sizeof(ksV3F_C4B_T2F_Quad) == 96, "quad layout is what the GL array pointers read");

namespace {

size_t quadBytes(uint32_t capacity) { return (capacity ? capacity : 1) * sizeof(ksV3F_C4B_T2F_Quad); }
size_t indexBytes(uint32_t capacity) { return (capacity ? capacity * 6 : 1) * sizeof(GLushort); }

} // namespace

Ref<KSTextureAtlas> KSTextureAtlas::textureAtlasWithFile(const std::string& file, uint32_t capacity)
{
    auto atlas = adoptRef(new KSTextureAtlas);
    return atlas->initWithFile(file, capacity) ? atlas : nullptr;
}

Ref<KSTextureAtlas> KSTextureAtlas::textureAtlasWithTexture(KSTexture2D* texture, uint32_t capacity)
{
    auto atlas = adoptRef(new KSTextureAtlas);
    return atlas->initWithTexture(texture, capacity) ? atlas : nullptr;
}

bool KSTextureAtlas::initWithFile(const std::string& file, uint32_t capacity)
{
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage(file);
    if (!texture)
        return false;
    return initWithTexture(texture.get(), capacity);
}

bool KSTextureAtlas::initWithTexture(KSTexture2D* texture, uint32_t capacity)
{
    // 4 vertices a quad: beyond this, indices would wrap around 65535.
    if (capacity > kKSTextureAtlasMaxCapacity)
        return false;
    capacity_ = capacity;
    totalQuads_ = 0;
    texture_ = texture;
    quads_ = static_cast<ksV3F_C4B_T2F_Quad*>(ksAllocateBlock(quadBytes(capacity)));
    indices_ = static_cast<GLushort*>(ksAllocateBlock(indexBytes(capacity)));
    if (!quads_ || !indices_) {
        ksFreeBlock(quads_, quadBytes(capacity));
        ksFreeBlock(indices_, indexBytes(capacity));
        quads_ = nullptr;
        indices_ = nullptr;
        return false;
    }
    initIndices();
    return true;
}

KSTextureAtlas::~KSTextureAtlas()
{
    freeQuads();
    ksFreeBlock(indices_, indexBytes(capacity_));
}

void KSTextureAtlas::freeQuads()
{
    if (quadsFromCaller_)
        std::free(quads_);
    else
        ksFreeBlock(quads_, quadBytes(capacity_));
    quads_ = nullptr;
    quadsFromCaller_ = false;
}

void KSTextureAtlas::initIndices()
{
    for (uint32_t i = 0; i < capacity_; ++i) {
        GLushort base = static_cast<GLushort>(i * 4);
        GLushort* p = indices_ + i * 6;
        p[0] = base;
        p[1] = static_cast<GLushort>(base + 1);
        p[2] = static_cast<GLushort>(base + 2);
        p[3] = static_cast<GLushort>(base + 3);
        p[4] = static_cast<GLushort>(base + 2);
        p[5] = static_cast<GLushort>(base + 1);
    }
}

void KSTextureAtlas::setQuads(ksV3F_C4B_T2F_Quad* quads)
{
    if (quads == quads_)
        return;
    freeQuads();
    quads_ = quads;
    quadsFromCaller_ = quads != nullptr;
}

void KSTextureAtlas::invalidUpdateIndex()
{
    platform::raiseAssertion("updateQuad", "engine/KSTextureAtlas", "updateQuadWithTexture: Invalid index");
}

void KSTextureAtlas::insertQuad(const ksV3F_C4B_T2F_Quad* quad, uint32_t index)
{
    BRISKO_ASSERT(index < capacity_, "insertQuadWithTexture: Invalid index");
    BRISKO_ASSERT(totalQuads_ + 1 <= capacity_, "invalid totalQuads");
    totalQuads_++;
    // Quads index .. total-2 move up one slot.
    uint32_t remaining = totalQuads_ - 1 - index;
    if (index < totalQuads_ - 1 && remaining > 0)
        std::memmove(&quads_[index + 1], &quads_[index], remaining * sizeof(ksV3F_C4B_T2F_Quad));
    quads_[index] = *quad;
}

void KSTextureAtlas::insertQuadFromIndex(uint32_t oldIndex, uint32_t newIndex)
{
    BRISKO_ASSERT(newIndex < totalQuads_, "insertQuadFromIndex:atIndex: Invalid index");
    BRISKO_ASSERT(oldIndex < totalQuads_, "insertQuadFromIndex:atIndex: Invalid index");
    if (oldIndex == newIndex)
        return;
    ksV3F_C4B_T2F_Quad saved = quads_[oldIndex];
    if (oldIndex > newIndex)
        std::memmove(&quads_[newIndex + 1], &quads_[newIndex], (oldIndex - newIndex) * sizeof(ksV3F_C4B_T2F_Quad));
    else
        std::memmove(&quads_[oldIndex], &quads_[oldIndex + 1], (newIndex - oldIndex) * sizeof(ksV3F_C4B_T2F_Quad));
    quads_[newIndex] = saved;
}

void KSTextureAtlas::removeQuadAtIndex(uint32_t index)
{
    BRISKO_ASSERT(index < totalQuads_, "removeQuadAtIndex: Invalid index");
    uint32_t remaining = totalQuads_ - 1 - index;
    if (remaining > 0)
        std::memmove(&quads_[index], &quads_[index + 1], remaining * sizeof(ksV3F_C4B_T2F_Quad));
    totalQuads_--;
}

void KSTextureAtlas::removeAllQuads()
{
    totalQuads_ = 0;
}

bool KSTextureAtlas::resizeCapacity(uint32_t newCapacity)
{
    if (newCapacity == capacity_)
        return true;
    if (newCapacity > kKSTextureAtlasMaxCapacity)
        return false;
    const uint32_t oldCapacity = capacity_;
    totalQuads_ = std::min(totalQuads_, newCapacity);
    void* quads = nullptr;
    if (quadsFromCaller_) {
        // A caller's block comes from malloc: it moves into one of the atlas's own.
        quads = ksAllocateBlock(quadBytes(newCapacity));
        if (quads) {
            std::memcpy(quads, quads_, std::min(quadBytes(oldCapacity), quadBytes(newCapacity)));
            std::free(quads_);
            quadsFromCaller_ = false;
        }
    } else {
        quads = ksResizeBlock(quads_, quadBytes(oldCapacity), quadBytes(newCapacity));
    }
    if (quads)
        quads_ = static_cast<ksV3F_C4B_T2F_Quad*>(quads);
    void* indices = ksResizeBlock(indices_, indexBytes(oldCapacity), indexBytes(newCapacity));
    if (indices)
        indices_ = static_cast<GLushort*>(indices);
    // Each block is as large as the capacity it last took.
    const uint32_t quadsCapacity = quads ? newCapacity : oldCapacity;
    const uint32_t indicesCapacity = indices ? newCapacity : oldCapacity;
    capacity_ = newCapacity;
    if (!quads || !indices) {
        if (quadsFromCaller_)
            std::free(quads_);
        else
            ksFreeBlock(quads_, quadBytes(quadsCapacity));
        ksFreeBlock(indices_, indexBytes(indicesCapacity));
        quads_ = nullptr;
        indices_ = nullptr;
        quadsFromCaller_ = false;
        capacity_ = totalQuads_ = 0;
        return false;
    }
    initIndices();
    return true;
}

void KSTextureAtlas::drawQuads()
{
    drawNumberOfQuads(totalQuads_);
}

void KSTextureAtlas::drawNumberOfQuads(uint32_t n)
{
    // The index buffer holds capacity quads: drawing more would read past it.
    n = std::min(n, capacity_);
    if (n == 0 || !quads_)
        return;
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
    auto* base = reinterpret_cast<const char*>(quads_);
    const GLsizei stride = sizeof(ksV3F_C4B_T2F);
    glVertexPointer(3, GL_FLOAT, stride, base + offsetof(ksV3F_C4B_T2F, vertices));
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, base + offsetof(ksV3F_C4B_T2F, colors));
    glTexCoordPointer(2, GL_FLOAT, stride, base + offsetof(ksV3F_C4B_T2F, texCoords));
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(n * 6), GL_UNSIGNED_SHORT, indices_);
}

std::string KSTextureAtlas::description() const
{
    return platform::format("<%s = %s | totalQuads =  %i>", className().c_str(), platform::addressString(this).c_str(),
                            static_cast<int>(totalQuads_));
}

} // namespace kestrel
