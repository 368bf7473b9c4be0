// QVGameDiscoveryController: the games tab's root, the discovery catalogue's
// top page.
#include "social/dashboard/games/QVGameDiscoveryController.h"

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/ui/QVPatternedGradientView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVGameDiscoveryController);

QVGameDiscoveryController::QVGameDiscoveryController()
{
    // A discovery page from the start, so that its first request already is one.
    scope_ = kScopeDiscovery;
}

void QVGameDiscoveryController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                      const QVDelegate& onFailure)
{
    // The catalogue's top page, by page number, so that loading more moves on.
    QVGameDiscoveryService::getDiscoveryPageNamed("", static_cast<int>(page), onSuccess, onFailure);
}

void QVGameDiscoveryController::viewWillAppear(bool animated)
{
    QVPlayedGameController::viewWillAppear(animated);
    setScope(kScopeDiscovery);
    setTargetDiscoveryPageName("");
}

void QVGameDiscoveryController::viewDidLoad()
{
    QVPlayedGameController::viewDidLoad();
    TableView* table = tableView();
    if (!table)
        return;
    float width = table->bounds().size.width;
    Ref<View> footer = View::viewWithFrame(Rect(0, 0, width, 44));
    footer->setBackgroundColor(Color::rgb(0.36f, 0.37f, 0.39f));
    footer->addSubview(QVPatternedGradientView::viewWithFrame(footer->bounds(), std::nullopt,
                                                              "QVGameDiscoveryGreyBG.png")
                           .get());
    Ref<ImageView> top = ImageView::imageViewWithFrame(Rect(0, 0, width, 2));
    top->setImage(QVLoadKitImage("QVGameDiscoveryDividerTop.png").get());
    Ref<ImageView> bottom = ImageView::imageViewWithFrame(Rect(0, 42, width, 2));
    bottom->setImage(QVLoadKitImage("QVGameDiscoveryDividerBottom.png").get());
    Ref<Label> label = layout::makeLabel(Rect(10, 2, width - 20, 40), 14, true);
    label->setText(kFooterText);
    label->setTextColor(Color::whiteColor());
    label->setShadowColor(Color::white(0));
    label->setTextAlignment(platform::TextAlignment::Center);
    label->setAdjustsFontSizeToFitWidth(true);
    layout::addSubviews(footer, { top.get(), bottom.get(), label.get() });
    table->setTableFooterView(footer.get());
}

} // namespace quorvel
