// QVAccountForm: the submission the account screens need until the kit's
// shared form base is in place — fields by view tag written under the form's
// resource name, hidden parameters, one request through the provider, and the
// server's error list in one alert. The hooks carry the form base's names, so
// these screens move onto it by changing their base class.
#pragma once

#include "platform/ui/TextField.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/ui/QVViewController.h"

#include <string>
#include <utility>
#include <vector>

namespace quorvel {

class QVAccountForm : public QVViewController, public platform::ui::TextFieldDelegate {
public:
    using ViewDataMap = std::vector<std::pair<std::string, int>>; // field name, view tag

    // Hooks.
    virtual void populateViewDataMap(ViewDataMap&) { }
    virtual std::string singularResourceName() { return ""; }
    virtual std::string getFormSubmissionUrl() { return ""; }
    virtual std::string getHTTPMethod() { return "POST"; }
    virtual bool shouldUseOAuth() { return true; }
    virtual void addHiddenParameters(QVHttpNestedQueryStringWriter&) { }
    std::string getLoadingScreenText() override { return "Submitting"; }
    virtual bool shouldShowLoadingScreenWhileSubmitting() { return true; }
    virtual bool shouldDismissKeyboardWhenSubmitting() { return true; }
    virtual void onBeforeFormSubmitted() { }
    virtual void onFormSubmitted() { }
    virtual void onPresentingErrorDialog() { }

    // Ignored while a submission runs.
    virtual void onSubmitForm();
    bool isSubmitting() const { return mIsSubmitting; }

    // The text of the text field or label with that tag ("" without one).
    std::string textOfViewWithTag(int tag);
    // The alert text of an error answer: "base" reasons alone, others as "- field: reason".
    static std::string errorLinesFromBody(const platform::Bytes& body);

    bool textFieldShouldReturn(platform::ui::TextField* field) override;
    bool canReceiveCallbacksNow() override { return navigationController() != nullptr; }

protected:
    QVAccountForm() = default;
    void _requestRespondedBehavior(platform::Object* loader);
    void _requestErroredBehavior(platform::Object* loader);
    void adoptTextFields(platform::ui::View* view);

private:
    void submitForm();
    bool mIsSubmitting { false };
};

} // namespace quorvel
