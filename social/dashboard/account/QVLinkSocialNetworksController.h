// "LinkSocialNetworks": offers Facebook, Twitter, location and online status
// at the end of the account set-up sequence.
#pragma once

#include "platform/ui/ActivityIndicator.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/common/QVFriendImporter.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVSelectUserWidget.h"

namespace quorvel {

class QVLinkSocialNetworksController : public QVViewController {
    QV_DECLARE_CLASS(QVLinkSocialNetworksController)
public:
    static bool hasSessionSeenLinkSocialNetworksScreen();
    static void invalidateSessionSeenLinkSocialNetworksScreen();
    void setCompleteDelegate(const QVDelegate& d) { mOnCompletionDelegate = d; }
    void onImportFromFacebook();
    void onImportFromTwitter();
    void onSkip();

    platform::ui::Button* connectTwitterButton() { view(); return mBtnConnectTwitter.get(); }
    platform::ui::Button* connectFacebookButton() { view(); return mBtnConnectFacebook.get(); }
    platform::ui::Switch* shareLocationSwitch() { view(); return mShareLocationSwitch.get(); }
    platform::ui::Switch* shareOnlineStatusSwitch() { view(); return mShareOnlineStatusSwitch.get(); }
    platform::ui::Button* continueButton() { view(); return continueButton_.get(); }
    QVFriendImporter* importer() const { return mImporter.get(); }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    QVLinkSocialNetworksController();
    ~QVLinkSocialNetworksController() override;

private:
    platform::Ref<QVFriendImporter> mImporter;
    QVDelegate mOnCompletionDelegate;
    bool mShareLocationOriginalState { false };
    bool mShareOnlineStatusOriginalState { false };
    platform::Ref<platform::ui::Label> mAppNameLabel;
    platform::Ref<platform::ui::Button> mBtnConnectTwitter;
    platform::Ref<platform::ui::Button> mBtnConnectFacebook;
    platform::Ref<platform::ui::Switch> mShareLocationSwitch;
    platform::Ref<platform::ui::Switch> mShareOnlineStatusSwitch;
    platform::Ref<platform::ui::Button> continueButton_;
};

} // namespace quorvel
