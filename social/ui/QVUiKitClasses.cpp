// The kit's classes that are created by name only: referring to each one's
// registration here makes the linker keep its source file, so every lookup
// finds the whole kit.
#include "social/ui/QVClassRegistry.h"

#define QV_KIT_CLASSES(X)                                                                                          \
    X(QVBadgeView)                                                                                                 \
    X(QVGreenBadgeView)                                                                                            \
    X(QVRedBadgeView)                                                                                              \
    X(QVBadgeButton)                                                                                               \
    X(QVTabBar)                                                                                                    \
    X(QVTabBarContainer)                                                                                           \
    X(QVTabBarItem)                                                                                                \
    X(QVSegmentedView)                                                                                             \
    X(QVPatternedGradientView)                                                                                     \
    X(QVRoundedRectView)                                                                                           \
    X(QVPageSelectionView)                                                                                         \
    X(QVViewController)                                                                                            \
    X(QVNavigationController)                                                                                      \
    X(QVLoadingView)                                                                                               \
    X(QVLoadingController)                                                                                         \
    X(QVDefaultButton)                                                                                             \
    X(QVButtonPanel)                                                                                               \
    X(QVDeadEndErrorController)                                                                                    \
    X(QVShowMessageAndReturnController)                                                                            \
    X(QVImageView)                                                                                                 \
    X(QVChoiceListController)                                                                                      \
    X(QVToggleControl)                                                                                             \
    X(QVDefaultTextField)                                                                                          \
    X(QVAccountClasses)                                                                                            \
    X(QVRootController)                                                                                            \
    X(QVWebViewController)                                                                                         \
    X(QVWebNavController)                                                                                          \
    X(QVFriendPickerController)                                                                                    \
    X(QVFramedNavigationController)                                                                                \
    X(QVTabBarController)                                                                                          \
    X(QVTabbedPageHeaderController)                                                                                \
    X(QVResumeView)                                                                                                \
    X(QVKitInterfaces)                                                                                             \
    X(QVTableCellHelper)                                                                                           \
    X(QVTableControllerHelper)                                                                                     \
    X(QVFormControllerHelper)                                                                                      \
    X(QVTableSequenceControllerHelper)                                                                             \
    X(QVListKitInterfaces)                                                                                         \
    X(QVSelectUserWidget)                                                                                          \
    X(QVUserCell)                                                                                                  \
    X(QVSelectableUserCell)

namespace quorvel {

#define QV_DECLARE_ANCHOR(Class) void qvClassAnchor_##Class();
QV_KIT_CLASSES(QV_DECLARE_ANCHOR)
#undef QV_DECLARE_ANCHOR

void QVClassRegistry::linkKitClasses()
{
    static const bool linked = [] {
#define QV_CALL_ANCHOR(Class) qvClassAnchor_##Class();
        QV_KIT_CLASSES(QV_CALL_ANCHOR)
#undef QV_CALL_ANCHOR
        return true;
    }();
    (void)linked;
}

} // namespace quorvel
