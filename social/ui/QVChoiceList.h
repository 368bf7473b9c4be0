// A small modal menu: a dimmed full-screen backdrop and a column of text
// buttons at a point. Touching a choice tells the delegate its index,
// touching the backdrop tells it -1; either way the menu closes.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/Button.h"
#include "platform/ui/ViewController.h"
#include "social/ui/QVClassRegistry.h"

#include <string>
#include <vector>

namespace quorvel {

class QVChoiceListDelegate {
public:
    virtual ~QVChoiceListDelegate() = default;
    virtual void userDidChoiceListWithAnswer(int answer) = 0;
};

class QVChoiceListController : public platform::ui::ViewController {
    QV_DECLARE_CLASS(QVChoiceListController)
public:
    static constexpr float kBackdropAlpha = 0.85f;
    static constexpr float kChoiceWidth = 100;
    static constexpr float kChoiceHeight = 20;

    // The delegate must be a platform object too: it is retained.
    static platform::Ref<QVChoiceListController> controllerWithDelegate(QVChoiceListDelegate* delegate,
                                                                        platform::Point location,
                                                                        std::vector<std::string> choices);
    bool initWithDelegate(QVChoiceListDelegate* delegate, platform::Point location, std::vector<std::string> choices);

    void dismissWithAnswer(int answer);
    void dismissSelf() { dismissWithAnswer(-1); }

    QVChoiceListDelegate* delegate() const { return delegate_; }
    const std::vector<std::string>& choices() const { return choices_; }
    platform::Point location() const { return location_; }
    platform::ui::Button* backdrop() const { return backdrop_.get(); }

    void loadView() override;

protected:
    QVChoiceListController() = default;

private:
    QVChoiceListDelegate* delegate_ { nullptr };
    platform::Ref<platform::Object> delegateObject_;
    std::vector<std::string> choices_;
    platform::Point location_;
    platform::Ref<platform::ui::Button> backdrop_;
};

// One choice: a text button that answers its index.
class QVChoiceButton : public platform::ui::Button {
    QV_DECLARE_CLASS(QVChoiceButton)
public:
    static platform::Ref<QVChoiceButton> buttonWithList(QVChoiceListController* controller, const std::string& text,
                                                        int value);
    void processButton();
    int returnValue() const { return returnValue_; }

protected:
    QVChoiceButton() = default;

private:
    int returnValue_ { 0 };
    // The list that shows this button (its view can outlive the list).
    platform::WeakLink<QVChoiceListController> controller_;
};

namespace QVChoiceList {
// Presents the menu without animation over the dashboard's root controller;
// without one it is not shown (and logged). Answers the controller shown.
platform::Ref<QVChoiceListController> showChoiceListWithDelegate(QVChoiceListDelegate* delegate,
                                                                 platform::Point location,
                                                                 std::vector<std::string> choices);
} // namespace QVChoiceList

} // namespace quorvel
