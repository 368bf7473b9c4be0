// The posts of a forum thread, led by the star that adds the thread to or
// removes it from the player's conversations.
#include "social/dashboard/forums/QVForumThreadViewController.h"

#include "platform/ui/Button.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/forums/QVPostNewMessage.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using namespace common;
using namespace layout;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVForumThreadViewController);
QV_REGISTER_CLASS(QVForumPostCell);
QV_REGISTER_CLASS(QVForumSubscribeButtonCell);

bool QVForumThreadViewController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setThread") {
        auto* thread = dynamic_cast<QVForumThread*>(value);
        if (value && !thread)
            return false;
        setThread(thread);
    } else if (setterName == "setTopic") {
        auto* topic = dynamic_cast<QVForumTopic*>(value);
        if (value && !topic)
            return false;
        setTopic(topic);
    } else {
        return QVTableSequenceControllerHelper::performSetter(setterName, value);
    }
    return true;
}

void QVForumThreadViewController::setThread(QVForumThread* thread)
{
    thread_ = thread;
    if (thread_) {
        setTitle(thread_->title());
        setSubscribeButtonForSubscriptionStatus(thread_->isSubscribed());
    }
}

void QVForumThreadViewController::setSubscribeButton(Button* button)
{
    subscribeButton_ = button;
    if (thread_)
        setSubscribeButtonForSubscriptionStatus(thread_->isSubscribed());
}

QVService* QVForumThreadViewController::getService() { return QVForumService::sharedService(); }

void QVForumThreadViewController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVForumPost>("ForumPost");
}

// The star leads every thread, also one whose screen shows no reply button.
std::optional<std::string> QVForumThreadViewController::getLeadingCellControllerNameForSection(int)
{
    return std::string("ForumSubscribeButton");
}

void QVForumThreadViewController::viewWillAppear(bool animated)
{
    if (thread_)
        setTitle(thread_->title());
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    if (!hideSubscribeAndReplyButtons_ && thread_ && !thread_->isLocked()) {
        navigationItem()->setRightBarButtonItem(
            BarButtonItem::withImage(QVLoadKitImage("QVButtonReplyToThread.png").get(), BarButtonItem::Style::Plain, this,
                                     BarButtonItem::SenderAction(BRISKO_SELECTOR(QVForumThreadViewController, _replyFrom)))
                .get());
    }
    if (thread_)
        setSubscribeButtonForSubscriptionStatus(thread_->isSubscribed());
}

void QVForumThreadViewController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVForumThreadViewController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                        const QVDelegate& onFailure)
{
    QVForumService::getPostsForThread(thread_ ? thread_->resourceId() : std::string(), static_cast<int>(page), onSuccess,
                                      onFailure);
}

void QVForumThreadViewController::setSubscribeButtonForSubscriptionStatus(bool subscribed)
{
    if (!subscribeButton_)
        return;
    subscribeButton_->setTitle(subscribed ? kSubscribedTitle : kUnsubscribedTitle, StateNormal);
    auto image = QVLoadKitImage(subscribed ? "QVButtonStarFilledSmall.png" : "QVButtonStarEmptySmall.png");
    for (unsigned state : { unsigned(StateNormal), unsigned(StateHighlighted), unsigned(StateSelected), unsigned(StateDisabled) })
        subscribeButton_->setImage(image.get(), state);
}

void QVForumThreadViewController::_subscribe()
{
    if (!thread_)
        return;
    showLoadingScreen();
    QVDelegate success(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVForumThreadViewController, _subscribeSuccess)));
    QVDelegate failure(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVForumThreadViewController, _subscribeFailure)));
    std::string topicId = topic_ ? topic_->resourceId() : std::string();
    if (thread_->isSubscribed())
        QVForumService::unsubscribeFromThread(thread_->resourceId(), topicId, success, failure);
    else
        QVForumService::subscribeToThread(thread_->resourceId(), topicId, success, failure);
}

void QVForumThreadViewController::_subscribeSuccess(Object*)
{
    hideLoadingScreen();
    thread_->setIsSubscribed(!thread_->isSubscribed());
    setSubscribeButtonForSubscriptionStatus(thread_->isSubscribed());
}

void QVForumThreadViewController::_subscribeFailure(Object*)
{
    hideLoadingScreen();
    showAlert("Error Occurred",
              std::string("Could not ") + (thread_->isSubscribed() ? "unsubscribe from" : "subscribe to")
                  + " thread. Please try again later.",
              "Ok");
}

