// QVExistingAccountMultipleController ("ExistingAccountMultiple"): the
// existing-account screen with the list of the device's accounts to pick from.
#pragma once

#include "social/dashboard/account/QVExistingAccountController.h"

namespace quorvel {

class QVExistingAccountMultipleController : public QVExistingAccountController {
    QV_DECLARE_CLASS(QVExistingAccountMultipleController)
protected:
    QVExistingAccountMultipleController() = default;
    bool isMultiple() const override { return true; }
};

} // namespace quorvel
