// CGPointObject: the per-child record of the parallax node — the child's scroll
// ratio and offset, and the child itself (not retained; the parallax node
// clears it when the child goes).
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Object.h"

#include <mutex>

namespace kestrel {

class KSNode;

class CGPointObject : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<CGPointObject> pointWithCGPoint(platform::Point ratio, platform::Point offset);
    [[nodiscard]] bool initWithCGPoint(platform::Point ratio, platform::Point offset);

    platform::Point ratio() const;
    void setRatio(platform::Point ratio);
    platform::Point offset() const;
    void setOffset(platform::Point offset);
    KSNode* child() const { return child_; }
    void setChild(KSNode* child) { child_ = child; }

protected:
    CGPointObject() = default;

private:
    // ratio and offset are atomic struct copies.
    mutable std::mutex lock_;
    platform::Point ratio_;
    platform::Point offset_;
    KSNode* child_ { nullptr };
};

} // namespace kestrel
