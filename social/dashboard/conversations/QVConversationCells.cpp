// The conversation's rows: a post as a speech bubble, and the other player's
// online state.
#include "social/dashboard/conversations/QVConversationCells.h"

#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVDateFormatters.h"
#include "social/services/QVUser.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using namespace common;
using namespace layout;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVConversationCell);
QV_REGISTER_CLASS(QVOnlineStatusCell);

bool QVConversationCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, kMinHeight));
    setSelectionStyle(CellSelectionStyle::None);
    greenBubbleView_ = ImageView::imageViewWithFrame(Rect(14, 6, width - 84, 40));
    greyBubbleView_ = ImageView::imageViewWithFrame(Rect(70, 6, width - 84, 40));
    if (auto green = QVLoadKitImage("QVConversationBubbleGreen.png"))
        greenBubbleView_->setImage(green->stretchableImage(8, 16).get());
    else
        greenBubbleView_->setBackgroundColor(Color::rgb(0.72f, 0.9f, 0.6f));
    if (auto grey = QVLoadKitImage("QVConversationBubbleGrey.png"))
        greyBubbleView_->setImage(grey->stretchableImage(8, 16).get());
    else
        greyBubbleView_->setBackgroundColor(Color::rgb(0.86f, 0.86f, 0.88f));
    arrowView_ = ImageView::imageViewWithFrame(Rect(62, kBodyTop, 8, 12));
    authorPictureView_ = QVImageView::imageViewWithFrame(Rect(14, 6, 44, 44));
    authorPictureView_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVConversationCell, clickedAuthorProfileView)),
                                  TouchUpInside);
    // The author line sits above the bubble, which wraps the body alone.
    authorLabel_ = makeLabel(Rect(80, 6, 100, 16), 12, true);
    dateLabel_ = makeLabel(Rect(180, 6, width - 260, 16), 11, false);
    dateLabel_->setTextColor(Color::rgb(0.4f, 0.4f, 0.4f));
    bodyLabel_ = makeLabel(Rect(80, kBodyTop, width - 104, 25), 14, false);
    bodyLabel_->setNumberOfLines(0);
    addSubviews(contentView(), { greenBubbleView_.get(), greyBubbleView_.get(), arrowView_.get(),
                                 authorPictureView_.get(), authorLabel_.get(), dateLabel_.get(), bodyLabel_.get() });
    return true;
}

void QVConversationCell::showResource(QVForumPost* post)
{
    author_ = post->author();
    float width = frame().size.width;
    authorLabel_->setText(author_ ? author_->name() + " | " : std::string());
    dateLabel_->setText(post->date() ? normalFormatter().format(*post->date()) : std::string());
    authorPictureView_->useProfilePictureFromUser(author_.get());
    bool mine = author_ && author_->isLocalUser();
    bubbleView_ = mine ? greenBubbleView_.get() : greyBubbleView_.get();
    greenBubbleView_->setHidden(!mine);
    greyBubbleView_->setHidden(mine);

    // The local player's bubble on the left of their picture at the right; others the other way round.
    const float picture = authorPictureView_->frame().size.width;
    const float bubbleWidth = width - picture - 28 - 8;
    Rect pictureFrame = authorPictureView_->frame();
    pictureFrame.origin.x = mine ? width - 14 - picture : 14;
    authorPictureView_->setFrame(pictureFrame);
    float bubbleX = mine ? 14 : pictureFrame.origin.x + picture + 8;
    arrowView_->setTransform(platform::AffineTransform::identity());
    Rect arrow = arrowView_->frame();
    arrow.origin.x = mine ? bubbleX + bubbleWidth : bubbleX - arrow.size.width;
    arrowView_->setFrame(arrow);
    arrowView_->setTransform(mine ? platform::AffineTransform::makeRotation(3.14159265f) : platform::AffineTransform::identity());

    // The author line runs over the bubble's width: the date keeps its own, and a name too long
    // for the rest (the service allows 32 characters) ends in "…".
    const float lineRight = bubbleX + bubbleWidth - 6;
    Rect author = authorLabel_->frame();
    author.origin.x = bubbleX + 10;
    const float dateWidth = textSize(dateLabel_.get(), dateLabel_->text()).width;
    author.size.width = std::clamp(lineRight - author.origin.x - dateWidth, 0.0f,
                                   textSize(authorLabel_.get(), authorLabel_->text()).width);
    authorLabel_->setFrame(author);
    Rect date = dateLabel_->frame();
    date.origin.x = maxX(authorLabel_.get());
    date.size.width = std::max(lineRight - date.origin.x, 0.0f);
    dateLabel_->setFrame(date);

    bodyLabel_->setText(post->body());
    Rect body = bodyLabel_->frame();
    body.origin.x = bubbleX + 10;
    body.size.width = bubbleWidth - 20;
    bodyLabel_->setFrame(body);
    float bodyHeight = fitLabelHeight(bodyLabel_.get(), 25);
    // Four points of bubble above and below the body.
    Rect bubble(bubbleX, body.origin.y - kBubbleMargin / 2, bubbleWidth, bodyHeight + kBubbleMargin);
    bubbleView_->setFrame(bubble);

    Rect f = frame();
    f.size.height = std::max(body.origin.y + bodyHeight + 14, kMinHeight);
    setFrame(f);
}

void QVConversationCell::clickedAuthorProfileView()
{
    if (author_)
        QVDashboardSwitch::showProfileForUser(author_.get());
}

bool QVOnlineStatusCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = rowWidth();
    setFrame(Rect(0, 0, width, 30));
    setSelectionStyle(CellSelectionStyle::None);
    textLabel_ = makeLabel(Rect(10, 0, width - 20, 30), 12, false);
    textLabel_->setAutoresizingMask(FlexibleWidth); // the row is narrower than the dashboard
    textLabel_->setTextAlignment(platform::TextAlignment::Center);
    textLabel_->setTextColor(Color::rgb(0.4f, 0.4f, 0.4f));
    contentView()->addSubview(textLabel_.get());
    return true;
}

void QVOnlineStatusCell::onResourceChanged(Object* resource)
{
    status_ = dynamic_cast<QVOnlineStatus*>(resource);
    if (!status_)
        return;
    std::string name = status_->user() ? status_->user()->name() : std::string();
    textLabel_->setText(name + " is " + (status_->isOnline() ? "ONLINE" : "offline"));
}

} // namespace quorvel
