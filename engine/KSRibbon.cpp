// Ribbons: points become pairs of edge vertices across the direction of travel;
// each segment draws its live points as one strip.
#include "engine/KSRibbon.h"

#include "engine/KSTextureCache.h"
#include "engine/Support/PointMath.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"

#include <algorithm>
#include <cmath>

namespace kestrel {

using platform::Ref;

// MARK: - Segment

Ref<KSRibbonSegment> KSRibbonSegment::segment()
{
    auto segment = adoptRef(new KSRibbonSegment);
    segment->reset();
    return segment;
}

void KSRibbonSegment::reset()
{
    end = 0;
    begin = 0;
    finished = false;
}

std::string KSRibbonSegment::description() const
{
    return platform::format("<%s = %s | end = %i, begin = %i>", className().c_str(),
                            platform::addressString(this).c_str(), static_cast<int>(end), static_cast<int>(begin));
}

void KSRibbonSegment::draw(float curTime, float fadeTime, ksColor4B color)
{
    if (begin >= kKSRibbonSegmentPoints) {
        finished = true;
        return;
    }
    if (fadeTime == 0) {
        glColor4ub(color.r, color.g, color.b, color.a);
    } else {
        glEnableClientState(GL_COLOR_ARRAY);
        for (unsigned i = begin; i < end; ++i) {
            GLubyte* c = &colors[i * 8];
            c[0] = c[4] = color.r;
            c[1] = c[5] = color.g;
            c[2] = c[6] = color.b;
            const float alive = (curTime - creationTime[i]) / fadeTime;
            if (alive > 1) {
                ++begin;
                c[3] = c[7] = 0;
            } else {
                // Truncated; a point from the future (alive < 0) shows fully.
                const float alpha = 255 - alive * 255;
                c[3] = c[7] = static_cast<GLubyte>(std::clamp(alpha, 0.0f, 255.0f));
            }
        }
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, &colors[begin * 8]);
    }
    glVertexPointer(3, GL_FLOAT, 0, &verts[begin * 6]);
    glTexCoordPointer(2, GL_FLOAT, 0, &coords[begin * 4]);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>((end - begin) * 2));
}

// MARK: - Ribbon

Ref<KSRibbon> KSRibbon::ribbonWithWidth(float width, const std::string& image, float length, ksColor4B color, float fade)
{
    auto ribbon = adoptRef(new KSRibbon);
    return ribbon->initWithWidth(width, image, length, color, fade) ? ribbon : nullptr;
}

bool KSRibbon::initWithWidth(float width, const std::string& image, float length, ksColor4B color, float fade)
{
    // v advances by distance / length: 0 would make every coordinate infinite or NaN.
    BRISKO_ASSERT(length != 0, "Ribbon texture length must be non 0");
    if (!KSNode::init())
        return false;
    segments_.clear();
    deletedSegments_.clear();
    segments_.push_back(KSRibbonSegment::segment());
    textureLength_ = length;
    color_ = color;
    fadeTime_ = fade;
    lastLocation_ = Point();
    lastWidth_ = width / 2;
    texVPos_ = 0;
    curTime_ = 0;
    pastFirstPoint_ = false;
    blendFunc_ = { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA };
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage(image);
    setTexture(texture.get());
    // A missing image leaves an untextured band.
    if (texture_) {
        ksTexParams params { GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT };
        texture_->setTexParameters(&params);
    }
    return true;
}

void KSRibbon::setTextureLength(float length)
{
    BRISKO_ASSERT(length != 0, "Ribbon texture length must be non 0");
    textureLength_ = length;
}

void KSRibbon::setTexture(KSTexture2D* texture)
{
    texture_ = texture;
    setContentSizeInPixels(texture_ ? texture_->contentSizeInPixels() : Size());
}

Point KSRibbon::rotatePoint(Point point, float rotation)
{
    const float c = cosf(rotation);
    const float s = sinf(rotation);
    return Point(point.x * c - point.y * s, point.x * s + point.y * c);
}

float KSRibbon::sideOfLine(Point p, Point l1, Point l2)
{
    return (p.x - l1.x) * (l2.y - l1.y) - (p.y - l1.y) * (l2.x - l1.x);
}

