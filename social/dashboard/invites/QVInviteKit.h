// What the invitation screens share: the list of chosen friends or contacts,
// the alert they show, the invite icon in its frame, and the single section
// of objects their lists answer with.
#pragma once

#include "platform/foundation/Object.h"

#include <string>
#include <vector>

namespace platform::ui {
class ImageView;
}

namespace quorvel {

class QVImageView;
class QVPaginatedSeries;
class QVTableControllerHelper;

using QVObjects = std::vector<platform::Ref<platform::Object>>;

namespace invites {

void alert(const std::string& title, const std::string& message);
// The invite icon and its stretchable frame, as the type header and completion screen show them.
void setUpInviteIcon(QVImageView* icon, platform::ui::ImageView* frame);
// One section (titled or not) holding the objects, as a list answer.
platform::Ref<QVPaginatedSeries> sectionAnswer(const std::string& title, const QVObjects& objects);
void titleFirstSection(QVTableControllerHelper& list, const std::string& title);

} // namespace invites

} // namespace quorvel
