// A user shown beside a comparison: the picture and the gamer score.
#include "social/ui/QVProfileComparisonUser.h"

#include "social/services/QVUser.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVFriendPickerDelegate.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVScreenProtocols.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;

bool QVProfileComparisonUser::initWithFrame(const Rect& frame)
{
    if (!View::initWithFrame(frame))
        return false;
    build(false);
    return true;
}

bool QVProfileComparisonUser::initWithCoder(const InterfaceCoder& coder)
{
    if (!View::initWithCoder(coder))
        return false;
    build(true);
    return true;
}

void QVProfileComparisonUser::build(bool fromInterface)
{
    Rect b = bounds();
    float side = std::min(b.size.width, b.size.height - 16);
    avatar_ = QVImageView::imageViewWithFrame(Rect(std::round((b.size.width - side) / 2), 0, side, std::max(0.0f, side)));
    addSubview(avatar_.get());
    score_ = Label::labelWithFrame(Rect(0, b.size.height - 16, b.size.width, 16));
    score_->setTextAlignment(platform::TextAlignment::Center);
    score_->setBackgroundColor(std::nullopt);
    addSubview(score_.get());
    // Interface-built comparisons stand sideways in landscape.
    if (fromInterface && QVDashboardRole::current().isInLandscapeMode())
        avatar_->setTransform(platform::AffineTransform { 0, 1, -1, 0, 0, 0 });
}

void QVProfileComparisonUser::setUser(QVUser* user)
{
    user_ = user;
    if (avatar_) {
        avatar_->setUseFacebookOverlay(false);
        avatar_->useProfilePictureFromUser(user);
    }
    if (score_)
        score_->setText(user ? std::to_string(static_cast<int>(user->gamerScore())) : std::string());
}

} // namespace quorvel
