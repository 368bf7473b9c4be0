// The form of a new forum thread or a reply.
#include "social/dashboard/forums/QVPostNewMessage.h"

#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/forums/QVForumThreadViewController.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVFormControllerHelper.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using namespace common;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVPostNewMessage);

// The form is loaded by the screen name "PostNewMessage", whose class name is this.
[[maybe_unused]] static const bool qvPostNewMessageByScreenName
    = QVClassRegistry::registerClass("QVPostNewMessageController", &QVPostNewMessage::qvCreateInstance);

Ref<QVPostNewMessage> QVPostNewMessage::postNewMessageInTopic(QVForumTopic* topic)
{
    Ref<ViewController> loaded = QVControllerLoader::load("PostNewMessage");
    auto form = Ref<QVPostNewMessage>(
        loaded ? requireCast<QVPostNewMessage>(loaded, "The message form must take its topic or thread") : nullptr);
    if (form) {
        form->setTopic(topic);
        form->view();
        form->toggleSubjectView(true);
    }
    return form;
}

Ref<QVPostNewMessage> QVPostNewMessage::postNewMessageInThread(QVForumThread* thread, QVForumTopic* topic)
{
    Ref<ViewController> loaded = QVControllerLoader::load("PostNewMessage");
    auto form = Ref<QVPostNewMessage>(
        loaded ? requireCast<QVPostNewMessage>(loaded, "The message form must take its topic or thread") : nullptr);
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
    float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
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

} // namespace quorvel
