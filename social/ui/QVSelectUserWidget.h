// The device's accounts for choosing: QVSelectUserWidget is the view an
// account screen places; it embeds QVSelectUserController, a list of the
// users who have played on this device (from the server, or handed in), tells
// its delegate which user was tapped and, in editing mode, removes an account
// from the device after the player confirmed the warning that names the user
// twice.
//
// The row goes at once; the server is told silently. When the server refuses,
// the list is loaded again from the server (so the account shows again) and
// an alert says the account could not be removed.
#pragma once

#include "platform/foundation/Weak.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <vector>

namespace quorvel {

class QVUser;
class QVSelectUserWidget;

class QVSelectUserWidgetDelegate {
public:
    virtual ~QVSelectUserWidgetDelegate() = default;
    virtual void selectUserWidget(QVSelectUserWidget* widget, QVUser* user) = 0;
};

class QVSelectUserController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVSelectUserController)
public:
    static constexpr const char* kSectionTitle = "Device Users";
    static constexpr const char* kRemovePath = "users/remove_from_device.xml";
    static constexpr const char* kRemoveFailedMessage = "The account could not be removed from this device.";
    static constexpr float kOverlayAlpha = 0.75f;

    QVSelectUserWidget* owner() const { return owner_; }
    void setOwner(QVSelectUserWidget* owner) { owner_ = owner; }
    // Shows exactly these users, without a request.
    void replaceUsers(const std::vector<platform::Ref<QVUser>>& users);
    platform::ui::View* loadingView() const { return loadingView_.get(); }

    bool canReceiveCallbacksNow() override { return true; }
    bool allowPagination() override { return false; }
    bool allowEditing() override;
    bool usePlainTableSectionHeaders() override;
    bool shouldConfirmResourceDeletion() override { return true; }
    std::string getResourceDeletePromptText(platform::Object* user) override;
    std::string getResourceDeleteConfirmText() override { return "Remove"; }
    std::string getResourceDeleteCancelText() override { return "Cancel"; }
    QVService* getService() override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    platform::Ref<platform::ui::View> createPlainTableSectionHeader(int section) override;
    void onResourceWasDeleted(platform::Object* user) override;
    void showLoadingScreen() override;
    void hideLoadingScreen() override;
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectUserController() = default;

private:
    void _removeAnswered(platform::Object* request);
    void _removeFailed(platform::Object* request);

    QVSelectUserWidget* owner_ { nullptr }; // the widget owns this controller and clears the link
    platform::Ref<platform::ui::View> loadingView_;
};

class QVSelectUserWidget : public platform::ui::View {
    QV_DECLARE_CLASS(QVSelectUserWidget)
public:
    // A widget made in code (as its layout would make it).
    static platform::Ref<QVSelectUserWidget> widgetWithFrame(const platform::Rect& frame);
    void awakeFromNib() override;

    QVSelectUserWidgetDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(QVSelectUserWidgetDelegate* d) { delegate_ = d; }
    bool hideHeader() const { return hideHeader_; }
    void setHideHeader(bool hide) { hideHeader_ = hide; }
    bool disallowEdit() const { return disallowEdit_; }
    void setDisallowEdit(bool disallow) { disallowEdit_ = disallow; }
    QVSelectUserController* widgetController() const { return widgetController_.get(); }

    void setUserResources(const std::vector<platform::Ref<QVUser>>& users);
    void reloadUserList();
    void setEditing(bool editing);
    void clickedUser(QVUser* user);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectUserWidget() = default;
    ~QVSelectUserWidget() override;

private:
    platform::Ref<QVSelectUserController> widgetController_;
    platform::WeakLink<QVSelectUserWidgetDelegate> delegate_; // the account screen
    bool hideHeader_ { false };
    bool disallowEdit_ { false };
};

} // namespace quorvel
