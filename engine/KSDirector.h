// The engine's central singleton, reduced for now to what nodes and actions ask
// of it: the window size in points and pixels, the content scale factor and the
// conversion between the view's (y down) and GL's (y up) coordinates.
//
// The scene stack, the main loop, the GL view and the orientation variants are
// added later; until then the window size is set by whoever owns the view
// (setWinSizeInPixels) and the conversions are those of portrait orientation.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"

namespace kestrel {

class KSDirector : public platform::Object {
public:
    static KSDirector* sharedDirector();
    static void purgeSharedDirector();

    // The view's size in points (pixels / content scale factor).
    virtual Size winSize() const { return winSizeInPoints_; }
    virtual Size winSizeInPixels() const { return winSizeInPixels_; }
    Size displaySizeInPixels() const { return winSizeInPixels_; }
    float contentScaleFactor() const { return ksContentScaleFactor(); }

    // Set by the owner of the GL view when its surface size is known.
    void setWinSizeInPixels(Size pixels);

    // View (UI, y down) <-> GL (y up) points, portrait orientation.
    virtual Point convertToGL(Point uiPoint) const;
    virtual Point convertToUI(Point glPoint) const;

protected:
    KSDirector() = default;
    ~KSDirector() override;

    Size winSizeInPoints_ {};
    Size winSizeInPixels_ {};
};

} // namespace kestrel
