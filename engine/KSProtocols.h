// Roles that engine classes adopt beside their class hierarchy.
//
// Actions and containers find them on a target node with KSRoleOf
// (KSSprite.h): KSSprite plays the colour, texture, flip and frame roles
// through its own methods without adopting the interfaces.
#pragma once

#include "engine/ksTypes.h"

#include <string>

namespace kestrel {

class KSTexture2D;

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

// A node drawn with a blend function (atlas nodes, sprites, particles).
class KSBlendProtocol {
public:
    virtual ~KSBlendProtocol() = default;
    virtual void setBlendFunc(ksBlendFunc blendFunc) = 0;
    virtual ksBlendFunc blendFunc() const = 0;
};

// A node drawn from one texture.
class KSTextureProtocol : public KSBlendProtocol {
public:
    virtual KSTexture2D* texture() const = 0;
    virtual void setTexture(KSTexture2D* texture) = 0;
};

// A node that shows a string (labels).
class KSLabelProtocol {
public:
    virtual ~KSLabelProtocol() = default;
    virtual void setString(const std::string& string) = 0;
    virtual const std::string& string() const = 0;
    // Optional: the string from UTF-8 bytes; a null pointer sets the empty string.
    virtual void setCString(const char* string) { setString(string ? string : ""); }
};

} // namespace kestrel
