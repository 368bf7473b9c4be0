// A received invitation shown as a web page ("ViewInvite").
#include "social/dashboard/invites/QVViewInviteController.h"

#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVInvitationsController.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVWebViewController.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVViewInviteController);

Ref<QVViewInviteController> QVViewInviteController::viewInviteControllerWithInviteId(const std::string& inviteId)
{
    Ref<ViewController> loaded = QVControllerLoader::load("ViewInvite");
    auto page = Ref<QVViewInviteController>(
        loaded ? requireCast<QVViewInviteController>(loaded, "The invitation page must take its invitation") : nullptr);
    if (page)
        page->setResourceId(inviteId);
    return page;
}

std::map<std::string, QVWebViewController::WebAction> QVViewInviteController::getDispatchDictionary()
{
    auto actions = QVWebViewController::getDispatchDictionary();
    actions["ignoreInvite"] = static_cast<WebAction>(&QVViewInviteController::_webActionIgnoreInvite);
    return actions;
}

void QVViewInviteController::_webActionIgnoreInvite(const std::vector<std::string>&)
{
    NavigationController* nav = navigationController();
    if (!nav)
        return;
    const auto& stack = nav->viewControllers();
    if (stack.size() >= 2)
        if (auto* list = dynamic_cast<QVInvitationsController*>(stack[stack.size() - 2].get()))
            list->notifyInviteIgnored(resourceId_);
    nav->popViewControllerAnimated(true);
}

} // namespace quorvel
