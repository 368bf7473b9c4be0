// The invitation flow's first screen ("SelectInviteType"): the invitation's
// reward and two rows, friends and contacts, each with the number chosen. Each
// row opens a chooser that works on a copy and hands it back on "Done";
// "Invite" opens the compose screen.
#include "social/dashboard/invites/QVSelectInviteTypeController.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVInviteFriendsController.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVSelectContactsToInviteController.h"
#include "social/dashboard/invites/QVSelectFriendsToInviteController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVInviteService.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using layout::maxY;
using namespace invites;

QV_REGISTER_CLASS(QVSelectInviteTypeCell);
QV_REGISTER_CLASS(QVSelectInviteTypeController);

bool QVSelectInviteTypeCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    float width = layout::rowWidth();
    setFrame(Rect(0, 0, width, 50));
    iconView_ = ImageView::imageViewWithFrame(Rect(8, 9, 32, 32));
    titleLabel_ = layout::makeLabel(Rect(50, 4, width - 90, 24), 17, true);
    amountSelectedLabel_ = layout::makeLabel(Rect(50, 28, width - 90, 18), 12, false);
    layout::addSubviews(contentView(), { iconView_.get(), titleLabel_.get(), amountSelectedLabel_.get() });
    // Laid out for the dashboard's width; the row is narrower (the list's inset, the disclosure arrow).
    titleLabel_->setAutoresizingMask(FlexibleWidth);
    amountSelectedLabel_->setAutoresizingMask(FlexibleWidth);
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    return true;
}

void QVSelectInviteTypeCell::setAmountSelected(size_t count)
{
    amountSelectedLabel_->setText(std::to_string(count) + " Friends Selected");
}

Ref<QVSelectInviteTypeController> QVSelectInviteTypeController::inviteTypeControllerWithInviteIdentifier(
    const std::optional<std::string>& identifier)
{
    Ref<ViewController> loaded = QVControllerLoader::load("SelectInviteType");
    auto screen = Ref<QVSelectInviteTypeController>(
        loaded ? requireCast<QVSelectInviteTypeController>(loaded, "The invite screen must take its invitation") : nullptr);
    if (screen && identifier && !identifier->empty())
        screen->inviteId_ = identifier;
    return screen;
}

bool QVSelectInviteTypeController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setInviteIdentifier" || setterName == "setInviteId") {
        auto* boxed = dynamic_cast<platform::Boxed*>(value);
        setInviteIdentifier(boxed ? boxed->value().asString() : std::string());
        return true;
    }
    return QVTableStaticControllerHelper::performSetter(setterName, value);
}

void QVSelectInviteTypeController::setInviteIdentifier(const std::string& inviteIdentifier)
{
    inviteId_ = inviteIdentifier.empty() ? std::nullopt : std::optional<std::string>(inviteIdentifier);
}

void QVSelectInviteTypeController::openAsModalForInvite(const std::string& inviteIdentifier)
{
    if (!inviteIdentifier.empty())
        inviteId_ = inviteIdentifier;
    openAsModal();
}

void QVSelectInviteTypeController::openAsModal()
{
    navigationItem()->setLeftBarButtonItem(
        BarButtonItem::withSystemItem(BarButtonItem::SystemItem::Cancel, this,
                                      BarButtonItem::PlainAction(BRISKO_SELECTOR(QVSelectInviteTypeController, _cancelModal)))
            .get());
    QuorvelInternal::dashboardRole().presentRootControllerWithModal(QVFramedNavigationController::withRootViewController(this));
}

void QVSelectInviteTypeController::viewDidLoad()
{
    // Set here so that the screen is the same however it was loaded.
    setTitle("Invite");
    navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Invite", BarButtonItem::Style::Plain, this,
                                 BarButtonItem::PlainAction(BRISKO_SELECTOR(QVSelectInviteTypeController, advance)))
            .get());
    QVTableStaticControllerHelper::viewDidLoad();
}

std::optional<QVTableControllerHelper::Sections> QVSelectInviteTypeController::buildTableSectionDescriptions()
{
    QVTableSectionDescription::Cells rows;
    auto createCell = [&](int kind, const std::string& title, const std::string& icon, std::function<void()> select) {
        Ref<TableViewCell> loaded = QVControllerLoader::loadCell("SelectInviteType", this);
        auto cell = Ref<QVSelectInviteTypeCell>(
            loaded ? requireCast<QVSelectInviteTypeCell>(loaded, "An invite type row must show its type and count") : nullptr);
        if (!cell)
            return;
        cell->titleLabel()->setText(title);
        cell->iconView()->setImage(QVLoadKitImage(icon).get());
        cell->setAmountSelected(selected_[kind].size());
        cell->setCreateControllerSelector(std::move(select));
        cells_[kind] = cell;
        rows.emplace_back(cell.get());
    };
    createCell(kFriends, "Quorvel Friends", "QVSelectInviteTypeLeaf.png", [this] { inviteQuorvelFriends(); });
    createCell(kContacts, "Contacts", "QVSelectInviteTypePhone.png", [this] { inviteContacts(); });
    return Sections { QVTableSectionDescription::sectionWithTitleAndStaticCells("Select Friends To Invite", std::move(rows)) };
}

