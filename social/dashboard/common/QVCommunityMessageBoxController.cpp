// The community message box: the typed text kept while it posts and given
// back when the post fails, and the box fading with its screen.
#include "social/dashboard/common/QVCommunityMessageBoxController.h"

namespace quorvel {

using namespace platform::ui;

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

} // namespace quorvel
