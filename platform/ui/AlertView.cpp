// AlertView and ActionSheet: button order, the shown-panel lists and the
// delegate calls of answering.
#include "platform/ui/AlertView.h"

#include "platform/foundation/Log.h"

#include <algorithm>

namespace platform::ui {

namespace {

std::vector<Ref<ButtonPanel>>& shownPanels()
{
    static std::vector<Ref<ButtonPanel>> list;
    return list;
}

template <typename T>
std::vector<Ref<T>> shownOf()
{
    std::vector<Ref<T>> out;
    for (auto& p : shownPanels())
        if (auto* t = dynamic_cast<T*>(p.get()))
            out.emplace_back(t);
    return out;
}

} // namespace

int ButtonPanel::addButtonWithTitle(const std::string& title)
{
    buttons_.push_back(title);
    return static_cast<int>(buttons_.size()) - 1;
}

std::string ButtonPanel::buttonTitleAtIndex(int index) const
{
    if (index < 0 || index >= numberOfButtons())
        return {};
    return buttons_[static_cast<size_t>(index)];
}

int ButtonPanel::indexOfButtonWithTitle(const std::string& title) const
{
    auto it = std::find(buttons_.begin(), buttons_.end(), title);
    return it == buttons_.end() ? -1 : static_cast<int>(it - buttons_.begin());
}

void ButtonPanel::present()
{
    if (visible_)
        return;
    Ref<ButtonPanel> keep = this;
    tellWillPresent();
    visible_ = true;
    shownPanels().emplace_back(this);
    tellDidPresent();
}

bool ButtonPanel::clickButton(int index)
{
    if (!visible_ || index < 0 || index >= numberOfButtons())
        return false;
    Ref<ButtonPanel> keep = this;
    tellClicked(index);
    dismissWithClickedButtonIndex(index, true);
    return true;
}

void ButtonPanel::dismissWithClickedButtonIndex(int index, bool animated)
{
    if (!visible_)
        return;
    Ref<ButtonPanel> keep = this;
    tellWillDismiss(index);
    visible_ = false;
    auto& list = shownPanels();
    list.erase(std::remove_if(list.begin(), list.end(), [&](const Ref<ButtonPanel>& p) { return p.get() == this; }), list.end());
    tellDidDismiss(index);
}

void ButtonPanel::forgetAllShown()
{
    auto list = std::move(shownPanels());
    shownPanels().clear();
    for (auto& p : list)
        p->visible_ = false;
}

std::string ButtonPanel::dumpText() const
{
    std::string out = title_;
    for (auto& b : buttons_)
        out += " [" + b + "]";
    return out;
}

Ref<AlertView> AlertView::alert(const std::string& title, const std::string& message, AlertViewDelegate* delegate,
                                const std::string& cancelButtonTitle, const std::vector<std::string>& otherButtonTitles)
{
    auto a = adoptRef(new AlertView);
    a->initWithFrame({});
    a->title_ = title;
    a->message_ = message;
    a->delegate_ = delegate;
    if (!cancelButtonTitle.empty())
        a->cancelIndex_ = a->addButtonWithTitle(cancelButtonTitle);
    for (auto& t : otherButtonTitles) {
        int i = a->addButtonWithTitle(t);
        if (a->firstOther_ < 0)
            a->firstOther_ = i;
    }
    return a;
}

void AlertView::show()
{
    present();
}

std::vector<Ref<AlertView>> AlertView::visibleAlerts()
{
    return shownOf<AlertView>();
}

void AlertView::dismissAll()
{
    for (auto& a : visibleAlerts())
        a->dismissWithClickedButtonIndex(a->cancelButtonIndex(), false);
}

Ref<ActionSheet> ActionSheet::sheet(const std::string& title, ActionSheetDelegate* delegate, const std::string& cancelButtonTitle,
                                    const std::string& destructiveButtonTitle, const std::vector<std::string>& otherButtonTitles)
{
    auto s = adoptRef(new ActionSheet);
    s->initWithFrame({});
    s->title_ = title;
    s->delegate_ = delegate;
    if (!destructiveButtonTitle.empty())
        s->destructiveIndex_ = s->addButtonWithTitle(destructiveButtonTitle);
    for (auto& t : otherButtonTitles) {
        int i = s->addButtonWithTitle(t);
        if (s->firstOther_ < 0)
            s->firstOther_ = i;
    }
    if (!cancelButtonTitle.empty())
        s->cancelIndex_ = s->addButtonWithTitle(cancelButtonTitle);
    return s;
}

void ActionSheet::showInView(View* view)
{
    if (!view) {
        logWarning("ActionSheet: showInView with a nil view");
        return;
    }
    shownIn_ = view;
    present();
}

void ActionSheet::showFromRect(const Rect&, View* view, bool)
{
    showInView(view);
}

void ActionSheet::showFromBarButtonItem(BarButtonItem*, bool)
{
    shownIn_ = nullptr;
    present();
}

std::vector<Ref<ActionSheet>> ActionSheet::visibleSheets()
{
    return shownOf<ActionSheet>();
}

void ActionSheet::dismissAll()
{
    for (auto& s : visibleSheets())
        s->dismissWithClickedButtonIndex(s->cancelButtonIndex(), false);
}

} // namespace platform::ui
