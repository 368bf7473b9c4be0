// The layouts of the list kit that exist as layouts only: the plain section
// header of list screens (a label tagged 1 on a strip) and the select-user
// list's header.
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Label.h"
#include "social/ui/QVDashboardRole.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

namespace {

constexpr float kPlainSectionHeaderHeight = 24;

std::vector<Ref<Object>> buildPlainSectionHeader(InterfaceBuilder& b)
{
    float width = QVDashboardRole::current().getDashboardBounds().size.width;
    auto strip = b.makeView<View>(platform::Rect(0, 0, width, kPlainSectionHeaderHeight));
    strip->setBackgroundColor(Color::rgb(0.22f, 0.25f, 0.29f));
    strip->setAutoresizingMask(FlexibleWidth);
    auto label = b.makeView<Label>(platform::Rect(10, 2, width - 20, kPlainSectionHeaderHeight - 4));
    label->setTag(1);
    label->setFont(platform::Font::boldSystemFont(15).get());
    label->setTextColor(Color::whiteColor());
    label->setBackgroundColor(std::nullopt);
    label->setAutoresizingMask(FlexibleWidth);
    // A long section title ("People Who Received This Challenge") shrinks a little rather than being cut.
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumFontSize(12);
    strip->addSubview(label.get());
    return { strip };
}

// The header of the select-user list.
std::vector<Ref<Object>> buildSelectUserHeader(InterfaceBuilder& b)
{
    auto built = buildPlainSectionHeader(b);
    if (auto* label = dynamic_cast<Label*>(static_cast<View*>(built.front().get())->viewWithTag(1)))
        label->setText("Device Users");
    return built;
}

} // namespace

void QVRegisterListKitInterfaces()
{
    InterfaceRegistry::shared().registerLayout("PlainTableSectionHeaderQv", buildPlainSectionHeader);
    InterfaceRegistry::shared().registerLayout("SelectUserWidgetHeaderQv", buildSelectUserHeader);
}

[[maybe_unused]] static const bool qvListKitInterfacesRegistered = (QVRegisterListKitInterfaces(), true);

} // namespace quorvel
