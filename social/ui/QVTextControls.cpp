// The client's text field, text views and growing message box.
#include "social/ui/QVTextControls.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/Keyboard.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKeyboardSize.h"
#include "social/ui/QVKitImages.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVExpandableSinglelineTextField);

// --- QVDefaultTextFieldDelegate ---

Ref<QVDefaultTextFieldDelegate> QVDefaultTextFieldDelegate::delegateForOwner(QVDefaultTextField* owner)
{
    auto d = adoptRef(new QVDefaultTextFieldDelegate);
    d->owner_ = owner;
    auto& center = platform::NotificationCenter::defaultCenter();
    QVDefaultTextFieldDelegate* self = d.get();
    center.addObserver(self, kKeyboardDidShowNotification,
                       [self](const platform::Notification& n) { self->_KeyboardDidShow(n.userInfo); });
    center.addObserver(self, kKeyboardDidHideNotification,
                       [self](const platform::Notification&) { self->_KeyboardDidHide(); });
    return d;
}

QVDefaultTextFieldDelegate::~QVDefaultTextFieldDelegate()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

ScrollView* QVDefaultTextFieldDelegate::getScrollView() const
{
    View* parent = owner_ ? owner_->superview() : nullptr;
    if (auto* scroll = dynamic_cast<ScrollView*>(parent))
        return scroll;
    if (parent)
        return dynamic_cast<ScrollView*>(parent->superview());
    return nullptr;
}

void QVDefaultTextFieldDelegate::scrollOwnerIntoView(ScrollView* scroll)
{
    Rect f = owner_->frame();
    View* parent = owner_->superview();
    if (parent && parent != scroll) {
        f.origin.x += parent->frame().origin.x;
        f.origin.y += parent->frame().origin.y;
    }
    scroll->scrollRectToVisible(f, true);
}

void QVDefaultTextFieldDelegate::_KeyboardDidShow(const platform::Value& userInfo)
{
    if (mIsKeyboardShown)
        return;
    ScrollView* scroll = getScrollView();
    if (manageScrollViewOnFocus_ && scroll) {
        platform::Size keyboard = QVgetKeyboardSize(userInfo);
        mViewHeightWithoutKeyboard = scroll->frame().size.height;
        QVDashboardRole& host = QVDashboardRole::current();
        View* top = host.getTopLevelView();
        float y = scroll->convertPointTo(platform::Point(0, 0), top).y;
        Rect f = scroll->frame();
        f.size.height = host.getDashboardBounds().size.height - y - keyboard.height;
        View::beginAnimations("QVKeyboardResize");
        View::setAnimationDuration(kResizeDuration);
        scroll->setFrame(f);
        View::commitAnimations();
        scrollOwnerIntoView(scroll);
    }
    mIsKeyboardShown = true;
}

void QVDefaultTextFieldDelegate::_KeyboardDidHide()
{
    if (!mIsKeyboardShown)
        return;
    ScrollView* scroll = getScrollView();
    if (manageScrollViewOnFocus_ && scroll) {
        Rect f = scroll->frame();
        f.size.height = mViewHeightWithoutKeyboard;
        View::beginAnimations("QVKeyboardResize");
        View::setAnimationDuration(kResizeDuration);
        scroll->setFrame(f);
        View::commitAnimations();
    }
    mIsKeyboardShown = false;
}

bool QVDefaultTextFieldDelegate::textFieldShouldReturn(TextField* field)
{
    if (closeKeyboardOnReturn_ && field)
        field->resignFirstResponder();
    return true;
}

void QVDefaultTextFieldDelegate::textFieldDidBeginEditing(TextField*)
{
    ScrollView* scroll = getScrollView();
    if (manageScrollViewOnFocus_ && scroll)
        scrollOwnerIntoView(scroll);
}

// --- QVDefaultTextField ---

Ref<QVDefaultTextField> QVDefaultTextField::fieldWithFrame(const Rect& frame)
{
    auto field = adoptRef(new QVDefaultTextField);
    field->initWithFrame(frame);
    return field;
}

