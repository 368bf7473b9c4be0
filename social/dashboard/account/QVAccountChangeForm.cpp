// What the account change forms share: the "id" parameter, the confirmation
// screen and their fields by tag.
#include "social/dashboard/account/QVAccountChangeForm.h"

#include "platform/ui/NavigationController.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVViewHelper.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Ref;

std::string QVAccountChangeForm::textWithTag(View* root, int tag)
{
    View* view = QVViewHelper::findViewByTag(root, tag);
    if (auto* f = dynamic_cast<TextField*>(view))
        return f->text();
    return {};
}

void QVAccountChangeForm::setTextWithTag(View* root, int tag, const std::string& text)
{
    if (auto* f = dynamic_cast<TextField*>(QVViewHelper::findViewByTag(root, tag)))
        f->setText(text);
}

void QVAccountChangeForm::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    std::string id = hiddenUserId();
    params.io("id", id);
}

void QVAccountChangeForm::pushConfirmation(const std::string& title, const std::string& message)
{
    Ref<ViewController> screen = QVControllerLoader::load("ShowMessageAndReturn");
    NavigationController* nav = navigationController();
    if (!screen || !nav)
        return;
    auto* shown = requireCast<QVShowMessageAndReturnController>(screen, "The message screen must show its message");
    shown->messageTitleLabel()->setText(title);
    shown->messageLabel()->setText(message);
    nav->pushViewController(screen.get(), true);
}

} // namespace quorvel
