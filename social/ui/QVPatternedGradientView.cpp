// Patterned gradient backgrounds, the rounded panel and the page selector.
#include "social/ui/QVPatternedGradientView.h"

#include "platform/graphics/GraphicsContext.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVKitDrawing.h"
#include "social/ui/QVKitImages.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::GraphicsContext;
using platform::Rect;
using platform::Ref;

Ref<QVPatternedGradientView> QVPatternedGradientView::viewWithFrame(const Rect& frame,
                                                                    std::optional<QVGreyGradient> gradient,
                                                                    const std::string& patternImage)
{
    auto view = adoptRef(new QVPatternedGradientView);
    view->initWithFrame(frame, gradient, patternImage);
    return view;
}

Ref<QVPatternedGradientView> QVPatternedGradientView::defaultView(const Rect& frame)
{
    auto view = viewWithFrame(frame, createDefaultGradient(), "QVIntroPattern.png");
    view->setGradientAngle(1.5707964f);
    return view;
}

Ref<QVPatternedGradientView> QVPatternedGradientView::introView()
{
    auto view = viewWithFrame(QVDashboardRole::current().getDashboardBounds(), createLightGradient(),
                              "QVIntroPattern.png");
    view->setGradientAngle(QVUnframedIntroPatternedGradientView::kIntroAngle);
    return view;
}

bool QVPatternedGradientView::initWithFrame(const Rect& frame, std::optional<QVGreyGradient> gradient,
                                            const std::string& patternImage)
{
    if (!View::initWithFrame(frame))
        return false;
    setOpaque(true);
    setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    mGradient = gradient;
    if (!patternImage.empty())
        mPattern = QVLoadKitImage(patternImage);
    return true;
}

bool QVPatternedGradientView::initWithCoder(const InterfaceCoder& coder)
{
    if (!View::initWithCoder(coder))
        return false;
    setOpaque(true);
    setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    return true;
}

void QVPatternedGradientView::setUpFromInterface(std::optional<QVGreyGradient> gradient, const std::string& pattern)
{
    mGradient = gradient;
    mPattern = QVLoadKitImage(pattern);
}

void QVPatternedGradientView::setGradientAngle(float radians)
{
    mDirection = platform::Point(std::cos(radians), std::sin(radians));
    setNeedsDisplay();
}

Rect QVPatternedGradientView::backgroundRect(const Rect& rect) const
{
    if (platform::ui::View* frame = contentFrameView_.get(); frame && !frame->isHidden()) {
        return Rect(rect.origin.x + kContentFrameInset, rect.origin.y + kContentFrameInset,
                    rect.size.width - 2 * kContentFrameInset, rect.size.height - 2 * kContentFrameInset);
    }
    return rect;
}

void QVPatternedGradientView::drawRect(GraphicsContext& context, const Rect& given)
{
    Rect rect = backgroundRect(given);
    context.save();
    context.beginPath();
    context.addRect(rect);
    context.clip();
    if (mGradient) {
        // Along the direction over the rectangle's extent in that direction.
        float length = mDirection.x * rect.size.width + mDirection.y * rect.size.height;
        platform::Point start = rect.origin;
        platform::Point end(start.x + mDirection.x * length, start.y + mDirection.y * length);
        QVKitDrawing::drawLinearGradient(context, rect, start, end, Color::white(mGradient->startGrey),
                                         Color::white(mGradient->endGrey));
    }
    if (mPattern && mPattern->image())
        QVKitDrawing::drawTiledImage(context, *mPattern->image(), rect);
    context.restore();
}

bool QVButtonPanelPatternedGradientView::initWithCoder(const InterfaceCoder& coder)
{
    if (!QVPatternedGradientView::initWithCoder(coder))
        return false;
    setUpFromInterface(std::nullopt, "QVButtonPanelBackgroundPattern.png");
    return true;
}

bool QVProfilePatternedGradientView::initWithCoder(const InterfaceCoder& coder)
{
    if (!QVPatternedGradientView::initWithCoder(coder))
        return false;
    setUpFromInterface(std::nullopt, "QVProfileBackgroundPattern.png");
    return true;
}

bool QVUnframedIntroPatternedGradientView::initWithCoder(const InterfaceCoder& coder)
{
    if (!QVPatternedGradientView::initWithCoder(coder))
        return false;
    setUpFromInterface(createLightGradient(), "QVIntroPattern.png");
    setGradientAngle(kIntroAngle);
    if (QVDashboardRole::current().isLargeScreen())
        View::setBackgroundColor(Color::clear());
    return true;
}

