// Forum topics, threads, the thread view with its star, and the posting form.
#include "social/dashboard/forums/QVForumControllers.h"

#include "social/core/Quorvel.h"
#include "social/dashboard/chat/QVChatControllers.h"
#include "social/services/QVChatServices.h"
#include "social/dashboard/community/QVCommunityKit.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVRuntimeHost.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVKitImages.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using namespace community;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVForumTopicListController);
QV_REGISTER_CLASS(QVForumThreadListController);
QV_REGISTER_CLASS(QVForumThreadViewController);
QV_REGISTER_CLASS(QVPostNewMessage);
QV_REGISTER_CLASS(QVForumTopicCell);
QV_REGISTER_CLASS(QVForumThreadCell);
QV_REGISTER_CLASS(QVForumPostCell);
QV_REGISTER_CLASS(QVForumSubscribeButtonCell);

// The form is loaded by the screen name "PostNewMessage", whose class name is this.
[[maybe_unused]] static const bool qvPostNewMessageByScreenName
    = QVClassRegistry::registerClass("QVPostNewMessageController", &QVPostNewMessage::qvCreateInstance);

// ---------------------------------------------------------------------------
// Topics

Ref<QVForumTopicListController> QVForumTopicListController::topicBrowser()
{
    return dynamicRef<QVForumTopicListController>(QVControllerLoader::load("ForumTopicList"));
}

QVService* QVForumTopicListController::getService() { return QVForumService::sharedService(); }

void QVForumTopicListController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVForumTopic>("ForumTopic");
}

void QVForumTopicListController::viewWillAppear(bool animated)
{
    setTitle("Forums & Chat");
    QVTableSequenceControllerHelper::viewWillAppear(animated);
}

void QVForumTopicListController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto* game = dynamic_cast<QVResource*>(getPageContextGame());
    Ref<Object> local;
    if (!game) {
        local = QVRuntimeHost::current().localGameProfileInfo();
        game = dynamic_cast<QVResource*>(local.get());
    }
    QVForumService::getTopicsForApplication(game ? game->resourceId() : std::string(), onSuccess, onFailure);
}

void QVForumTopicListController::onCellWasClicked(Object* resource, IndexPath)
{
    auto* topic = dynamic_cast<QVForumTopic*>(resource);
    if (!topic || !navigationController())
        return;
    if (!topic->resourceId().empty()) {
        if (auto threads = QVForumThreadListController::threadBrowser(topic))
            navigationController()->pushViewController(threads.get(), true);
        return;
    }
    // The entry without an id is the global chat.
    auto rooms = dynamicRef<QVSelectChatRoomDefinitionController>(QVControllerLoader::load("SelectChatRoomDefinition"));
    if (!rooms)
        return;
    rooms->includeGlobalRooms = true;
    rooms->includeApplicationRooms = false;
    rooms->includeDeveloperRooms = false;
    navigationController()->pushViewController(rooms.get(), true);
}

// ---------------------------------------------------------------------------
// Threads

Ref<QVForumThreadListController> QVForumThreadListController::threadBrowser(QVForumTopic* topic)
{
    auto screen = dynamicRef<QVForumThreadListController>(QVControllerLoader::load("ForumThreadList"));
    if (screen)
        screen->setTopic(topic);
    return screen;
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
    if (auto view = QVForumThreadViewController::threadView(thread, topic_.get()))
        navigationController()->pushViewController(view.get(), true);
}

// ---------------------------------------------------------------------------
// Thread view

