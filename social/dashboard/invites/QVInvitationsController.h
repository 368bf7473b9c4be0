// The received invitations ("Invitations") and their rows.
#pragma once

#include "platform/ui/Label.h"
#include "social/services/QVInviteService.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVInviteCell : public QVResourceCell<QVInvite> {
    QV_DECLARE_CLASS(QVInviteCell)
public:
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVInvite* invite) override;
    QVImageView* inviteIcon() const { return inviteIcon_.get(); }
    platform::ui::Label* gameTitle() const { return gameTitle_.get(); }
    platform::ui::Label* invitedBy() const { return invitedBy_.get(); }
    platform::ui::Label* userMessage() const { return userMessage_.get(); }
    platform::ui::View* freshnessIndicator() const { return freshnessIndicator_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteCell() = default;

private:
    platform::Ref<QVImageView> inviteIcon_;
    platform::Ref<platform::ui::Label> gameTitle_, invitedBy_, userMessage_;
    platform::Ref<platform::ui::View> freshnessIndicator_;
};

class QVInvitationsController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVInvitationsController)
public:
    void notifyInviteIgnored(const std::string&) { reloadOnWillAppear_ = true; }
    bool reloadOnWillAppear() const { return reloadOnWillAppear_; }
    void toggleEditing();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;
    bool usePlainTableSectionHeaders() override { return true; }
    bool allowEditing() override { return true; }
    std::string getNoDataFoundMessage() override { return "You have no unviewed game invitations at this time."; }
    void onResourceWasDeleted(platform::Object* resource) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInvitationsController() = default;

private:
    void _installEditButton();
    bool reloadOnWillAppear_ { false };
};

} // namespace quorvel
