// The frame image drawn around a framed stack's content.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/ui/QVClassRegistry.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// The frame image drawn around the content.
class QVContentFrameView : public platform::ui::ImageView {
    QV_DECLARE_CLASS(QVContentFrameView)
public:
    // Insets of content inside the frame: 8, 6, 8 (0 on a large screen), 6.
    static platform::ui::EdgeInsets getContentInsets();
    static platform::Ref<QVContentFrameView> withFrame(const platform::Rect& frame);
    bool initWithFrame(const platform::Rect& frame) override;
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;
    bool roundedCorners() const { return roundedCorners_; }
    void setRoundedCorners(bool rounded);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVContentFrameView() = default;

private:
    bool roundedCorners_ { false };
};

} // namespace quorvel