Ref<View> QVSelectInviteTypeController::tableViewViewForHeaderInSection(TableView*, int section)
{
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    if (!s)
        return nullptr;
    if (!s->headerView())
        s->setHeaderView(createPlainTableSectionHeader(section).get());
    return Ref<View>(s->headerView());
}

float QVSelectInviteTypeController::tableViewHeightForHeaderInSection(TableView* table, int section)
{
    Ref<View> header = tableViewViewForHeaderInSection(table, section);
    return header ? header->frame().size.height : 0;
}

void QVSelectInviteTypeController::onTableHeaderCreated(ViewController* header)
{
    mHeader = dynamic_cast<QVSelectInviteTypeHeaderController*>(header);
    if (mHeader)
        mHeader->enticeLabel()->setText("");
}

void QVSelectInviteTypeController::viewWillAppear(bool animated)
{
    QVTableStaticControllerHelper::viewWillAppear(animated);
    showLoadingScreen();
    QVDelegate success(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectInviteTypeController, didGetInviteDefinition)));
    QVDelegate failure(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectInviteTypeController, didFailGetInviteDefinition)));
    if (inviteId_)
        QVInviteService::getInviteDefinition(*inviteId_, success, failure);
    else
        QVInviteService::getDefaultInviteDefinitionForApplication(success, failure);
}

void QVSelectInviteTypeController::didGetInviteDefinition(Object* answer)
{
    QVInviteDefinition* definition = nullptr;
    for (const auto& o : requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series")->objects())
        if ((definition = dynamic_cast<QVInviteDefinition*>(o.get())))
            break;
    if (!definition) {
        didFailGetInviteDefinition(nullptr);
        return;
    }
    hideLoadingScreen();
    mDefinition = definition;
    if (mHeader) {
        if (!definition->inviteIconURL.empty())
            mHeader->inviteIcon()->setImageUrl(definition->inviteIconURL);
        mHeader->enticeLabel()->setText(definition->senderIncentiveText);
    }
}

void QVSelectInviteTypeController::didFailGetInviteDefinition(Object*) { hideLoadingScreen(); }

void QVSelectInviteTypeController::updateSelectedType(int kind, const QVObjects& chosen)
{
    int k = kind == kContacts ? 1 : 0;
    selected_[k] = chosen;
    if (cells_[k])
        cells_[k]->setAmountSelected(chosen.size());
}

void QVSelectInviteTypeController::tableViewDidSelectRowAtIndexPath(TableView* table, IndexPath indexPath)
{
    if (indexPath.section == 0 && indexPath.row >= 0 && indexPath.row < 2 && cells_[indexPath.row]) {
        if (auto select = cells_[indexPath.row]->createControllerSelector())
            select();
        table->deselectRowAtIndexPath(indexPath, true);
        return;
    }
    QVTableStaticControllerHelper::tableViewDidSelectRowAtIndexPath(table, indexPath);
}

void QVSelectInviteTypeController::inviteQuorvelFriends()
{
    if (auto chooser = QVSelectFriendsToInviteController::inviteController(this, selected_[0]); chooser && navigationController())
        navigationController()->pushViewController(chooser.get(), true);
}

void QVSelectInviteTypeController::inviteContacts()
{
    auto chooser = QVSelectContactsToInviteController::inviteController(this, addedContacts_, selected_[1]);
    if (chooser && navigationController())
        navigationController()->pushViewController(chooser.get(), true);
}

void QVSelectInviteTypeController::advance()
{
    if (selected_[0].empty() && selected_[1].empty()) {
        alert(kNothingChosenTitle, kNothingChosenMessage);
        return;
    }
    NavigationController* nav = navigationController();
    Ref<ViewController> loaded = QVControllerLoader::load("InviteFriends");
    auto compose = Ref<QVInviteFriendsController>(
        loaded ? requireCast<QVInviteFriendsController>(loaded, "The compose screen must take the recipients") : nullptr);
    if (!compose || !nav)
        return;
    QVObjects recipients = selected_[0];
    recipients.insert(recipients.end(), selected_[1].begin(), selected_[1].end());
    compose->setSelectedUsers(recipients);
    compose->setDefinition(mDefinition.get());
    if (Ref<BarButtonItem> left(navigationItem()->leftBarButtonItem()); left) {
        compose->setCloseInvocation([left] { left->trigger(); });
    } else {
        const auto& stack = nav->viewControllers();
        auto here = std::find_if(stack.begin(), stack.end(), [this](const auto& c) { return c.get() == this; });
        platform::Weak<NavigationController> weakNav(nav);
        if (here != stack.end() && here != stack.begin()) {
            platform::Weak<ViewController> before((here - 1)->get());
            compose->setCloseInvocation([weakNav, before] {
                auto n = weakNav.lock();
                auto b = before.lock();
                if (n && b)
                    n->popToViewController(b.get(), true);
            });
        } else {
            compose->setCloseInvocation([weakNav] {
                if (auto n = weakNav.lock())
                    n->popToRootViewControllerAnimated(true);
            });
        }
    }
    nav->pushViewController(compose.get(), true);
}

void QVSelectInviteTypeController::_cancelModal() { QuorvelInternal::dashboardRole().dismissDashboard(); }

} // namespace quorvel
