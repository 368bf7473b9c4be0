// QVFormControllerHelper: the base of every form screen (account forms,
// message boxes, posting screens). A form names its input views by tag in
// populateViewDataMap; on submission each mapped view's value is written as a
// nested parameter under the form's resource name (the field email of the
// resource user becomes user[email]), hidden parameters are added at top
// level, and the request goes through the client's provider. Only a success
// status (2xx) with a well-formed document submits the form; an error answer
// ("<errors><error><field/><reason/></error>...</errors>", or an error with
// only its text) is shown as one alert, as is any other answer; the fields
// keep what was typed.
//
// One submission runs at a time. A request the provider drops takes the
// failure path at once, and a form whose screen disappears is no longer
// submitting, so a form is never stuck. Return moves to the view tagged one
// higher, or submits from the last field; the active field is kept visible
// above the keyboard on phones. Buttons can be bound to actions by tag; the
// actions (which usually hold the form itself) are let go while the form is
// off screen and registered again when it comes back, so a form that leaves
// its stack is not kept alive by its own actions.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVHttpService.h"
#include "social/ui/QVViewController.h"

#include <map>
#include <string>
#include <vector>

namespace quorvel {

class QVHttpNestedQueryStringWriter;

// The form's fields in order: a parameter name and the tag of the view that holds its value.
class QVViewDataMap : public platform::Object {
public:
    struct Entry {
        std::string name;
        int tag { 0 };
    };
    static platform::Ref<QVViewDataMap> create() { return platform::adoptRef(new QVViewDataMap); }
    void addField(const std::string& name, int tag) { entries_.push_back({ name, tag }); }
    const std::vector<Entry>& entries() const { return entries_; }

private:
    QVViewDataMap() = default;
    std::vector<Entry> entries_;
};

// Writes one view's value under a name: text fields, text views and labels
// (their subclasses included) as strings, switches as booleans. Other views
// write nothing; answers whether a value was written.
bool QVFormFieldWriter(platform::ui::View* view, const std::string& name, QVHttpNestedQueryStringWriter& writer);

class QVFormControllerHelper : public QVViewController,
                               public platform::ui::TextFieldDelegate,
                               public platform::ui::TextViewDelegate {
    QV_DECLARE_CLASS(QVFormControllerHelper)
public:
    static constexpr double kKeyboardAnimationDuration = 0.3;
    static constexpr const char* kErrorTitle = "Oops! There was a problem:";

    // --- Hooks ---
    virtual void populateViewDataMap(QVViewDataMap& /*map*/) { }
    virtual void registerActionsNow() { }
    virtual std::string singularResourceName() { return ""; }
    virtual std::string getFormSubmissionUrl() { return ""; }
    virtual std::string getHTTPMethod() { return "POST"; }
    // NO: the form is sent without the player's access token (signed by the
    // game's key alone) and needs no login, as a login to an account does.
    virtual bool shouldUseOAuth() { return true; }
    // Top-level parameters, outside the resource scope.
    virtual void addHiddenParameters(QVHttpNestedQueryStringWriter& /*writer*/) { }
    std::string getLoadingScreenText() override { return "Submitting"; }
    virtual bool shouldShowLoadingScreenWhileSubmitting() { return true; }
    virtual bool shouldDismissKeyboardWhenSubmitting() { return true; }
    virtual void onBeforeFormSubmitted() { }
    virtual void onFormSubmitted() { }
    virtual void onPresentingErrorDialog() { }

    // --- Operations ---
    // Ignored while a submission runs.
    virtual void onSubmitForm(platform::Object* sender = nullptr);
    void submitForm();
    // A tag keeps its first action.
    void registerAction(const QVDelegate& action, int tag);
    // Run the action bound to the sender's tag.
    void onTriggerAction(platform::Object* sender);
    void onTriggerBarAction(platform::Object* sender) { onTriggerAction(sender); }
    bool isSubmitting() const { return isSubmitting_; }
    bool isKeyboardShown() const { return mIsKeyboardShown; }
    platform::ui::View* activeTextField() const { return activeTextField_.get(); }
    platform::ui::ScrollView* scrollContainerView() const { return scrollContainerView_.get(); }
    QVViewDataMap* viewDataMap() const { return viewDataMap_.get(); }
    QVHttpService* httpService() const { return mHttpService.get(); }
    // The alert message of an error answer's body (empty when it holds no error list).
    static std::string errorMessageFromBody(const platform::Bytes& body);

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

    bool textFieldShouldReturn(platform::ui::TextField* field) override;
    void textFieldDidBeginEditing(platform::ui::TextField* field) override;
    void textFieldDidEndEditing(platform::ui::TextField* field) override;
    void textViewDidBeginEditing(platform::ui::TextView* view) override;
    void textViewDidEndEditing(platform::ui::TextView* view) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFormControllerHelper() = default;
    ~QVFormControllerHelper() override;

    void _requestRespondedBehavior(platform::Object* request);
    void _requestErroredBehavior(platform::Object* request);
    void _KeyboardDidShow(const platform::Value& userInfo);
    void _KeyboardDidHide();
    void scrollActiveFieldIntoView();

private:
    void stopObservingKeyboard();

    std::map<int, QVDelegate> tagActions_;
    platform::Ref<platform::ui::ScrollView> scrollContainerView_;
    platform::WeakLink<platform::ui::View> activeTextField_; // a view of the form's own tree
    platform::Ref<QVViewDataMap> viewDataMap_;
    platform::Ref<QVHttpService> mHttpService;
    bool mIsKeyboardShown { false };
    float mViewHeightWithoutKeyboard { 0 };
    bool isSubmitting_ { false };
    bool observingKeyboard_ { false };
    bool resizedForKeyboard_ { false };
    bool tagActionsCleared_ { false };
};

} // namespace quorvel