void QVDefaultTextField::createIntermediateDelegate()
{
    intermediateDelegate_ = QVDefaultTextFieldDelegate::delegateForOwner(this);
    setDelegate(intermediateDelegate_.get());
}

void QVDefaultTextField::setCloseKeyboardOnReturn(bool close)
{
    if (close && !intermediateDelegate_)
        createIntermediateDelegate();
    if (intermediateDelegate_)
        intermediateDelegate_->setCloseKeyboardOnReturn(close);
}

void QVDefaultTextField::setManageScrollViewOnFocus(bool manage)
{
    if (manage && !intermediateDelegate_)
        createIntermediateDelegate();
    if (intermediateDelegate_)
        intermediateDelegate_->setManageScrollViewOnFocus(manage);
}

// --- QVDefaultTextView ---

Ref<QVDefaultTextView> QVDefaultTextView::textViewWithFrame(const Rect& frame)
{
    auto view = adoptRef(new QVDefaultTextView);
    view->initWithFrame(frame);
    return view;
}

void QVDefaultTextView::didMoveToSuperview()
{
    TextView::didMoveToSuperview();
    View* parent = superview();
    if (!parent)
        return;
    if (!bgView_) {
        bgView_ = ImageView::imageViewWithFrame(frame());
        if (auto image = QVLoadKitImage("QVTextViewFrame.png"))
            bgView_->setImage(image->stretchableImage(7, 7));
    }
    bgView_->setFrame(frame());
    parent->insertSubviewBelow(bgView_, this);
}

void QVDefaultTextView::setFrame(const Rect& frame)
{
    TextView::setFrame(frame);
    if (bgView_)
        bgView_->setFrame(frame);
}

void QVDefaultTextView::removeFromSuperview()
{
    if (bgView_)
        bgView_->removeFromSuperview();
    TextView::removeFromSuperview();
}

// --- QVTextView ---

Ref<QVTextView> QVTextView::textViewWithFrame(const Rect& frame)
{
    auto view = adoptRef(new QVTextView);
    view->initWithFrame(frame);
    return view;
}

void QVTextView::setContentSize(platform::Size size)
{
    if (lineHeight_ > 0)
        size.height = lineHeight_ * std::floor(size.height / lineHeight_);
    TextView::setContentSize(size);
}

void QVTextView::setContentInset(EdgeInsets)
{
    if (QVDashboardRole::current().isLargeScreen())
        TextView::setContentInset(EdgeInsets { 0, 0, 3, 0 });
    else
        TextView::setContentInset(EdgeInsets { 3, 0, 3, 0 });
}

// --- QVMultilineTextField ---

Ref<QVMultilineTextField> QVMultilineTextField::fieldWithFrame(const Rect& frame)
{
    auto field = platform::adoptRef(new QVMultilineTextField);
    if (!field->initWithFrame(frame))
        return nullptr;
    field->awakeFromNib();
    return field;
}

void QVMultilineTextField::awakeFromNib()
{
    TextView::awakeFromNib();
    Rect b = bounds();
    backgroundTextField_ = TextField::textFieldWithFrame(Rect(0, 0, b.size.width, b.size.height));
    backgroundTextField_->setBorderStyle(TextField::BorderStyle::RoundedRect);
    backgroundTextField_->setUserInteractionEnabled(false);
    backgroundTextField_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    addSubview(backgroundTextField_);
    sendSubviewToBack(backgroundTextField_);
}

void QVMultilineTextField::setContentInset(EdgeInsets insets)
{
    insets.top = 4;
    TextView::setContentInset(insets);
}

void QVMultilineTextField::setContentOffset(platform::Point offset, bool animated)
{
    TextView::setContentOffset(offset, animated);
    if (backgroundTextField_) {
        Rect f = backgroundTextField_->frame();
        f.origin = platform::Point(std::floor(offset.x), std::floor(offset.y));
        backgroundTextField_->setFrame(f);
    }
}

// --- QVExpandableSinglelineTextField ---

