// The account screens' form submission.
#include "social/ui/account/QVAccountForm.h"

#include "platform/foundation/Format.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "social/clients/OAuthAPIRequestLoader.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVRuntimeHost.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/ui/QVViewHelper.h"

namespace quorvel {

using namespace platform::ui;
using platform::Ref;

namespace {

View* findTag(View* view, int tag) { return QVViewHelper::findViewByTag(view, tag); }

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string QVAccountForm::textOfViewWithTag(int tag)
{
    View* view = findTag(this->view(), tag);
    if (auto* field = dynamic_cast<TextField*>(view))
        return field->text();
    if (auto* label = dynamic_cast<Label*>(view))
        return label->text();
    return {};
}

void QVAccountForm::adoptTextFields(View* view) { QVViewHelper::setTextDelegates(view, this, nullptr); }

void QVAccountForm::onSubmitForm()
{
    if (mIsSubmitting)
        return;
    if (shouldShowLoadingScreenWhileSubmitting())
        showLoadingScreen();
    if (shouldDismissKeyboardWhenSubmitting())
        QVViewHelper::resignFirstResponder(view());
    mIsSubmitting = true;
    submitForm();
}

void QVAccountForm::submitForm()
{
    Ref<QVAccountForm> keep(this);
    auto writer = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    ViewDataMap fields;
    populateViewDataMap(fields);
    {
        std::string scope = singularResourceName();
        QVISerializer::Scope resource(*writer, scope.c_str());
        for (auto& [name, tag] : fields) {
            View* field = findTag(view(), tag);
            // Only plain text fields and labels give a value, as in the shared form base.
            if (field && (typeid(*field) == typeid(TextField) || typeid(*field) == typeid(Label))) {
                std::string value = textOfViewWithTag(tag);
                writer->io(name.c_str(), value);
            }
        }
    }
    addHiddenParameters(*writer);
    onBeforeFormSubmitted();
    QVProvider* provider = QVRuntimeHost::current().provider();
    Ref<QVRequestHandle> handle;
    if (provider)
        handle = provider->performAction(getFormSubmissionUrl(), writer.get(), getHTTPMethod(),
                                         QVDelegate(this, BRISKO_SELECTOR(QVAccountForm, _requestRespondedBehavior)),
                                         QVDelegate(this, BRISKO_SELECTOR(QVAccountForm, _requestErroredBehavior)), 0,
                                         nullptr, shouldUseOAuth());
    if (!handle) {
        // Nothing went out, so no answer will end the submission.
        mIsSubmitting = false;
        hideLoadingScreen();
        onPresentingErrorDialog();
    }
}

void QVAccountForm::_requestRespondedBehavior(platform::Object*)
{
    hideLoadingScreen();
    mIsSubmitting = false;
    onFormSubmitted();
}

std::string QVAccountForm::errorLinesFromBody(const platform::Bytes& body)
{
    Ref<QVXmlDocument> document = QVXmlDocument::xmlDocumentWithData(body);
    const QVXmlElement* top = document ? document->topElement() : nullptr;
    if (!top || top->name != "errors")
        return {};
    std::string lines;
    for (auto& error : top->children) {
        std::string field = error->childText("field");
        std::string reason = error->childText("reason");
        if (field.empty() && reason.empty())
            reason = error->text;
        replaceAll(reason, "&lt;", "<");
        replaceAll(reason, "&gt;", ">");
        replaceAll(reason, "&amp;", "&");
        if (field.empty() || field == "base")
            lines += reason + "\n";
        else
            lines += "- " + field + ": " + reason + "\n";
    }
    return lines;
}

void QVAccountForm::_requestErroredBehavior(platform::Object* response)
{
    Ref<QVAccountForm> keep(this);
    hideLoadingScreen();
    onPresentingErrorDialog();
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(response);
    std::string message = loader ? errorLinesFromBody(loader->data()) : std::string();
    std::string button = "Ok";
    if (message.empty()) {
        int code = loader && loader->error() ? loader->error()->code : 0;
        std::string text = loader && loader->error() ? loader->error()->text : std::string("The request failed");
        message = platform::format("%s (%d[%d])", text.c_str(), 0, code);
        button = "Ok.";
    }
    AlertView::alert("Oops! There was a problem:", message, nullptr, button)->show();
    mIsSubmitting = false;
}

bool QVAccountForm::textFieldShouldReturn(TextField* field)
{
    View* next = findTag(view(), field->tag() + 1);
    if (auto* nextField = dynamic_cast<TextField*>(next))
        nextField->becomeFirstResponder();
    else if (next)
        field->resignFirstResponder();
    else
        onSubmitForm();
    return true;
}

} // namespace quorvel