Ref<QVForumThreadViewController> QVForumThreadViewController::threadView(QVForumThread* thread, QVForumTopic* topic)
{
    auto screen = dynamicRef<QVForumThreadViewController>(QVControllerLoader::load("ForumThreadView"));
    if (screen) {
        screen->setThread(thread);
        screen->setTopic(topic);
    }
    return screen;
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

std::optional<std::string> QVForumThreadViewController::getLeadingCellControllerNameForSection(int)
{
    if (hideSubscribeAndReplyButtons_)
        return std::nullopt;
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
        QVDashboardSwitch::showProfileForUser(post->author().get());
}

// ---------------------------------------------------------------------------
// Posting form

Ref<QVPostNewMessage> QVPostNewMessage::postNewMessageInTopic(QVForumTopic* topic)
{
    auto form = dynamicRef<QVPostNewMessage>(QVControllerLoader::load("PostNewMessage"));
    if (form) {
        form->setTopic(topic);
        form->view();
        form->toggleSubjectView(true);
    }
    return form;
}

Ref<QVPostNewMessage> QVPostNewMessage::postNewMessageInThread(QVForumThread* thread, QVForumTopic* topic)
{
    auto form = dynamicRef<QVPostNewMessage>(QVControllerLoader::load("PostNewMessage"));
    if (form) {
        form->setTopic(topic);
        form->setThread(thread);
        form->view();
        form->toggleSubjectView(false);
    }
    return form;
}

void QVPostNewMessage::loadView()
{
    float width = Quorvel::getDashboardBounds().size.width;
    auto root = View::viewWithFrame(Rect(0, 0, width, 240));
    root->setBackgroundColor(Color::whiteColor());
    subjectView_ = View::viewWithFrame(Rect(0, 0, width, 44));
    subjectField_ = TextField::textFieldWithFrame(Rect(8, 7, width - 16, 30));
    subjectField_->setBorderStyle(TextField::BorderStyle::RoundedRect);
    subjectField_->setPlaceholder("Subject");
    subjectField_->setTag(1);
    subjectView_->addSubview(subjectField_.get());
    bodyView_ = View::viewWithFrame(Rect(0, 44, width, 196));
    bodyField_ = TextView::textViewWithFrame(Rect(8, 0, width - 16, 196));
    bodyField_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    bodyField_->setTag(2);
    bodyView_->addSubview(bodyField_.get());
    root->addSubview(subjectView_.get());
    root->addSubview(bodyView_.get());
    setView(root.get());
}

void QVPostNewMessage::viewDidLoad()
{
    QVFormControllerHelper::viewDidLoad();
    navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Post", BarButtonItem::Style::Plain, this,
                                 BarButtonItem::SenderAction(BRISKO_SELECTOR(QVPostNewMessage, onSubmitForm)))
            .get());
}

void QVPostNewMessage::viewDidAppear(bool animated)
{
    QVFormControllerHelper::viewDidAppear(animated);
    if (thread_) {
        setTitle("Reply");
        bodyField_->becomeFirstResponder();
    } else {
        setTitle("New Post");
        subjectField_->becomeFirstResponder();
    }
}

void QVPostNewMessage::toggleSubjectView(bool show)
{
    if (!subjectView_ || subjectView_->isHidden() == !show)
        return;
    float subjectHeight = subjectView_->frame().size.height;
    Rect body = bodyView_->frame();
    subjectView_->setHidden(!show);
    if (show) {
        body.origin.y = subjectHeight;
        body.size.height -= subjectHeight - 5;
    } else {
        body.origin.y = 5;
        body.size.height += subjectHeight - 5;
    }
    bodyView_->setFrame(body);
}

void QVPostNewMessage::onSubmitForm(Object* sender)
{
    if (!thread_ && subjectField_->text().empty()) {
        showAlert("Incomplete", "Please enter a subject and try again.", "Ok");
        return;
    }
    if (bodyField_->text().empty()) {
        showAlert("Incomplete", "Please enter a message body and try again.", "Ok");
        return;
    }
    QVFormControllerHelper::onSubmitForm(sender);
}

std::string QVPostNewMessage::getFormSubmissionUrl()
{
    if (thread_)
        return "discussions/" + thread_->resourceId() + "/posts.xml";
    return "topics/" + (topic_ ? topic_->resourceId() : std::string()) + "/discussions.xml";
}

std::string QVPostNewMessage::singularResourceName() { return thread_ ? "post" : "discussion"; }

void QVPostNewMessage::addHiddenParameters(QVHttpNestedQueryStringWriter& writer)
{
    std::string body = bodyField_->text();
    if (thread_) {
        writer.io("post[body]", body);
    } else {
        std::string subject = subjectField_->text();
        writer.io("discussion[subject]", subject);
        writer.io("discussion[body]", body);
    }
}

