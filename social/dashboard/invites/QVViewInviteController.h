// A received invitation shown as a web page ("ViewInvite").
#pragma once

#include "social/ui/QVWebViewController.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVViewInviteController : public QVWebViewController {
    QV_DECLARE_CLASS(QVViewInviteController)
public:
    static platform::Ref<QVViewInviteController> viewInviteControllerWithInviteId(const std::string& inviteId);
    const std::string& resourceId() const { return resourceId_; }
    void setResourceId(const std::string& id) { resourceId_ = id; }

    std::string getTitle() override { return "Invitation"; }
    std::string getAction() override { return "client_webviews/invites/" + resourceId_; }
    std::map<std::string, WebAction> getDispatchDictionary() override;
    void _webActionIgnoreInvite(const std::vector<std::string>& parameters);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVViewInviteController() = default;

private:
    std::string resourceId_;
};

} // namespace quorvel