bool QVIntroPatternedGradientView::initWithCoder(const InterfaceCoder& coder)
{
    if (!QVUnframedIntroPatternedGradientView::initWithCoder(coder))
        return false;
    auto frameView = QVContentFrameView::withFrame(bounds());
    if (!frameView)
        return false;
    frameView->setTag(kContentFrameTag);
    frameView->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    frameView->setOpaque(false);
    frameView->setUserInteractionEnabled(false);
    addSubview(frameView.get());
    setContentFrameView(frameView.get());
    return true;
}

Ref<QVRoundedRectView> QVRoundedRectView::viewWithFrame(const Rect& frame)
{
    auto view = adoptRef(new QVRoundedRectView);
    view->initWithFrame(frame);
    return view;
}

void QVRoundedRectView::setUp()
{
    setOpaque(false);
    View::setBackgroundColor(Color::clear());
    if (auto border = QVLoadKitImage("QVRoundedRectBorder.png"))
        mRoundedRect = border->stretchableImage(10, 10);
}

bool QVRoundedRectView::initWithFrame(const Rect& frame)
{
    if (!View::initWithFrame(frame))
        return false;
    setUp();
    mBackgroundColor = Color::black().withAlpha(0.4f);
    return true;
}

bool QVRoundedRectView::initWithCoder(const InterfaceCoder& coder)
{
    if (!View::initWithCoder(coder))
        return false;
    // A file-built view's background is the file's colour: it becomes the panel's.
    mBackgroundColor = View::backgroundColor();
    setUp();
    return true;
}

void QVRoundedRectView::setBackgroundColor(std::optional<Color> color)
{
    mBackgroundColor = color;
    setNeedsDisplay();
}

void QVRoundedRectView::drawRect(GraphicsContext& context, const Rect& rect)
{
    context.save();
    QVKitDrawing::addRoundedRectPath(context, rect, kCornerRadius);
    context.clip();
    if (mBackgroundColor) {
        const Color& c = *mBackgroundColor;
        context.setFillColor(c.red, c.green, c.blue, c.alpha);
        context.fillRect(rect);
    }
    context.restore();
    QVKitDrawing::drawStretchedImage(context, mRoundedRect.get(), rect);
}

Ref<QVPageSelectionView> QVPageSelectionView::viewWithFrame(const Rect& frame, int maxPages)
{
    auto view = adoptRef(new QVPageSelectionView);
    view->initWithFrame(frame, maxPages);
    return view;
}

bool QVPageSelectionView::initWithFrame(const Rect& frame, int maxPages)
{
    if (!View::initWithFrame(frame))
        return false;
    maxPages_ = maxPages;
    pageScroller_ = ScrollView::scrollViewWithFrame(bounds());
    pageScroller_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    pageScroller_->setContentSize(platform::Size(maxPages * kPageWidth, frame.size.height));
    pageScroller_->setPagingEnabled(true);
    pageScroller_->setShowsHorizontalScrollIndicator(false);
    pageScroller_->setShowsVerticalScrollIndicator(false);
    pageScroller_->setScrollsToTop(false);
    pageScroller_->setScrollDelegate(this);
    for (int page = 1; page <= maxPages; ++page) {
        auto label = Label::labelWithFrame(Rect(kPageWidth * (page - 1), 0, kPageWidth, frame.size.height));
        label->setText(std::to_string(page));
        label->setTextAlignment(platform::TextAlignment::Center);
        label->setFont(platform::Font::boldSystemFont(10));
        label->setBackgroundColor(Color::clear());
        label->setOpaque(false);
        pageScroller_->addSubview(label);
    }
    addSubview(pageScroller_);
    return true;
}

QVPageSelectionView::~QVPageSelectionView()
{
    if (pageScroller_ && pageScroller_->scrollDelegate() == this)
        pageScroller_->setScrollDelegate(nullptr);
}

void QVPageSelectionView::scrollViewDidScroll(ScrollView* scrollView)
{
    float width = bounds().size.width;
    if (width <= 0)
        return;
    currentPage_ = static_cast<int>(std::floor((scrollView->contentOffset().x - width / 2) / width)) + 1;
}

} // namespace quorvel
