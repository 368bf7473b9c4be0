// QVHelpController ("Help"): the help page served by the social-gaming
// service.
#pragma once

#include "social/ui/QVWebViewController.h"

namespace quorvel {

class QVHelpController : public QVWebViewController {
    QV_DECLARE_CLASS(QVHelpController)
public:
    std::string getTitle() override { return "Help"; }
    std::string getAction() override { return "help.iphone"; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVHelpController() = default;
};

} // namespace quorvel
