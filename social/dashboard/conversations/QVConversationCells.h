// The rows of a conversation: QVConversationCell shows a post as a speech
// bubble (green for the player's own, grey for the other player's);
// QVOnlineStatusCell a line each time the other player's online state is learnt.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/services/QVForumService.h"
#include "social/services/QVGamePlayer.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVResourceCell.h"

namespace quorvel {

class QVUser;

class QVConversationCell : public QVResourceCell<QVForumPost> {
    QV_DECLARE_CLASS(QVConversationCell)
public:
    static constexpr float kMinHeight = 64;
    // The body starts below the author line; the bubble is this much taller than the body.
    static constexpr float kBodyTop = 30;
    static constexpr float kBubbleMargin = 8;

    QVImageView* authorPictureView() const { return authorPictureView_.get(); }
    platform::ui::Label* authorLabel() const { return authorLabel_.get(); }
    platform::ui::Label* bodyLabel() const { return bodyLabel_.get(); }
    platform::ui::Label* dateLabel() const { return dateLabel_.get(); }
    platform::ui::ImageView* bubbleView() const { return bubbleView_; }
    platform::ui::ImageView* greenBubbleView() const { return greenBubbleView_.get(); }
    platform::ui::ImageView* greyBubbleView() const { return greyBubbleView_.get(); }

    void clickedAuthorProfileView();
    bool initQVTableCellHelper(const std::string& name) override;
    void showResource(QVForumPost* post) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVConversationCell() = default;

private:
    platform::Ref<QVImageView> authorPictureView_;
    platform::Ref<platform::ui::Label> authorLabel_;
    platform::Ref<platform::ui::Label> bodyLabel_;
    platform::Ref<platform::ui::Label> dateLabel_;
    platform::Ref<platform::ui::ImageView> greenBubbleView_;
    platform::Ref<platform::ui::ImageView> greyBubbleView_;
    platform::Ref<platform::ui::ImageView> arrowView_;
    platform::ui::ImageView* bubbleView_ { nullptr }; // one of the two bubbles above
    platform::Ref<QVUser> author_;
};

class QVOnlineStatusCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVOnlineStatusCell)
public:
    QVOnlineStatus* status() const { return status_.get(); }
    platform::ui::Label* statusLabel() const { return textLabel_.get(); }

    bool initQVTableCellHelper(const std::string& name) override;
    void onResourceChanged(platform::Object* resource) override;
    bool hasConstantHeight() override { return true; }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVOnlineStatusCell() = default;

private:
    platform::Ref<QVOnlineStatus> status_;
    platform::Ref<platform::ui::Label> textLabel_;
};

} // namespace quorvel
