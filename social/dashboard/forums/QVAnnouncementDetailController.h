// QVAnnouncementDetailController ("AnnouncementDetail"): one announcement as
// a thread view: a header with its title, first post and optional buy button,
// and the other posts as its discussion.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SegmentedControl.h"
#include "social/dashboard/forums/QVForumThreadViewController.h"

namespace quorvel {

class QVAnnouncement;
class QVForumPost;

class QVAnnouncementDetailController : public QVForumThreadViewController {
    QV_DECLARE_CLASS(QVAnnouncementDetailController)
public:
    static constexpr float kMinDetailHeight = 124;

    static platform::Ref<QVAnnouncementDetailController> announcementDetail(QVAnnouncement* announcement);

    QVForumPost* firstPost() const { return firstPost_.get(); }
    bool showCloseButton() const { return showCloseButton_; }
    void setShowCloseButton(bool show) { showCloseButton_ = show; }
    platform::ui::SegmentedControl* segments() const { return segments_.get(); }
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* bodyLabel() const { return bodyLabel_.get(); }
    platform::ui::View* headerToolbarView() const { return headerToolbarView_.get(); }
    platform::ui::Button* buyButton() const { return buyButton_.get(); }

    void segmentTapped(platform::Object* sender);
    void pressedBuy();
    // Builds the header's views (the "AnnouncementDetailHeader" layout).
    platform::Ref<platform::ui::View> buildHeader(platform::ui::InterfaceBuilder& b);

    bool usesHeaderResource() override { return true; }
    int getHeaderResourceSectionIndex() override { return 0; }
    void onHeaderResourceDownloaded(platform::Object* resource) override;
    std::optional<std::string> getTableHeaderViewName() override { return std::string("AnnouncementDetailHeader"); }
    QVService* getService() override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    std::string getNoDataFoundMessage() override;
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    void onTableFooterCreated(platform::ui::ViewController* footer) override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVAnnouncementDetailController() = default;

private:
    bool isLocked() const;

    platform::Ref<QVForumPost> firstPost_;
    bool showCloseButton_ { false };
    platform::Ref<platform::ui::SegmentedControl> segments_;
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> bodyLabel_;
    platform::Ref<platform::ui::Label> discussionLabel_;
    platform::Ref<platform::ui::View> bodyWrapperView_;
    platform::Ref<platform::ui::View> detailWrapperView_;
    platform::Ref<platform::ui::View> headerToolbarView_;
    platform::Ref<platform::ui::Button> buyButton_;
};

} // namespace quorvel
