// The box under a conversation.
#include "social/dashboard/conversations/QVConversationMessageBoxController.h"

#include "platform/foundation/RunLoop.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVForumService.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVConversationMessageBoxController);

void QVConversationMessageBoxController::loadView()
{
    float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
    bool large = QuorvelInternal::dashboardRole().isLargeScreen();
    auto root = View::viewWithFrame(Rect(0, 0, width, kHeight));
    if (!large)
        root->setBackgroundColor(Color::rgb(233 / 255.0f, 233 / 255.0f, 233 / 255.0f));
    backgroundView_ = ImageView::imageViewWithFrame(root->bounds());
    backgroundView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->addSubview(backgroundView_.get());

    field_ = Ref<QVExpandableSinglelineTextField>(requireCast<QVExpandableSinglelineTextField>(
        QVClassRegistry::create("QVExpandableSinglelineTextField"), "The message field's class must make message fields"));
    field_->setFrame(Rect(6, 8, width - 80, large ? 27 : 22));
    field_->setAutoresizingMask(FlexibleWidth | FlexibleTopMargin);
    field_->awakeFromNib();
    field_->setMinLines(1);
    field_->setMaxLines(5);
    field_->setMultilineTextFieldDelegate(fieldDelegate_.get());
    root->addSubview(field_.get());

    button_ = Button::buttonWithType(Button::Type::RoundedRect);
    button_->setTitle("Send", StateNormal);
    button_->setFrame(Rect(width - 68, large ? 4 : 7, 62, large ? 31 : 29));
    button_->setAutoresizingMask(FlexibleLeftMargin | FlexibleTopMargin);
    button_->addTarget(this, Control::SenderAction(BRISKO_SELECTOR(QVConversationMessageBoxController, onSubmitForm)),
                           TouchUpInside);
    root->addSubview(button_.get());
    setView(root.get());
}

void QVConversationMessageBoxController::setMessageFieldDelegate(QVExpandableSinglelineTextFieldDelegate* delegate)
{
    fieldDelegate_ = delegate;
    if (field_)
        field_->setMultilineTextFieldDelegate(delegate);
}

void QVConversationMessageBoxController::viewWillAppear(bool animated)
{
    QVCommunityMessageBoxController::viewWillAppear(animated);
    // The text handed in (from the game) goes into the field once the screen settles,
    // the field of the box as it is then.
    platform::Weak<QVConversationMessageBoxController> weak(this);
    initialTextTimer_ = platform::RunLoop::main().performAfter(0.5, [weak] {
        auto self = weak.lock();
        if (!self)
            return;
        self->view();
        if (Ref<QVExpandableSinglelineTextField> field = self->field_)
            field->setText(self->initialText_);
    });
}

void QVConversationMessageBoxController::onSubmitForm(Object* sender)
{
    if (!field_ || field_->text().empty()) {
        if (field_)
            field_->resignFirstResponder();
        return;
    }
    QVFormControllerHelper::onSubmitForm(sender);
}

std::string QVConversationMessageBoxController::getFormSubmissionUrl()
{
    return "discussions/" + conversationId_ + "/posts.xml";
}

std::string QVConversationMessageBoxController::singularResourceName() { return QVForumPost::getResourceName(); }

void QVConversationMessageBoxController::addHiddenParameters(QVHttpNestedQueryStringWriter& writer)
{
    std::string body = field_ ? field_->text() : std::string();
    writer.io("post[body]", body);
}

void QVConversationMessageBoxController::onBeforeFormSubmitted()
{
    QVCommunityMessageBoxController::onBeforeFormSubmitted();
    if (field_)
        field_->resignFirstResponder();
}

} // namespace quorvel
