// The banner area above the screens of a framed stack.
#pragma once

#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/View.h"
#include "social/ui/QVBannerCell.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVFramedContentWrapperView.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// The banner area above the screens.
class QVBannerFrame : public platform::ui::View {
    QV_DECLARE_CLASS(QVBannerFrame)
public:
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;
    bool initWithFrame(const platform::Rect& frame) override;
    QVFramedContentWrapperView* wrapperView() const { return wrapperView_.get(); }
    QVBannerCell* bannerSubview() const { return bannerSubview_.get(); }
    void setBannerSubview(QVBannerCell* cell);
    void setFrame(const platform::Rect& frame) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVBannerFrame() = default;

private:
    void addFrameImage();
    platform::Ref<QVFramedContentWrapperView> wrapperView_;
    platform::Ref<QVBannerCell> bannerSubview_;
};

} // namespace quorvel
