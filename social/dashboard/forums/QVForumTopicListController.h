// The game's forum topics ("Forums & Chat"); the topic without an id leads to
// the global chat rooms.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVResourceCell.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <string>

namespace quorvel {

class QVForumTopicListController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVForumTopicListController)
public:
    static platform::Ref<QVForumTopicListController> topicBrowser();

    std::string getNoDataFoundMessage() override { return "There are no available discussions"; }
    bool usePlainTableSectionHeaders() override { return true; }
    std::optional<std::string> getTableHeaderControllerName() override { return std::nullopt; }
    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumTopicListController() = default;
};

class QVForumTopicCell : public QVResourceCell<QVForumTopic> {
    QV_DECLARE_CLASS(QVForumTopicCell)
public:
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::ImageView* topicIcon() const { return topicIcon_.get(); }
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVForumTopic* topic) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVForumTopicCell() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::ImageView> topicIcon_;
};

} // namespace quorvel