void QVForumThreadViewController::_reply()
{
    if (!thread_)
        return;
    if (thread_->isLocked()) {
        showAlert("Thread is Locked", "Cannot post in thread. It is locked.", "Ok");
        return;
    }
    if (auto form = QVPostNewMessage::postNewMessageInThread(thread_.get(), topic_.get()); form && navigationController())
        navigationController()->pushViewController(form.get(), true);
}

void QVForumThreadViewController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* post = dynamic_cast<QVForumPost*>(resource);
    if (post && post->author())
        QVDashboardSwitch::showProfileForUser(post->author().get(), post, this);
}

bool QVForumPostCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, kMinHeight));
    // The picture's frame stays clear of the list's edge and the next row's; the texts start clear of it.
    const Rect picture = layout::pictureInRow(40, kMinHeight);
    const float text = layout::besidePicture(picture);
    authorPictureView_ = QVImageView::imageViewWithFrame(picture);
    authorPictureView_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVForumPostCell, _goToProfile)), TouchUpInside);
    authorLabel_ = makeLabel(Rect(text, 4, 100, 18), 13, true);
    authorLabel_->setTextColor(Color::rgb(0.1f, 0.3f, 0.65f));
    gameLabel_ = makeLabel(Rect(158, 4, 100, 18), 13, false);
    gameLabel_->setTextColor(Color::rgb(0.35f, 0.35f, 0.35f));
    bodyLabel_ = makeLabel(Rect(text, 24, width - 32 - text, 18), 14, false);
    bodyLabel_->setNumberOfLines(0);
    bodyLabel_->setTextColor(Color::rgb(0.1f, 0.1f, 0.12f));
    addSubviews(contentView(), { authorPictureView_.get(), authorLabel_.get(), gameLabel_.get(), bodyLabel_.get() });
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVForumPostCell::showResource(QVForumPost* post)
{
    author_ = post->author();
    std::string name = author_ ? author_->name() : std::string();
    std::string game = author_ ? author_->lastPlayedGameName() : std::string();
    authorLabel_->setText(game.empty() ? name : name + " | ");
    Rect a = authorLabel_->frame();
    a.size.width = textSize(authorLabel_.get(), authorLabel_->text()).width;
    authorLabel_->setFrame(a);
    gameLabel_->setText(game);
    Rect g = gameLabel_->frame();
    g.origin.x = maxX(authorLabel_.get());
    g.size.width = std::max(frame().size.width - 32 - g.origin.x, 0.0f);
    gameLabel_->setFrame(g);
    authorPictureView_->useProfilePictureFromUser(author_.get());
    bodyLabel_->setText(post->body());
    layoutSubviews();
    setHeightForContent(std::max(maxY(bodyLabel_.get()) + 4, kMinHeight));
}

void QVForumPostCell::layoutSubviews()
{
    QVTableCellHelper::layoutSubviews();
    if (!bodyLabel_)
        return;
    Rect b = bodyLabel_->frame();
    b.origin.y = maxY(authorLabel_.get()) + 2;
    bodyLabel_->setFrame(b);
    fitLabelHeight(bodyLabel_.get());
}

void QVForumPostCell::_goToProfile()
{
    if (author_)
        QVDashboardSwitch::showProfileForUser(author_.get());
}

bool QVForumSubscribeButtonCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 44));
    setSelectionStyle(CellSelectionStyle::None);
    // The star and its words on the list's dark leading row: white words a little apart from the star,
    // across the row's width.
    button_ = Button::buttonWithType(Button::Type::Custom);
    button_->setFrame(Rect(10, 6, width - 20, 32));
    button_->setAutoresizingMask(FlexibleWidth);
    button_->setTitleColor(Color::whiteColor(), StateNormal);
    button_->setTitleEdgeInsets({ 0, 8, 0, 0 });
    contentView()->addSubview(button_.get());
    return true;
}

void QVForumSubscribeButtonCell::setOwner(Object* owner)
{
    QVTableCellHelper::setOwner(owner);
    if (auto* screen = dynamic_cast<QVForumThreadViewController*>(owner)) {
        button_->addTarget(screen, Control::PlainAction(BRISKO_SELECTOR(QVForumThreadViewController, _subscribe)), TouchUpInside);
        screen->setSubscribeButton(button_.get());
    }
}

} // namespace quorvel
