// QVGameDiscoveryController: the games tab's root, the discovery catalogue's
// top page.
#pragma once

#include "social/dashboard/games/QVPlayedGameController.h"

#include <array>
#include <string>

namespace quorvel {

class QVGameDiscoveryController : public QVPlayedGameController {
    QV_DECLARE_CLASS(QVGameDiscoveryController)
public:
    static constexpr const char* kFooterText = "Find more games at the Quorvel web site";

    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    std::string getNoDataFoundMessage() override { return "No game categories were found. This is probably an error."; }
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVGameDiscoveryController();
};

} // namespace quorvel