void QVPostNewMessage::onFormSubmitted()
{
    Ref<QVPostNewMessage> keep(this);
    NavigationController* nav = navigationController();
    if (!nav)
        return;
    const auto& stack = nav->viewControllers();
    for (size_t i = 1; i < stack.size(); ++i)
        if (stack[i].get() == this)
            if (auto* below = dynamic_cast<QVForumThreadViewController*>(stack[i - 1].get()))
                below->reloadDataFromServer();
    nav->popViewControllerAnimated(true);
}

// ---------------------------------------------------------------------------
// Rows

bool QVForumTopicCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 44));
    topicIcon_ = ImageView::imageViewWithFrame(Rect(8, 8, 28, 28));
    titleLabel_ = makeLabel(Rect(44, 0, width - 76, 44), 16, true);
    contentView()->addSubview(topicIcon_.get());
    contentView()->addSubview(titleLabel_.get());
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVForumTopicCell::onResourceChanged(Object* resource)
{
    auto* topic = dynamic_cast<QVForumTopic*>(resource);
    if (!topic)
        return;
    titleLabel_->setText(topic->title());
    topicIcon_->setImage(QVLoadKitImage(topic->resourceId().empty() ? "QVIconChat.png" : "QVForumTopicSmall.png").get());
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
    lastPostByLabel_->setTextColor(Color::rgb(0.4f, 0.4f, 0.4f));
    postsCountLabel_ = makeLabel(Rect(width - 40, 15, 32, 20), 13, true);
    postsCountLabel_->setTextAlignment(platform::TextAlignment::Center);
    threadStatusIcon_ = ImageView::imageViewWithFrame(Rect(width - 34, 15, 20, 20));
    threadStatusIcon_->setImage(QVLoadKitImage("QVForumThreadLockedIcon.png").get());
    favoritedIcon_ = ImageView::imageViewWithFrame(Rect(width - 60, 15, 20, 20));
    favoritedIcon_->setImage(QVLoadKitImage("QVButtonStarFilledSmall.png").get());
    addSubviews(contentView(), { stickyLabel_.get(), titleLabel_.get(), lastPostByLabel_.get(),
                                 postsCountLabel_.get(), threadStatusIcon_.get(), favoritedIcon_.get() });
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVForumThreadCell::onResourceChanged(Object* resource)
{
    auto* thread = dynamic_cast<QVForumThread*>(resource);
    if (!thread)
        return;
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

bool QVForumPostCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, kMinHeight));
    authorPictureView_ = QVImageView::imageViewWithFrame(Rect(6, 6, 44, 44));
    authorLabel_ = makeLabel(Rect(58, 4, 100, 18), 13, true);
    authorLabel_->setTextColor(Color::rgb(0.1f, 0.3f, 0.65f));
    gameLabel_ = makeLabel(Rect(158, 4, 100, 18), 13, false);
    gameLabel_->setTextColor(Color::rgb(0.35f, 0.35f, 0.35f));
    bodyLabel_ = makeLabel(Rect(58, 24, width - 90, 18), 14, false);
    bodyLabel_->setNumberOfLines(0);
    bodyLabel_->setTextColor(Color::rgb(0.1f, 0.1f, 0.12f));
    addSubviews(contentView(), { authorPictureView_.get(), authorLabel_.get(), gameLabel_.get(), bodyLabel_.get() });
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVForumPostCell::onResourceChanged(Object* resource)
{
    auto* post = dynamic_cast<QVForumPost*>(resource);
    if (!post)
        return;
    author_ = post->author().get();
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
    authorPictureView_->useProfilePictureFromUser(author_);
    bodyLabel_->setText(post->body());
    layoutSubviews();
    Rect f = frame();
    f.size.height = std::max(maxY(bodyLabel_.get()) + 4, kMinHeight);
    setFrame(f);
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
        QVDashboardSwitch::showProfileForUser(author_);
}

bool QVForumSubscribeButtonCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 44));
    setSelectionStyle(CellSelectionStyle::None);
    button_ = Button::buttonWithType(Button::Type::Custom);
    button_->setFrame(Rect(10, 6, width - 20, 32));
    button_->setTitleColor(Color::rgb(0.1f, 0.1f, 0.12f), StateNormal);
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
