// The approval and account screens, made by name only: the kit's class list
// refers to this anchor, which refers to each screen's registration, so the
// linker keeps them all.
#include "social/ui/QVClassRegistry.h"
#include "social/ui/account/QVAccountClasses.h"
#include "social/ui/account/QVAccountChangeControllers.h"
#include "social/ui/account/QVAccountLoginControllers.h"
#include "social/ui/account/QVApprovalControllers.h"
#include "social/ui/account/QVIntroFlowControllers.h"
#include "social/ui/account/QVIntroNavigationController.h"
#include "social/ui/account/QVSocialAccountControllers.h"
#include "social/ui/account/QVUseNewOrOldAccountController.h"

#define QV_ACCOUNT_CLASSES(X)                                                                                      \
    X(QVIntroNavigationController)                                                                                 \
    X(QVDoBootstrapController)                                                                                     \
    X(QVExistingAccountController)                                                                                 \
    X(QVExistingAccountMultipleController)                                                                         \
    X(QVNewAccountController)                                                                                      \
    X(QVLinkSocialNetworksController)                                                                              \
    X(QVGameCenterIntegrationController)                                                                           \
    X(QVUserQuorvelApprovalController)                                                                             \
    X(QVWebApprovalController)                                                                                     \
    X(QVEnableQuorvelInDashboardController)                                                                        \
    X(QVQuorvelAccountLoginController)                                                                             \
    X(QVHttpCredentialsCreateController)                                                                           \
    X(QVSelectAccountTypeController)                                                                               \
    X(QVUsersCredentialCell)                                                                                       \
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

#define QV_DECLARE_ANCHOR(Class) void qvClassAnchor_##Class();
QV_ACCOUNT_CLASSES(QV_DECLARE_ANCHOR)
#undef QV_DECLARE_ANCHOR

void QVRegisterAccountClasses()
{
#define QV_REGISTER_AGAIN(Class) QVClassRegistry::registerClass(#Class, &Class::qvCreateInstance);
    QV_ACCOUNT_CLASSES(QV_REGISTER_AGAIN)
#undef QV_REGISTER_AGAIN
}

void qvClassAnchor_QVAccountClasses()
{
#define QV_CALL_ANCHOR(Class) qvClassAnchor_##Class();
    QV_ACCOUNT_CLASSES(QV_CALL_ANCHOR)
#undef QV_CALL_ANCHOR
}

} // namespace quorvel
