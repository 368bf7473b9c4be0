// Roles that engine classes adopt beside their class hierarchy.
//
// Actions and containers find them with dynamic_cast on the target node.
#pragma once

#include "engine/ksTypes.h"

namespace kestrel {

// Colour and opacity of a node (sprites, labels, layers, atlas nodes).
class KSRGBAProtocol {
public:
    virtual ~KSRGBAProtocol() = default;
    virtual void setColor(ksColor3B color) = 0;
    virtual ksColor3B color() const = 0;
    virtual GLubyte opacity() const = 0;
    virtual void setOpacity(GLubyte opacity) = 0;
    // Optional: whether the opacity is multiplied into the colour.
    virtual void setOpacityModifyRGB(bool) { }
    virtual bool doesOpacityModifyRGB() const { return false; }
};

// A node that can be mirrored on its axes (sprites).
class KSFlipProtocol {
public:
    virtual ~KSFlipProtocol() = default;
    virtual void setFlipX(bool flip) = 0;
    virtual bool flipX() const = 0;
    virtual void setFlipY(bool flip) = 0;
    virtual bool flipY() const = 0;
};

} // namespace kestrel
