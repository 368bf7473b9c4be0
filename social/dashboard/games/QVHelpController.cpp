// The help page's registration.
#include "social/dashboard/games/QVHelpController.h"

namespace quorvel {

QV_REGISTER_CLASS(QVHelpController);

} // namespace quorvel
