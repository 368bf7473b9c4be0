// Forms: fields by tag written as nested parameters, submission through the
// provider, the error alert, Return order and the keyboard.
#include "social/ui/QVFormControllerHelper.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKeyboardSize.h"
#include "social/ui/QVViewHelper.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

bool QVFormFieldWriter(View* view, const std::string& name, QVHttpNestedQueryStringWriter& writer)
{
    // By kind, so the kit's own text fields and text views are read too.
    std::string text;
    if (auto* field = dynamic_cast<TextField*>(view)) {
        text = field->text();
    } else if (auto* textView = dynamic_cast<TextView*>(view)) {
        text = textView->text();
    } else if (auto* label = dynamic_cast<Label*>(view)) {
        text = label->text();
    } else if (auto* toggle = dynamic_cast<Switch*>(view)) {
        bool on = toggle->isOn();
        writer.io(name.c_str(), on);
        return true;
    } else {
        return false;
    }
    writer.io(name.c_str(), text);
    return true;
}

QVFormControllerHelper::~QVFormControllerHelper()
{
    stopObservingKeyboard();
}

// ---------------------------------------------------------------------------
// Start

void QVFormControllerHelper::viewDidLoad()
{
    QVViewController::viewDidLoad();
    mHttpService = QVProvider::createHttpService();
    tagActions_.clear();
    registerActionsNow();
    viewDataMap_ = QVViewDataMap::create();
    populateViewDataMap(*viewDataMap_);
    QVViewHelper::setTextDelegates(view(), this, this);
    QVViewHelper::setReturnKeysByTag(view(), ReturnKeyType::Send);
    scrollContainerView_ = QVViewHelper::findFirstScrollView(view());
    if (scrollContainerView_)
        scrollContainerView_->setContentSize(QVViewHelper::subviewsExtent(scrollContainerView_.get()));
}

// ---------------------------------------------------------------------------
// Submission

void QVFormControllerHelper::onSubmitForm(Object*)
{
    if (isSubmitting_)
        return;
    if (shouldShowLoadingScreenWhileSubmitting())
        showLoadingScreen();
    if (shouldDismissKeyboardWhenSubmitting())
        QVViewHelper::resignFirstResponder(view());
    isSubmitting_ = true;
    submitForm();
}

void QVFormControllerHelper::submitForm()
{
    Ref<QVFormControllerHelper> keep(this);
    auto writer = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    {
        std::string scope = singularResourceName();
        QVISerializer::Scope resource(*writer, scope.c_str());
        if (viewDataMap_) {
            for (const auto& entry : viewDataMap_->entries())
                if (View* field = QVViewHelper::findViewByTag(view(), entry.tag))
                    QVFormFieldWriter(field, entry.name, *writer);
        }
    }
    addHiddenParameters(*writer);
    onBeforeFormSubmitted();

    QVProvider* provider = QVSessionRole::current().provider();
    Ref<QVRequestHandle> handle;
    if (provider) {
        handle = provider->performAction(
            getFormSubmissionUrl(), writer.get(), getHTTPMethod(),
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFormControllerHelper, _requestRespondedBehavior))),
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFormControllerHelper, _requestErroredBehavior))), 2,
            QVRequestUIRole::current().foregroundNotice(getLoadingScreenText()).get(), shouldUseOAuth(),
            shouldUseOAuth());
    }
    // A request that never went out gets no answer: fail now rather than stay submitting.
    if (!handle && isSubmitting_)
        _requestErroredBehavior(nullptr);
}

void QVFormControllerHelper::_requestRespondedBehavior(Object* request)
{
    // Only an answer (QVAnswer: a success status with a document the service
    // wrote, not its error list) means the form was kept: an error list, a
    // redirect, "not modified", nothing, or a cut or garbled body is a refused
    // submission, shown as one (refusals such as 403 and 406 come as failures).
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(request);
    if (loader && !QVAnswer::document(loader)) {
        _requestErroredBehavior(request);
        return;
    }
    hideLoadingScreen();
    onFormSubmitted();
    isSubmitting_ = false;
}

std::string QVFormControllerHelper::errorMessageFromBody(const platform::Bytes& body)
{
    return QVAnswer::serviceErrors(body).value_or("");
}

void QVFormControllerHelper::_requestErroredBehavior(Object* request)
{
    Ref<QVFormControllerHelper> keep(this);
    hideLoadingScreen();
    onPresentingErrorDialog();
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(request);
    std::string message = loader ? errorMessageFromBody(loader->data()) : std::string();
    std::string button = "Ok";
    if (message.empty()) {
        // The request's own error: "<description> (<domain>[<code>])".
        std::string description = "The request could not be sent";
        std::string domain = "QVRequestDomain";
        int code = 0;
        if (loader && loader->error()) {
            description = loader->error()->text;
            domain = "NSURLErrorDomain";
            code = loader->error()->code;
        } else if (loader && loader->oauthResponse()) {
            description = "The server refused the request";
            domain = "QVHttpStatusDomain";
            code = loader->oauthResponse()->statusCode();
        }
        message = description + " (" + domain + "[" + std::to_string(code) + "])";
        button = "Ok.";
    }
    AlertView::alert(kErrorTitle, message, nullptr, button)->show();
    isSubmitting_ = false;
}

// ---------------------------------------------------------------------------
// Tag actions

void QVFormControllerHelper::registerAction(const QVDelegate& action, int tag)
{
    tagActions_.emplace(tag, action);
}

