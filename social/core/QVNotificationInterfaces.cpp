// The layouts of the three notice bars: one 44-point strip whose inner view
// holds the stretchable background, the image at the left, the text and the
// status image at the right. Widths follow the bar (min(screen, 480)).
#include "platform/graphics/Font.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/core/QVNotificationView.h"
#include "social/core/QVAchievementNotificationView.h"
#include "social/core/QVChallengeNotificationView.h"
#include "social/core/QVServerNotificationView.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

namespace {

constexpr float kWidth = 320;
constexpr float kHeight = 44;

Ref<Label> makeLabel(InterfaceBuilder& b, View* parent, const Rect& frame, float size, bool bold)
{
    auto label = b.makeView<Label>(frame);
    label->setFont(bold ? platform::Font::boldSystemFont(size).get() : platform::Font::systemFont(size).get());
    label->setTextColor(Color::whiteColor());
    label->setBackgroundColor(std::nullopt);
    label->setAutoresizingMask(FlexibleWidth);
    parent->addSubview(label.get());
    return label;
}

Ref<QVImageView> makeImage(InterfaceBuilder& b, View* parent, const Rect& frame, unsigned mask)
{
    auto image = b.makeView<QVImageView>(frame);
    image->setAutoresizingMask(mask);
    image->setBackgroundColor(std::nullopt);
    image->setOpaque(false);
    parent->addSubview(image.get());
    return image;
}

// The parts every bar has; answers the inner view. The notice runs from
// beside the left image to `noticeEnd`, clear of what the bar shows at the
// right, and takes a second line rather than cutting a long text.
template <typename Bar>
View* buildBar(InterfaceBuilder& b, Bar& bar, float noticeEnd)
{
    bar.setAutoresizesSubviews(true);
    bar.setBackgroundColor(std::nullopt);
    auto inner = b.makeView<View>(Rect(0, 0, kWidth, kHeight));
    inner->setAutoresizingMask(FlexibleWidth);
    inner->setAutoresizesSubviews(true);
    inner->setBackgroundColor(std::nullopt);
    bar.addSubview(inner.get());
    auto background = makeImage(b, inner.get(), Rect(0, 0, kWidth, kHeight), FlexibleWidth);
    auto image = makeImage(b, inner.get(), Rect(8, 6, 32, 32), AutoresizingNone);
    auto notice = makeLabel(b, inner.get(), Rect(48, 0, noticeEnd - 48, kHeight), 14, true);
    notice->setNumberOfLines(2);
    notice->setLineBreakMode(platform::LineBreakMode::WordWrap);
    auto status = makeImage(b, inner.get(), Rect(kWidth - 36, 10, 24, 24), FlexibleLeftMargin);
    bar.setOutlets(notice.get(), status.get(), background.get(), image.get(), inner.get());
    return inner.get();
}

} // namespace

void QVRegisterNotificationInterfaces()
{
    auto& registry = InterfaceRegistry::shared();
    // Text, request and challenge notices share this layout, so its bar is a
    // challenge bar; the challenge parts stay empty for the others.
    registry.registerLayout("NotificationViewQv", [](InterfaceBuilder& b) {
        auto bar = b.makeView<QVChallengeNotificationView>(Rect(0, 0, kWidth, kHeight));
        View* inner = buildBar(b, *bar, kWidth - 40);
        auto icon = makeImage(b, inner, Rect(kWidth - 72, 6, 32, 32), FlexibleLeftMargin);
        auto picture = makeImage(b, inner, Rect(8, 6, 32, 32), AutoresizingNone);
        auto challenger = makeLabel(b, inner, Rect(48, 24, 200, 18), 11, false);
        bar->setChallengeOutlets(icon.get(), picture.get(), challenger.get());
        return std::vector<Ref<Object>> { bar };
    });
    registry.registerLayout("AchievementNotificationViewQv", [](InterfaceBuilder& b) {
        auto bar = b.makeView<QVAchievementNotificationView>(Rect(0, 0, kWidth, kHeight));
        View* inner = buildBar(b, *bar, kWidth - 88);
        auto value = makeLabel(b, inner, Rect(kWidth - 84, 0, 44, kHeight), 13, true);
        value->setAutoresizingMask(FlexibleLeftMargin);
        value->setTextAlignment(platform::TextAlignment::Right);
        bar->setValueOutlet(value.get());
        return std::vector<Ref<Object>> { bar };
    });
    registry.registerLayout("ServerNotificationViewQv", [](InterfaceBuilder& b) {
        auto bar = b.makeView<QVServerNotificationView>(Rect(0, 0, kWidth, kHeight));
        View* inner = buildBar(b, *bar, kWidth - 96);
        // The server's icon takes the place of the left image.
        bar->notificationImage()->setHidden(true);
        auto icon = makeImage(b, inner, Rect(8, 6, 32, 32), AutoresizingNone);
        auto top = makeLabel(b, inner, Rect(48, 3, 200, 20), 13, true);
        auto bottom = makeLabel(b, inner, Rect(48, 22, 200, 18), 11, false);
        auto number = makeLabel(b, inner, Rect(kWidth - 92, 0, 40, kHeight), 13, true);
        number->setAutoresizingMask(FlexibleLeftMargin);
        number->setTextAlignment(platform::TextAlignment::Right);
        auto smallIcon = makeImage(b, inner, Rect(kWidth - 50, 15, 14, 14), FlexibleLeftMargin);
        bar->setServerOutlets(icon.get(), top.get(), bottom.get(), number.get(), smallIcon.get());
        return std::vector<Ref<Object>> { bar };
    });
}

} // namespace quorvel