void QVExpandableSinglelineTextField::awakeFromNib()
{
    View::awakeFromNib();
    float size = QVDashboardRole::current().isLargeScreen() ? 13 : 12;
    // Helvetica where it is installed; the system font of that size otherwise.
    font_ = platform::Font::fontWithName("Helvetica", size);
    if (!font_)
        font_ = platform::Font::systemFont(size);
    lineHeight_ = platform::measureText("ABCDEFGHIJKLMNOPQRSTUVWXYZ", *font_).height;
    minLines_ = std::max(1, minLines_);
    maxLines_ = std::max(1, maxLines_);
    shouldModifySize_ = true;
    setBackgroundColor(Color::clear());

    Rect box(0, 0, bounds().size.width, bounds().size.height);
    internalTextField_ = TextField::textFieldWithFrame(box);
    internalTextField_->setBorderStyle(TextField::BorderStyle::RoundedRect);
    internalTextField_->setUserInteractionEnabled(false);
    internalTextField_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);

    // A large screen's box is 15 points taller than its lines with no inset above them: the text
    // starts half of that down, so a line sits in the middle of the box, not against its top.
    if (QVDashboardRole::current().isLargeScreen()) {
        const float top = std::floor((kExtraHeightLarge - 3) / 2);
        box = Rect(0, top, box.size.width, std::max(0.0f, box.size.height - top));
    }
    internalTextView_ = QVTextView::textViewWithFrame(box);
    internalTextView_->setLineHeight(lineHeight_);
    internalTextView_->setDelegate(this);
    internalTextView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    internalTextView_->setBackgroundColor(Color::clear());
    internalTextView_->setFont(font_);
    internalTextView_->traits().autocorrectionType = AutocorrectionType::No;
    internalTextView_->traits().autocapitalizationType = AutocapitalizationType::None;

    addSubview(internalTextField_);
    addSubview(internalTextView_);
}

const std::string& QVExpandableSinglelineTextField::text() const
{
    static const std::string empty;
    return internalTextView_ ? internalTextView_->text() : empty;
}

void QVExpandableSinglelineTextField::setText(const std::string& text)
{
    if (!internalTextView_)
        return;
    internalTextView_->setText(text);
    textViewShouldChangeTextInRange(internalTextView_, TextRange { 0, 0 }, "");
}

void QVExpandableSinglelineTextField::resizeForProposedText(const std::string& proposed)
{
    if (!font_ || lineHeight_ <= 0)
        return;
    platform::TextLayoutOptions options;
    options.width = std::max(1.0f, internalTextView_->bounds().size.width - kTextInsetWidth);
    float height = platform::measureText(proposed, *font_, options).height;
    height = std::clamp(height, minLines_ * lineHeight_, std::max(minLines_, maxLines_) * lineHeight_);
    Rect f = frame();
    f.size.height = height + (QVDashboardRole::current().isLargeScreen() ? kExtraHeightLarge : kExtraHeightSmall);
    setFrame(f);
}

bool QVExpandableSinglelineTextField::textViewShouldChangeTextInRange(TextView* view, TextRange range,
                                                                      const std::string& text)
{
    std::string proposed = replaceTextRange(view ? view->text() : std::string(), range, text) + " ";
    if (shouldModifySize_)
        resizeForProposedText(proposed);
    // The delegate may let go of this field (a rebuilt box): it lives until the edit ends.
    platform::Ref<QVExpandableSinglelineTextField> keep(this);
    if (auto delegate = delegate_.lock())
        delegate->multilineTextFieldDidResize(this);
    return true;
}

bool QVExpandableSinglelineTextField::isFirstResponder() const
{
    return internalTextView_ && internalTextView_->isFirstResponder();
}

bool QVExpandableSinglelineTextField::becomeFirstResponder()
{
    return internalTextView_ && internalTextView_->becomeFirstResponder();
}

bool QVExpandableSinglelineTextField::canBecomeFirstResponder() const
{
    return internalTextView_ && internalTextView_->canBecomeFirstResponder();
}

bool QVExpandableSinglelineTextField::resignFirstResponder()
{
    return internalTextView_ && internalTextView_->resignFirstResponder();
}

bool QVExpandableSinglelineTextField::canResignFirstResponder() const
{
    return internalTextView_ && internalTextView_->canResignFirstResponder();
}

} // namespace quorvel
