// The invitation screens' shared helpers.
#include "social/dashboard/invites/QVInviteKit.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/ImageView.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVTableControllerHelper.h"

namespace quorvel::invites {

using platform::Object;
using platform::Ref;

void alert(const std::string& title, const std::string& message)
{
    platform::ui::AlertView::alert(title, message, nullptr, "OK")->show();
}

void setUpInviteIcon(QVImageView* icon, platform::ui::ImageView* frame)
{
    if (auto art = QVLoadKitImage("QVInviteIconFrame.png"))
        frame->setImage(art->stretchableImage(21, 19).get());
    icon->setUnframed(true);
    if (auto image = QVLoadKitImage("QVDefaultInviteIcon.png"))
        icon->setDefaultImage(image->image());
    icon->setShouldScaleImageToFillRect(false);
}

Ref<QVPaginatedSeries> sectionAnswer(const std::string& title, const QVObjects& objects)
{
    auto section = QVTableSectionDescription::sectionWithTitle(title, QVPaginatedSeries::paginatedSeriesFromArray(objects));
    return QVPaginatedSeries::paginatedSeriesFromArray({ Ref<Object>(section.get()) });
}

void titleFirstSection(QVTableControllerHelper& list, const std::string& title)
{
    if (list.sections() && !list.sections()->empty())
        (*list.sections())[0]->setTitle(title);
}

} // namespace quorvel::invites
