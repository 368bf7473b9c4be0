// The challenge screen's header: the bubble and the start button.
#include "social/dashboard/challenges/QVChallengeDetailHeaderController.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/challenges/QVChallengeDetailController.h"
#include "social/dashboard/challenges/QVChallengeScreens.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVUser.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using layout::addSubviews;
using layout::makeLabel;
using layout::maxY;
using layout::rowWidth;
using layout::withTag;
using QVChallengeScreens::definitionOf;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVChallengeDetailHeaderController);

void QVChallengeDetailHeaderController::loadView()
{
    const float width = rowWidth();
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, 240));
    challengeDescriptionContainer_ = QVChallengeDetailFrame::frameWithWidth(width);
    root->addSubview(challengeDescriptionContainer_.get());
    // A phone on its side has a short list: the button stands beside the challenge's name, so the
    // header fits the list above the tab bar; otherwise it spans the list under the bubble.
    QVDashboardRole& role = QuorvelInternal::dashboardRole();
    const bool wide = !role.isLargeScreen() && role.isInLandscapeMode();
    Ref<QVDefaultButton> start = QVDefaultButton::greenButton(wide ? Rect(width - 10 - kBesideWidth, 14, kBesideWidth, 40)
                                                                   : Rect(10, 186, width - 20, 40));
    start->setAutoresizingMask(wide ? FlexibleLeftMargin : FlexibleWidth); // even margins at the list's width
    if (wide)
        for (platform::ui::Label* text : { challengeDescriptionContainer_->titleLabel(), challengeDescriptionContainer_->descriptionLabel() }) {
            Rect f = text->frame();
            f.size.width -= kBesideWidth + 10;
            text->setFrame(f);
        }
    start->setTitleForAllStates("Start Challenge");
    startChallengeButton_ = start;
    root->addSubview(start.get());
    setView(root.get());
}

void QVChallengeDetailHeaderController::viewDidLoad()
{
    ViewController::viewDidLoad();
    if (auto detail = challengeDetailController_.lock()) {
        startChallengeButton_->addTarget(detail.get(),
                                         Control::SenderAction(BRISKO_SELECTOR(QVChallengeDetailController, acceptChallenge)),
                                         TouchUpInside);
        setChallengeToUser(detail->userChallenge());
    }
}

bool QVChallengeDetailHeaderController::canReceiveCallbacksNow()
{
    QVChallengeDetailController* detail = challengeDetailController_.get();
    return detail ? QVHostTakesCallbacks(detail) : !challengeDetailController_.targetDestroyed();
}

void QVChallengeDetailHeaderController::setChallengeToUser(QVChallengeToUser* record)
{
    // Without a record there is nothing to show or start: the header folds away, so the
    // list's no-data message stands inside the screen.
    challengeDescriptionContainer_->setHidden(!record);
    challengeDescriptionContainer_->setChallengeToUser(record);
    // Only the recipient may start it, once, and only in its own game.
    QVChallengeDefinition* definition = definitionOf(record);
    const bool playable = record && record->recipient() && record->recipient()->isLocalUser() && !record->isCompleted()
        && definition && definition->clientApplicationId() == QuorvelInternal::sessionRole().clientApplicationId();
    startChallengeButton_->setHidden(!playable);
    Rect f = view()->frame();
    f.size.height = record ? contentBottom() + 20 : 0;
    view()->setFrame(f);
    view()->setNeedsLayout();
}

float QVChallengeDetailHeaderController::contentBottom()
{
    View* bubble = challengeDescriptionContainer_->speechBubble();
    const float bubbleBottom = bubble->convertPointTo(platform::Point(0, bubble->frame().size.height), view()).y;
    if (!startChallengeButton_->isHidden())
        return std::max(bubbleBottom, maxY(startChallengeButton_.get()));
    return bubbleBottom;
}

void QVChallengeDetailHeaderController::resizeView(View* tableView)
{
    (void)view(); // the outlets exist once the view is loaded
    const bool empty = challengeDescriptionContainer_->isHidden();
    view()->setFrame(Rect(0, 0, tableView ? tableView->frame().size.width : rowWidth(), empty ? 0 : contentBottom() + 20));
    view()->layoutSubviews();
}

} // namespace quorvel
