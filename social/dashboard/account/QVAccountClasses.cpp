// The approval and account screens, made by name only: the kit's class list
// refers to this anchor, which refers to each screen's registration, so the
// linker keeps them all.
#include "social/dashboard/account/QVAccountClasses.h"
#include "social/dashboard/account/QVChangeEmailController.h"
#include "social/dashboard/account/QVChangeNameController.h"
#include "social/dashboard/account/QVChangePasswordController.h"
#include "social/dashboard/account/QVDoBootstrapController.h"
#include "social/dashboard/account/QVEnableQuorvelInDashboardController.h"
#include "social/dashboard/account/QVExistingAccountController.h"
#include "social/dashboard/account/QVExistingAccountMultipleController.h"
#include "social/dashboard/account/QVFacebookAccountLoginController.h"
#include "social/dashboard/account/QVFacebookExtendedCredentialController.h"
#include "social/dashboard/account/QVGameCenterIntegrationController.h"
#include "social/dashboard/account/QVHttpCredentialsCreateController.h"
#include "social/dashboard/account/QVIntroNavigationController.h"
#include "social/dashboard/account/QVLinkSocialNetworksController.h"
#include "social/dashboard/account/QVNewAccountController.h"
#include "social/dashboard/account/QVQuorvelAccountLoginController.h"
#include "social/dashboard/account/QVResetPasswordController.h"
#include "social/dashboard/account/QVSelectAccountTypeController.h"
#include "social/dashboard/account/QVTwitterAccountLoginController.h"
#include "social/dashboard/account/QVTwitterExtendedCredentialController.h"
#include "social/dashboard/account/QVUseNewOrOldAccountController.h"
#include "social/dashboard/account/QVUserQuorvelApprovalController.h"
#include "social/ui/QVClassRegistry.h"

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