void KSRibbon::update(ksTime dt)
{
    curTime_ += dt;
    delta_ = dt;
}

void KSRibbon::addPointAt(Point location, float w)
{
    location = ksPointMult(location, ksContentScaleFactor());
    w = w * 0.5f;
    if (!pastFirstPoint_) {
        lastWidth_ = w;
        lastLocation_ = location;
        pastFirstPoint_ = true;
        return;
    }

    const Point sub = ksPointSub(lastLocation_, location);
    const float r = ksPointToAngle(sub) + 1.5707964f;
    const Point p1 = ksPointAdd(rotatePoint(Point(-w, 0), r), location);
    const Point p2 = ksPointAdd(rotatePoint(Point(w, 0), r), location);
    const float len = ksPointDistance(lastLocation_, location);
    const float tend = texVPos_ + len / textureLength_;

    // Collect every finished segment but the last, then drop them from the live list.
    for (size_t i = 0; i + 1 < segments_.size(); ++i) {
        if (segments_[i]->finished)
            deletedSegments_.push_back(segments_[i]);
    }
    std::erase_if(segments_, [this](const Ref<KSRibbonSegment>& s) {
        return std::find(deletedSegments_.begin(), deletedSegments_.end(), s) != deletedSegments_.end();
    });

    KSRibbonSegment* seg = segments_.back().get();
    if (seg->end >= kKSRibbonSegmentPoints) {
        Ref<KSRibbonSegment> next;
        if (!deletedSegments_.empty()) {
            next = deletedSegments_.front();
            deletedSegments_.erase(deletedSegments_.begin());
            next->reset();
        } else {
            next = KSRibbonSegment::segment();
        }
        // The new segment starts where the full one ends: the band has no gap.
        const unsigned last = seg->end - 1;
        next->creationTime[0] = seg->creationTime[last];
        std::copy_n(&seg->verts[last * 6], 6, &next->verts[0]);
        std::copy_n(&seg->coords[last * 4], 4, &next->coords[0]);
        next->end = 1;
        segments_.push_back(next);
        seg = next.get();
    }

    if (seg->end == 0) {
        // The very first point, laid across the direction of the second.
        const Point lp1 = ksPointAdd(rotatePoint(Point(-lastWidth_, 0), r), lastLocation_);
        const Point lp2 = ksPointAdd(rotatePoint(Point(lastWidth_, 0), r), lastLocation_);
        seg->creationTime[0] = curTime_ - delta_;
        GLfloat* v = seg->verts;
        v[0] = lp1.x; v[1] = lp1.y; v[2] = 0;
        v[3] = lp2.x; v[4] = lp2.y; v[5] = 0;
        GLfloat* t = seg->coords;
        t[0] = 0; t[1] = texVPos_;
        t[2] = 1; t[3] = texVPos_;
        seg->end = 1;
    }

    const unsigned i = seg->end;
    seg->creationTime[i] = curTime_;
    GLfloat* v = &seg->verts[i * 6];
    v[0] = p1.x; v[1] = p1.y; v[2] = 0;
    v[3] = p2.x; v[4] = p2.y; v[5] = 0;
    GLfloat* t = &seg->coords[i * 4];
    t[0] = 0; t[1] = tend;
    t[2] = 1; t[3] = tend;

    texVPos_ = tend;
    lastLocation_ = location;
    lastWidth_ = w;
    seg->end += 1;
}

void KSRibbon::draw()
{
    if (segments_.empty())
        return;
    glDisableClientState(GL_COLOR_ARRAY);
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
    const bool newBlend = blendFunc_.src != KS_BLEND_SRC || blendFunc_.dst != KS_BLEND_DST;
    if (newBlend)
        glBlendFunc(blendFunc_.src, blendFunc_.dst);
    for (const auto& segment : segments_)
        segment->draw(curTime_, fadeTime_, color_);
    if (newBlend)
        glBlendFunc(KS_BLEND_SRC, KS_BLEND_DST);
    glEnableClientState(GL_COLOR_ARRAY);
}

} // namespace kestrel
