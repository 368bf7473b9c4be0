// The rows list screens put around their objects, and the user row:
// - QVDefaultLeadingCell ("DefaultLeading"): a section's header row, a title
//   with up to three small pictures (one left, two right); comparison lists
//   show the two players' pictures at the right;
// - QVPlainMessageTrailingCell ("PlainMessageTrailing") and
//   QVTrailingViewAllCell ("TrailingViewAll"): one label after a section;
// - QVPlainTableHeaderController ("PlainTableHeader"): a 60-point label on a
//   stretchable strip, as wide as the table it is sized for;
// - QVUserCell ("User"): a user's picture, name, score, what they play and
//   whether the player follows them; QVSelectableUserCell ("SelectableUser")
//   adds a check box.
// Without layouts each builds its own subviews; the outlets are the same.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/ui/QVTableControllerHelper.h"
#include "social/ui/QVToggleControl.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVUser;

class QVDefaultLeadingCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVDefaultLeadingCell)
public:
    static constexpr float kIconMargin = 10;

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;

    platform::ui::Label* headerLabel() const { return headerLabel_.get(); }
    platform::ui::View* headerContainerView() const { return headerContainerView_.get(); }
    QVImageView* leftIconView() const { return leftIconView_.get(); }
    platform::ui::Button* leftIconButton() const { return leftIconButton_.get(); }
    QVImageView* rightIconView() const { return rightIconView_.get(); }
    QVImageView* secondFromRightIconView() const { return secondFromRightIconView_.get(); }

    void enableLeftIconView();
    void enableLeftIconViewWithImageUrl(const std::optional<std::string>& url, const std::string& defaultImage);
    void enableRightIconView() { _enableRightAlignedView(rightIconView_.get()); }
    void enableSecondFromRightIconView() { _enableRightAlignedView(secondFromRightIconView_.get()); }
    void enableBothRightIconViews();
    void disableRightIconView() { _disableRightAlignedView(rightIconView_.get()); }
    void disableSecondFromRightIconView() { _disableRightAlignedView(secondFromRightIconView_.get()); }
    void disableBothRightIconViews();
    // The local player's picture and, for another user, that user's picture at the right.
    void populateRightIconsAsComparison(QVUser* user);

    // The left picture calls the target's selector when both are set.
    void setCallbackTarget(platform::Object* target) { mCallbackTarget = target; }
    platform::Object* callbackTarget() const { return mCallbackTarget.expired() ? nullptr : mCallbackTarget.unsafeGet(); }
    void setLeftIconSelector(platform::Selector<> selector) { mLeftIconSelector = selector; }
    void onClickedLeftIcon();
    void onClickedRightIcon() { }
    void onClickedSecondFromRightIcon() { }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVDefaultLeadingCell() = default;

private:
    void _enableRightAlignedView(platform::ui::View* icon);
    void _disableRightAlignedView(platform::ui::View* icon);
    void useLocalPlayerPicture(QVImageView* view);

    platform::Ref<platform::ui::Label> headerLabel_;
    platform::Ref<platform::ui::View> headerContainerView_;
    platform::Ref<QVImageView> leftIconView_;
    platform::Ref<platform::ui::Button> leftIconButton_; // over the left picture: its tap
    platform::Ref<QVImageView> rightIconView_;
    platform::Ref<QVImageView> secondFromRightIconView_;
    platform::Weak<platform::Object> mCallbackTarget; // the list screen that set it
    platform::Selector<> mLeftIconSelector;
};

class QVPlainMessageTrailingCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVPlainMessageTrailingCell)
public:
    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    platform::ui::Label* messageLabel() const { return messageLabel_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVPlainMessageTrailingCell() = default;

private:
    platform::Ref<platform::ui::Label> messageLabel_;
};

class QVTrailingViewAllCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVTrailingViewAllCell)
public:
    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    platform::ui::Label* viewAllLabel() const { return viewAllLabel_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTrailingViewAllCell() = default;

private:
    platform::Ref<platform::ui::Label> viewAllLabel_;
};

class QVPlainTableHeaderController : public QVViewController, public QVTableControllerHeader {
    QV_DECLARE_CLASS(QVPlainTableHeaderController)
public:
    static constexpr float kHeight = 60;

    void loadView() override;
    void resizeView(platform::ui::View* tableView) override;
    platform::ui::Label* headerLabel() const { return headerLabel_.get(); }
    platform::ui::ImageView* bgView() const { return bgView_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVPlainTableHeaderController() = default;

private:
    platform::Ref<platform::ui::Label> headerLabel_;
    platform::Ref<platform::ui::ImageView> bgView_;
};

// The user row of user lists (its full form, with status and actions, belongs to the friends screens).

class QVUserCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVUserCell)
public:
    static constexpr float kHeight = 54;

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    void onResourceChanged(platform::Object* resource) override;
    // The score and its icon fade out while the row is edited.
    void setEditing(bool editing, bool animated) override;

    platform::ui::Label* nameLabel() const { return nameLabel_.get(); }
    QVImageView* profilePicture() const { return profilePicture_.get(); }
    platform::ui::Label* gamerScoreLabel() const { return gamerScoreLabel_.get(); }
    platform::ui::Label* onlineLabel() const { return onlineLabel_.get(); }
    platform::ui::Label* lastPlayedGameLabel() const { return lastPlayedGameLabel_.get(); }
    platform::ui::ImageView* quorvelScoreIconImageView() const { return scoreIcon_.get(); }
    QVUserRelationshipIndicator* relationshipIndicator() const { return relationship_.get(); }
    // Free for the lists that say how a user relates to the player (a line in
    // place of the last-played line, hidden until used) and show presence as
    // an icon beside the online label (empty until given an image).
    platform::ui::Label* relationshipDescription() const { return relationshipDescription_.get(); }
    platform::ui::ImageView* presenceIcon() const { return presenceIcon_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVUserCell() = default;

private:
    platform::Ref<platform::ui::Label> nameLabel_;
    platform::Ref<QVImageView> profilePicture_;
    platform::Ref<platform::ui::Label> gamerScoreLabel_;
    platform::Ref<platform::ui::Label> onlineLabel_;
    platform::Ref<platform::ui::Label> lastPlayedGameLabel_;
    platform::Ref<platform::ui::ImageView> scoreIcon_;
    platform::Ref<QVUserRelationshipIndicator> relationship_;
    platform::Ref<platform::ui::Label> relationshipDescription_;
    platform::Ref<platform::ui::ImageView> presenceIcon_;
};

class QVSelectableUserCell : public QVUserCell {
    QV_DECLARE_CLASS(QVSelectableUserCell)
public:
    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    void setChecked(bool checked);
    bool checked() const { return checked_; }
    platform::ui::ImageView* checkBox() const { return checkBox_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectableUserCell() = default;

private:
    platform::Ref<platform::ui::ImageView> checkBox_;
    bool checked_ { false };
};

} // namespace quorvel
