// The resume button view: an image placed under the top bar that calls back on touch.
#include "social/ui/QVResumeView.h"

#include "platform/ui/ImageView.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"

namespace quorvel {

using namespace platform::ui;
using platform::Point;
using platform::Rect;
using platform::Ref;

Ref<QVResumeView> QVResumeView::withActionAndTarget(Action action, platform::Object* target)
{
    auto view = platform::adoptRef(new QVResumeView);
    if (!view->initWithAction(action, target))
        return nullptr;
    return view;
}

bool QVResumeView::initWithAction(Action action, platform::Object* target)
{
    if (!initWithFrame({}))
        return false;
    mAction = action;
    mTarget = target;
    Ref<ImageAsset> image = QVLoadKitImage(kBackgroundImage);
    Ref<ImageView> background = image ? ImageView::imageViewWithImage(image.get()) : ImageView::imageViewWithFrame({});
    background->setAutoresizingMask(0);
    setFrame(background->frame());
    float bottom = QVDashboardRole::current().isInLandscapeMode() ? kLandscapeBottomEdge : kBottomEdge;
    Rect frame = background->frame();
    frame.origin.x += kImageOffsetX;
    frame.origin.y = bottom - frame.size.height;
    background->setFrame(frame);
    setAutoresizingMask(0);
    addSubview(background.get());
    mBackgroundView = background;
    return true;
}

void QVResumeView::touchesEnded(const Touch&)
{
    if (platform::Ref<platform::Object> target = mTarget.lock(); target && mAction)
        mAction.invoke(target.get());
}

} // namespace quorvel
