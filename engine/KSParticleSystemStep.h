// The particle step shared by the systems: emission, the move of every live
// particle and its hand-over to the renderer hook. A template over the hook so
// that a renderer whose hook is final gets it inlined into the loop rather than
// called through the vtable once per particle. Included by the systems' sources
// only.
#pragma once

#include "engine/KSParticleSystem.h"
#include "engine/Support/PointMath.h"

#include <algorithm>
#include <cmath>

namespace kestrel {

template <class Hook>
void KSParticleSystem::stepParticles(ksTime dt, Hook&& hook)
{
    // Removing itself from its parent may drop the last other reference.
    platform::Ref<KSParticleSystem> keepAlive(this);

    if (active_ && emissionRate_ != 0) {
        const float rate = 1.0f / emissionRate_;
        emitCounter_ += dt;
        while (particleCount_ < totalParticles_ && emitCounter_ > rate) {
            if (!addParticle())
                break;
            emitCounter_ -= rate;
        }
        elapsed_ += dt;
        if (duration_ != kKSParticleDurationInfinity && duration_ < elapsed_)
            stopSystem();
    }

    particleIdx_ = 0;
    const float s = ksContentScaleFactor();
    Point currentPosition;
    if (positionType_ == kKSPositionTypeFree)
        currentPosition = ksPointMult(convertToWorldSpace(Point()), s);
    else if (positionType_ == kKSPositionTypeRelative)
        currentPosition = ksPointMult(position_, s);

    const bool gravityMode = emitterMode_ == kKSParticleModeGravity;
    const Point gravity = gravityMode ? mode_.A.gravity : Point();
    const bool grouped = positionType_ == kKSPositionTypeGrouped;

    // The hot loop works on locals and keeps particleCount_ current for the
    // hook; the hook gets the particle's index (the virtual one sets
    // particleIdx_ from it, so overrides see it exactly as documented).
    sKSParticle* const particles = particles_;
    unsigned count = particleCount_;
    unsigned idx = 0;
    while (idx < count) {
        sKSParticle* p = &particles[idx];
        p->timeToLive -= dt;

        if (p->timeToLive > 0) {
            if (gravityMode) {
                Point radial;
                if (p->pos.x != 0 || p->pos.y != 0)
                    radial = ksPointNormalize(p->pos);
                const Point tangential = ksPointMult(Point(-radial.y, radial.x), p->mode.A.tangentialAccel);
                radial = ksPointMult(radial, p->mode.A.radialAccel);
                const Point accel = ksPointAdd(ksPointAdd(radial, tangential), gravity);
                p->mode.A.dir = ksPointAdd(p->mode.A.dir, ksPointMult(accel, dt));
                p->pos = ksPointAdd(p->pos, ksPointMult(p->mode.A.dir, dt));
            } else {
                p->mode.B.angle += p->mode.B.degreesPerSecond * dt;
                p->mode.B.radius += p->mode.B.deltaRadius * dt;
                p->pos.x = -cosf(p->mode.B.angle) * p->mode.B.radius;
                p->pos.y = -sinf(p->mode.B.angle) * p->mode.B.radius;
            }

            p->color.r += p->deltaColor.r * dt;
            p->color.g += p->deltaColor.g * dt;
            p->color.b += p->deltaColor.b * dt;
            p->color.a += p->deltaColor.a * dt;
            p->size = std::max(0.0f, p->size + p->deltaSize * dt);
            p->rotation += p->deltaRotation * dt;

            const Point newPosition = grouped ? p->pos : ksPointSub(p->pos, ksPointSub(currentPosition, p->startPos));
            hook(p, newPosition, idx);
            ++idx;
        } else {
            // The last live particle takes the dead one's place and is updated next.
            --count;
            if (idx != count)
                particles[idx] = particles[count];
            particleCount_ = count;
            if (count == 0 && autoRemoveOnFinish_) {
                particleIdx_ = 0;
                unscheduleUpdate();
                if (parent_)
                    parent_->removeChild(this, true);
                return;
            }
        }
    }
    particleIdx_ = idx;
    postStep();
}

} // namespace kestrel
