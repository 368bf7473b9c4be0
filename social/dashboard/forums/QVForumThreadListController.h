// The threads of a forum topic.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVForumTopic;

class QVForumThreadListController : public QVTableSequenceControllerHelper, public QVForumTopicScreen {
    QV_DECLARE_CLASS(QVForumThreadListController)
public:
    QVForumTopic* topic() const { return topic_.get(); }
    void setTopic(QVForumTopic* topic) { topic_ = topic; }
    void showTopic(QVForumTopic* topic) override { setTopic(topic); }
    // "setTopic", for the screens that open a topic's threads by name.
    bool performSetter(const std::string& setterName, platform::Object* value) override;
    bool justPostedNewThread() const { return justPostedNewThread_; }
    void _post();

    std::string getNoDataFoundMessage() override { return "There are no discussions"; }
    bool usePlainTableSectionHeaders() override { return true; }
    bool shouldAlwaysRefreshWhenShown() override { return justPostedNewThread_; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumThreadListController() = default;

private:
    platform::Ref<QVForumTopic> topic_;
    bool justPostedNewThread_ { false };
};

class QVForumThreadCell : public QVResourceCell<QVForumThread> {
    QV_DECLARE_CLASS(QVForumThreadCell)
public:
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* stickyLabel() const { return stickyLabel_.get(); }
    platform::ui::Label* postsCountLabel() const { return postsCountLabel_.get(); }
    platform::ui::Label* lastPostByLabel() const { return lastPostByLabel_.get(); }
    platform::ui::ImageView* favoritedIcon() const { return favoritedIcon_.get(); }
    platform::ui::ImageView* threadStatusIcon() const { return threadStatusIcon_.get(); }
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVForumThread* thread) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumThreadCell() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> stickyLabel_;
    platform::Ref<platform::ui::Label> postsCountLabel_;
    platform::Ref<platform::ui::Label> lastPostByLabel_;
    platform::Ref<platform::ui::ImageView> favoritedIcon_;
    platform::Ref<platform::ui::ImageView> threadStatusIcon_;
};

} // namespace quorvel
