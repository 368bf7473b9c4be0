// The approval and account screens, made by name only: the kit's class list
// refers to this anchor, which refers to each screen's registration, so the
// linker keeps them all.
#include "social/ui/QVClassRegistry.h"
#include "social/dashboard/account/QVAccountClasses.h"
#include "social/dashboard/account/QVAccountChangeControllers.h"
#include "social/dashboard/account/QVAccountLoginControllers.h"
#include "social/dashboard/account/QVApprovalControllers.h"
#include "social/dashboard/account/QVDoBootstrapController.h"
#include "social/dashboard/account/QVExistingAccountController.h"
#include "social/dashboard/account/QVNewAccountController.h"
#include "social/dashboard/account/QVLinkSocialNetworksController.h"
#include "social/dashboard/account/QVGameCenterIntegrationController.h"
#include "social/dashboard/account/QVIntroNavigationController.h"
#include "social/dashboard/account/QVFacebookAccountLoginController.h"
#include "social/dashboard/account/QVTwitterAccountLoginController.h"
#include "social/dashboard/account/QVFacebookExtendedCredentialController.h"
#include "social/dashboard/account/QVTwitterExtendedCredentialController.h"
#include "social/dashboard/account/QVUseNewOrOldAccountController.h"

#define QV_ACCOUNT_CLASSES(X)                                                                                      \
    X(QVIntroNavigationController)                                                                                 \
    X(QVDoBootstrapController)                                                                                     \
    X(QVExistingAccountController)                                                                                 \
    X(QVExistingAccountMultipleController)                                                                         \
    X(QVNewAccountController)                                                                                      \
    X(QVLinkSocialNetworksController)                                                                              \
    X(QVGameCenterIntegrationController)                                                                           \
    X(QVUserQuorvelApprovalController)                                                                             \
    X(QVEnableQuorvelInDashboardController)                                                                        \
    X(QVQuorvelAccountLoginController)                                                                             \
    X(QVHttpCredentialsCreateController)                                                                           \
    X(QVSelectAccountTypeController)                                                                               \
    X(QVFacebookAccountLoginController)                                                                            \
    X(QVTwitterAccountLoginController)                                                                             \
    X(QVFacebookExtendedCredentialController)                                                                      \
    X(QVTwitterExtendedCredentialController)                                                                       \
    X(QVChangeEmailController)                                                                                     \
    X(QVChangeNameController)                                                                                      \
    X(QVChangePasswordController)                                                                                  \
    X(QVResetPasswordController)                                                                                   \
    X(QVUseNewOrOldAccountController)

namespace quorvel {

void QVRegisterAccountClasses()
{
#define QV_REGISTER_AGAIN(Class) QVClassRegistry::registerClass(#Class, &Class::qvCreateInstance);
    QV_ACCOUNT_CLASSES(QV_REGISTER_AGAIN)
#undef QV_REGISTER_AGAIN
}

} // namespace quorvel