void QVFormControllerHelper::onTriggerAction(Object* sender)
{
    int tag = 0;
    if (auto* view = dynamic_cast<View*>(sender))
        tag = view->tag();
    else if (auto* item = dynamic_cast<BarButtonItem*>(sender))
        tag = item->tag();
    else
        return;
    auto action = tagActions_.find(tag);
    if (action != tagActions_.end())
        action->second.invoke(nullptr);
}

// ---------------------------------------------------------------------------
// Fields and Return

bool QVFormControllerHelper::textFieldShouldReturn(TextField* field)
{
    View* next = QVViewHelper::findViewByTag(view(), field->tag() + 1);
    if (!next)
        onSubmitForm(field);
    else if (dynamic_cast<TextField*>(next) || dynamic_cast<TextView*>(next))
        next->becomeFirstResponder();
    else
        field->resignFirstResponder();
    return true;
}

void QVFormControllerHelper::textFieldDidBeginEditing(TextField* field)
{
    activeTextField_ = field;
    scrollActiveFieldIntoView();
}

void QVFormControllerHelper::textFieldDidEndEditing(TextField* field)
{
    if (activeTextField_.unsafeGet() == field)
        activeTextField_ = nullptr;
}

void QVFormControllerHelper::textViewDidBeginEditing(TextView* textView)
{
    activeTextField_ = textView;
    scrollActiveFieldIntoView();
}

void QVFormControllerHelper::textViewDidEndEditing(TextView* textView)
{
    if (activeTextField_.unsafeGet() == textView)
        activeTextField_ = nullptr;
}

void QVFormControllerHelper::scrollActiveFieldIntoView()
{
    View* active = activeTextField_.get();
    if (!active || !scrollContainerView_)
        return;
    platform::Rect frame = active->frame();
    View* parent = active->superview();
    if (parent && parent != scrollContainerView_.get()) {
        frame.origin.x += parent->frame().origin.x;
        frame.origin.y += parent->frame().origin.y;
    }
    scrollContainerView_->scrollRectToVisible(frame, true);
}

// ---------------------------------------------------------------------------
// Keyboard and life cycle

void QVFormControllerHelper::viewWillAppear(bool animated)
{
    QVViewController::viewWillAppear(animated);
    if (tagActionsCleared_) {
        tagActionsCleared_ = false;
        registerActionsNow();
    }
}

void QVFormControllerHelper::viewDidAppear(bool animated)
{
    QVViewController::viewDidAppear(animated);
    if (observingKeyboard_)
        return;
    observingKeyboard_ = true;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, kKeyboardDidShowNotification,
                       [this](const platform::Notification& n) { _KeyboardDidShow(n.userInfo); });
    center.addObserver(this, kKeyboardDidHideNotification, [this](const platform::Notification&) { _KeyboardDidHide(); });
}

void QVFormControllerHelper::stopObservingKeyboard()
{
    if (!observingKeyboard_)
        return;
    observingKeyboard_ = false;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this, kKeyboardDidShowNotification);
    center.removeObserver(this, kKeyboardDidHideNotification);
}

void QVFormControllerHelper::viewWillDisappear(bool animated)
{
    if (mHttpService)
        mHttpService->cancelAllRequests();
    QVViewHelper::resignFirstResponder(view());
    // A submission still out may never be answered here: the form starts afresh when shown again.
    isSubmitting_ = false;
    QVViewController::viewWillDisappear(animated);
}

void QVFormControllerHelper::viewDidDisappear(bool animated)
{
    QVViewController::viewDidDisappear(animated);
    stopObservingKeyboard();
    hideLoadingScreen();
    tagActions_.clear();
    tagActionsCleared_ = true;
}

void QVFormControllerHelper::_KeyboardDidShow(const platform::Value& userInfo)
{
    if (mIsKeyboardShown)
        return;
    if (QVDashboardRole::current().isLargeScreen() || !scrollContainerView_) {
        mIsKeyboardShown = true;
        return;
    }
    // The view just below the window.
    View* top = scrollContainerView_.get();
    while (top->superview() && !dynamic_cast<Window*>(top->superview()))
        top = top->superview();
    if (!top->superview()) {
        mIsKeyboardShown = true;
        return;
    }
    platform::Size keyboard = QVgetKeyboardSize(userInfo);
    mViewHeightWithoutKeyboard = scrollContainerView_->frame().size.height;
    float containerTop = scrollContainerView_->convertPointTo(platform::Point(0, 0), top).y;
    platform::Rect frame = scrollContainerView_->frame();
    frame.size.height = top->frame().size.height - keyboard.height - containerTop;
    View::beginAnimations("QVFormKeyboard");
    View::setAnimationDuration(kKeyboardAnimationDuration);
    scrollContainerView_->setFrame(frame);
    scrollActiveFieldIntoView();
    View::commitAnimations();
    resizedForKeyboard_ = true;
    mIsKeyboardShown = true;
}

void QVFormControllerHelper::_KeyboardDidHide()
{
    if (!mIsKeyboardShown)
        return;
    if (scrollContainerView_ && resizedForKeyboard_) {
        platform::Rect frame = scrollContainerView_->frame();
        frame.size.height = mViewHeightWithoutKeyboard;
        View::beginAnimations("QVFormKeyboard");
        View::setAnimationDuration(kKeyboardAnimationDuration);
        scrollContainerView_->setFrame(frame);
        View::commitAnimations();
    }
    resizedForKeyboard_ = false;
    mIsKeyboardShown = false;
}

} // namespace quorvel
