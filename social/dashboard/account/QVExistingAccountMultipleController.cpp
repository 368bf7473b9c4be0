// The multiple-account screen's registration; what it does is the
// existing-account screen's, with the list of accounts.
#include "social/dashboard/account/QVExistingAccountMultipleController.h"

namespace quorvel {

QV_REGISTER_CLASS(QVExistingAccountMultipleController);

} // namespace quorvel
