// Three small views placed from interface files: a two-image toggle switch,
// a transparent view that reports single taps, and the badge that shows
// whether the local player follows another.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/Control.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/ImageView.h"
#include "social/ui/QVClassRegistry.h"

namespace quorvel {

class QVToggleControl : public platform::ui::Control {
    QV_DECLARE_CLASS(QVToggleControl)
public:
    static platform::Ref<QVToggleControl> toggleWithFrame(const platform::Rect& frame);
    bool initWithFrame(const platform::Rect& frame) override;
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

    void setImageForLeftSelected(platform::ui::ImageAsset* image) { mImageLeftSelected = image; setNeedsDisplay(); }
    void setImageForRightSelected(platform::ui::ImageAsset* image) { mImageRightSelected = image; setNeedsDisplay(); }
    bool isLeftSelected() const { return mIsLeftSelected; }
    // Always sends value-changed, also when the side does not change.
    void setLeftSelected(bool left);
    // The image of the side shown now.
    platform::ui::ImageAsset* currentImage() const;

    void touchesEnded(const platform::ui::Touch& t) override;
    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;

protected:
    QVToggleControl() = default;

private:
    void setUp();
    platform::Ref<platform::ui::ImageAsset> mImageLeftSelected;
    platform::Ref<platform::ui::ImageAsset> mImageRightSelected;
    bool mIsLeftSelected { true };
};

class QVTouchReceiverView;

class QVTouchReceiverDelegate {
public:
    virtual ~QVTouchReceiverDelegate() = default;
    virtual void touchReceiverWasTapped(QVTouchReceiverView* /*view*/) { }
};

class QVTouchReceiverView : public platform::ui::View {
    QV_DECLARE_CLASS(QVTouchReceiverView)
public:
    QVTouchReceiverDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(QVTouchReceiverDelegate* d) { delegate_ = d; }
    void touchesEnded(const platform::ui::Touch& t) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTouchReceiverView() = default;

private:
    platform::WeakLink<QVTouchReceiverDelegate> delegate_;
};

class QVUserRelationshipIndicator : public platform::ui::ImageView {
    QV_DECLARE_CLASS(QVUserRelationshipIndicator)
public:
    // Any user type with followedByLocalUser().
    template <typename User>
    void setUser(const User* user)
    {
        showFollowedByLocalUser(user && user->followedByLocalUser());
    }
    // Shown with the follow image when followed, else hidden without an image.
    void showFollowedByLocalUser(bool followed);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVUserRelationshipIndicator() = default;
};

} // namespace quorvel
