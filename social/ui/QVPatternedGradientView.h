// Backgrounds and panels of the client's screens: a grey linear gradient
// overlaid by a tiled pattern image (optionally inside the content frame,
// whose outer 8 points hide the gradient), the translucent rounded panel
// behind overlays, and a paging strip of page numbers.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "social/ui/QVClassRegistry.h"

#include <optional>

namespace quorvel {

// A two-stop opaque grey gradient (stops at 0 and 1).
struct QVGreyGradient {
    float startGrey { 0 };
    float endGrey { 0 };
    friend bool operator==(const QVGreyGradient& a, const QVGreyGradient& b)
    {
        return a.startGrey == b.startGrey && a.endGrey == b.endGrey;
    }
};

class QVPatternedGradientView : public platform::ui::View {
    QV_DECLARE_CLASS(QVPatternedGradientView)
public:
    static constexpr float kContentFrameInset = 8;
    static QVGreyGradient createLightGradient() { return { 230.0f / 255.0f, 155.0f / 255.0f }; }
    static QVGreyGradient createDefaultGradient() { return { 128.0f / 255.0f, 87.0f / 255.0f }; }

    // Default gradient, "QVIntroPattern.png", angle pi/2.
    static platform::Ref<QVPatternedGradientView> defaultView(const platform::Rect& frame);
    // Light gradient, "QVIntroPattern.png", the dashboard's bounds, angle 1.2740904.
    static platform::Ref<QVPatternedGradientView> introView();
    static platform::Ref<QVPatternedGradientView> viewWithFrame(const platform::Rect& frame,
                                                                std::optional<QVGreyGradient> gradient,
                                                                const std::string& patternImage);

    using platform::ui::View::initWithFrame;
    bool initWithFrame(const platform::Rect& frame, std::optional<QVGreyGradient> gradient,
                       const std::string& patternImage);
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

    void setGradientAngle(float radians);
    platform::Point direction() const { return mDirection; }
    const std::optional<QVGreyGradient>& gradient() const { return mGradient; }
    platform::ui::ImageAsset* patternImage() const { return mPattern.get(); }
    void setPatternImage(platform::ui::ImageAsset* image) { mPattern = image; setNeedsDisplay(); }
    // The content frame view drawn over the background (one of the subviews), or null.
    platform::ui::View* contentFrameView() const { return contentFrameView_.get(); }
    void setContentFrameView(platform::ui::View* view) { contentFrameView_ = view; }

    // The rectangle the background fills for a given one (inset inside a visible content frame).
    platform::Rect backgroundRect(const platform::Rect& rect) const;
    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVPatternedGradientView() = default;
    void setUpFromInterface(std::optional<QVGreyGradient> gradient, const std::string& pattern);

    std::optional<QVGreyGradient> mGradient;
    platform::Ref<platform::ui::ImageAsset> mPattern;
    platform::Point mDirection { 0, 1 };
    platform::WeakLink<platform::ui::View> contentFrameView_;
};

class QVButtonPanelPatternedGradientView : public QVPatternedGradientView {
    QV_DECLARE_CLASS(QVButtonPanelPatternedGradientView)
public:
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVButtonPanelPatternedGradientView() = default;
};

class QVProfilePatternedGradientView : public QVPatternedGradientView {
    QV_DECLARE_CLASS(QVProfilePatternedGradientView)
public:
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVProfilePatternedGradientView() = default;
};

class QVUnframedIntroPatternedGradientView : public QVPatternedGradientView {
    QV_DECLARE_CLASS(QVUnframedIntroPatternedGradientView)
public:
    static constexpr float kIntroAngle = 1.2740904f;
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVUnframedIntroPatternedGradientView() = default;
};

// The intro background with the content frame view (its frame art) filling it
// (tag 101).
class QVIntroPatternedGradientView : public QVUnframedIntroPatternedGradientView {
    QV_DECLARE_CLASS(QVIntroPatternedGradientView)
public:
    static constexpr int kContentFrameTag = 101;
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVIntroPatternedGradientView() = default;
};

// A translucent rounded panel (radius 10.5) with a stretched border image.
class QVRoundedRectView : public platform::ui::View {
    QV_DECLARE_CLASS(QVRoundedRectView)
public:
    static constexpr float kCornerRadius = 10.5f;
    static platform::Ref<QVRoundedRectView> viewWithFrame(const platform::Rect& frame);
    bool initWithFrame(const platform::Rect& frame) override;
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;

    // The panel's fill; the view's own background stays clear.
    void setBackgroundColor(std::optional<platform::ui::Color> color) override;
    const std::optional<platform::ui::Color>& panelColor() const { return mBackgroundColor; }
    platform::ui::ImageAsset* borderImage() const { return mRoundedRect.get(); }

    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVRoundedRectView() = default;

private:
    void setUp();
    platform::Ref<platform::ui::ImageAsset> mRoundedRect;
    std::optional<platform::ui::Color> mBackgroundColor;
};

// A horizontal strip of page numbers, 30 points per page, paging.
class QVPageSelectionView : public platform::ui::View, public platform::ui::ScrollViewDelegate {
    QV_DECLARE_CLASS(QVPageSelectionView)
public:
    static constexpr float kPageWidth = 30;
    static platform::Ref<QVPageSelectionView> viewWithFrame(const platform::Rect& frame, int maxPages);
    using platform::ui::View::initWithFrame;
    bool initWithFrame(const platform::Rect& frame, int maxPages);

    int currentPage() const { return currentPage_; }
    int maxPages() const { return maxPages_; }
    platform::ui::ScrollView* pageScroller() const { return pageScroller_.get(); }

    void scrollViewDidScroll(platform::ui::ScrollView* scrollView) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVPageSelectionView() = default;
    ~QVPageSelectionView() override;

private:
    platform::Ref<platform::ui::ScrollView> pageScroller_;
    int currentPage_ { 0 };
    int maxPages_ { 0 };
};

} // namespace quorvel
