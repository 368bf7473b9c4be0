// The threads of a forum topic.
#include "social/dashboard/forums/QVForumThreadListController.h"

#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "social/dashboard/forums/QVPostNewMessage.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using namespace layout;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVForumThreadListController);
QV_REGISTER_CLASS(QVForumThreadCell);

bool QVForumThreadListController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName != "setTopic")
        return QVTableSequenceControllerHelper::performSetter(setterName, value);
    setTopic(dynamic_cast<QVForumTopic*>(value));
    return true;
}

QVService* QVForumThreadListController::getService() { return QVForumService::sharedService(); }

void QVForumThreadListController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVForumThread>("ForumThread");
}

void QVForumThreadListController::viewWillAppear(bool animated)
{
    if (topic_)
        setTitle(topic_->title());
    navigationItem()->setRightBarButtonItem(
        BarButtonItem::withSystemItem(BarButtonItem::SystemItem::Compose, this,
                                      BarButtonItem::PlainAction(BRISKO_SELECTOR(QVForumThreadListController, _post))).get());
    QVTableSequenceControllerHelper::viewWillAppear(animated);
}

void QVForumThreadListController::viewDidAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidAppear(animated);
    justPostedNewThread_ = false;
}

void QVForumThreadListController::_post()
{
    justPostedNewThread_ = true;
    if (auto form = QVPostNewMessage::postNewMessageInTopic(topic_.get()); form && navigationController())
        navigationController()->pushViewController(form.get(), true);
}

void QVForumThreadListController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVForumThreadListController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                        const QVDelegate& onFailure)
{
    QVForumService::getThreadsForTopic(topic_ ? topic_->resourceId() : std::string(), static_cast<int>(page), onSuccess,
                                       onFailure);
}

void QVForumThreadListController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* thread = dynamic_cast<QVForumThread*>(resource);
    if (!thread || !navigationController())
        return;
    if (auto view = QVFeatureScreens::forumThread(thread, topic_.get()))
        navigationController()->pushViewController(view.get(), true);
}

bool QVForumThreadCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 50));
    stickyLabel_ = makeLabel(Rect(8, 6, 48, 20), 12, true);
    stickyLabel_->setText("Sticky:");
    stickyLabel_->setTextColor(Color::rgb(0.75f, 0.1f, 0.1f));
    titleLabel_ = makeLabel(Rect(56, 6, width - 96, 20), 15, true);
    lastPostByLabel_ = makeLabel(Rect(8, 28, width - 96, 16), 12, false);
    lastPostByLabel_->setTextColor(Color::rgb(0.33f, 0.33f, 0.33f)); // reads on the grey of an odd row
    postsCountLabel_ = makeLabel(Rect(width - 40, 15, 32, 20), 13, true);
    postsCountLabel_->setTextAlignment(platform::TextAlignment::Center);
    threadStatusIcon_ = ImageView::imageViewWithFrame(Rect(width - 34, 15, 20, 20));
    threadStatusIcon_->setImage(QVLoadKitImage("QVForumThreadLockedIcon.png").get());
    favoritedIcon_ = ImageView::imageViewWithFrame(Rect(width - 60, 15, 20, 20));
    favoritedIcon_->setImage(QVLoadKitImage("QVButtonStarFilledSmall.png").get());
    // The texts take the row's width, the count and icons keep to its right edge.
    for (View* v : { titleLabel_.get(), lastPostByLabel_.get() })
        v->setAutoresizingMask(FlexibleWidth);
    for (View* v : std::initializer_list<View*> { postsCountLabel_.get(), threadStatusIcon_.get(), favoritedIcon_.get() })
        v->setAutoresizingMask(FlexibleLeftMargin);
    addSubviews(contentView(), { stickyLabel_.get(), titleLabel_.get(), lastPostByLabel_.get(),
                                 postsCountLabel_.get(), threadStatusIcon_.get(), favoritedIcon_.get() });
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVForumThreadCell::showResource(QVForumThread* thread)
{
    Rect title = titleLabel_->frame();
    title.origin.x = thread->isSticky() ? maxX(stickyLabel_.get()) : stickyLabel_->frame().origin.x;
    title.size.width = std::max(frame().size.width - 40 - title.origin.x, 0.0f);
    titleLabel_->setFrame(title);
    titleLabel_->setText(thread->title());
    lastPostByLabel_->setText("Last post by " + (thread->lastPostAuthor() ? thread->lastPostAuthor()->name() : std::string()));
    postsCountLabel_->setText(std::to_string(thread->postCount()));
    postsCountLabel_->setHidden(thread->isLocked());
    threadStatusIcon_->setHidden(!postsCountLabel_->isHidden());
    favoritedIcon_->setHidden(!thread->isSubscribed());
    stickyLabel_->setHidden(!thread->isSticky());
}

} // namespace quorvel
