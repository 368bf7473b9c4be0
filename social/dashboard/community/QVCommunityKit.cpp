// The community screens' shared pieces.
#include "social/dashboard/community/QVCommunityKit.h"

#include "platform/graphics/TextEngine.h"
#include "platform/ui/AlertView.h"
#include "social/core/QuorvelInternal.h"
#include "social/ui/QVDeadEndErrorController.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace community {

platform::Size textSize(const Label* label, const std::string& text, float width)
{
    if (!label || !label->font() || text.empty())
        return {};
    platform::TextLayoutOptions options;
    options.width = width;
    return platform::measureText(text, *label->font(), options);
}

float fitLabelHeight(Label* label, float minHeight, float maxHeight)
{
    Rect f = label->frame();
    float height = textSize(label, label->text(), f.size.width).height;
    if (maxHeight > 0 && height > maxHeight)
        height = maxHeight;
    if (height < minHeight)
        height = minHeight;
    f.size.height = height;
    label->setFrame(f);
    return height;
}



void pushDeadEnd(NavigationController* nav, const std::string& message)
{
    if (!nav)
        return;
    if (auto screen = QVDeadEndErrorController::deadEndErrorWithMessage(message))
        nav->pushViewController(screen.get(), true);
}

void showAlert(const std::string& title, const std::string& message, const std::string& button)
{
    AlertView::alert(title, message, nullptr, button)->show();
}

bool isShowingErrorScreen(NavigationController* nav)
{
    if (!nav)
        return false;
    if (dynamic_cast<QVDeadEndErrorController*>(nav->topViewController())
        || dynamic_cast<QVDeadEndErrorController*>(nav->visibleViewController()))
        return true;
    return QuorvelInternal::presenter().isShowingErrorScreenInNavController(nav);
}

} // namespace community

void QVCommunityMessageBoxController::onBeforeFormSubmitted()
{
    pendingText_ = enteredText();
    setEnteredText("");
}

void QVCommunityMessageBoxController::onPresentingErrorDialog()
{
    if (!pendingText_.empty() && enteredText().empty())
        setEnteredText(pendingText_);
    pendingText_.clear();
}

void QVCommunityMessageBoxController::viewWillAppear(bool animated)
{
    QVFormControllerHelper::viewWillAppear(animated);
    fade(1, animated);
}

void QVCommunityMessageBoxController::viewWillDisappear(bool animated)
{
    QVFormControllerHelper::viewWillDisappear(animated);
    fade(0, animated);
}

void QVCommunityMessageBoxController::fade(float alpha, bool animated)
{
    if (animated) {
        View::beginAnimations("fade");
        View::setAnimationDuration(0.25);
    }
    for (View* v : fadingViews())
        if (v)
            v->setAlpha(alpha);
    if (animated)
        View::commitAnimations();
}

namespace {
QVCommunityPolling defaultPolling()
{
    QVCommunityPolling p;
    p.setChatFrequency = [] { QuorvelInternal::session().setPollingFrequency(QuorvelInternal::options().getPollingFrequencyInChat()); };
    p.restoreDefaultFrequency = [] { QuorvelInternal::session().setPollingToDefaultFrequency(); };
    p.chatFrequency = [] { return static_cast<double>(QuorvelInternal::options().getPollingFrequencyInChat()); };
    return p;
}
} // namespace

QVCommunityPolling& QVCommunityPolling::shared()
{
    static QVCommunityPolling polling = defaultPolling();
    return polling;
}

void QVCommunityPolling::resetToDefault() { shared() = defaultPolling(); }

} // namespace quorvel
