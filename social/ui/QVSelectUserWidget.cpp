// The select-user widget and its list of the device's accounts.
#include "social/ui/QVSelectUserWidget.h"

#include "platform/device/Device.h"
#include "platform/foundation/Format.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/AlertView.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;


// ---------------------------------------------------------------------------
// Widget

Ref<QVSelectUserWidget> QVSelectUserWidget::widgetWithFrame(const platform::Rect& frame)
{
    auto widget = platform::adoptRef(new QVSelectUserWidget);
    if (!widget->initWithFrame(frame))
        return nullptr;
    widget->awakeFromNib();
    return widget;
}

void QVSelectUserWidget::awakeFromNib()
{
    View::awakeFromNib();
    setBackgroundColor(Color::clear());
    setOpaque(false);
    widgetController_ = platform::dynamicRef<QVSelectUserController>(QVSelectUserController::qvCreateInstance());
    widgetController_->setTableStyle(TableViewStyle::Plain);
    widgetController_->init();
    widgetController_->setOwner(this);
    View* list = widgetController_->view();
    list->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    list->setFrame(platform::Rect(0, 0, frame().size.width, frame().size.height));
    addSubview(list);
}

QVSelectUserWidget::~QVSelectUserWidget()
{
    if (widgetController_)
        widgetController_->setOwner(nullptr);
}

void QVSelectUserWidget::setUserResources(const std::vector<Ref<QVUser>>& users)
{
    if (widgetController_)
        widgetController_->replaceUsers(users);
}

void QVSelectUserWidget::reloadUserList()
{
    if (widgetController_)
        widgetController_->reloadDataFromServer();
}

void QVSelectUserWidget::setEditing(bool editing)
{
    if (widgetController_)
        widgetController_->tableView()->setEditing(editing, true);
}

void QVSelectUserWidget::clickedUser(QVUser* user)
{
    if (auto delegate = delegate_.lock())
        delegate->selectUserWidget(this, user);
}

// ---------------------------------------------------------------------------
// Controller

bool QVSelectUserController::allowEditing()
{
    return !(owner_ && owner_->disallowEdit());
}

bool QVSelectUserController::usePlainTableSectionHeaders()
{
    return !(owner_ && owner_->hideHeader());
}

std::string QVSelectUserController::getResourceDeletePromptText(Object* resource)
{
    auto* user = dynamic_cast<QVUser*>(resource);
    std::string name = user ? user->name() : std::string();
    return "You are about to remove " + name + " from this device. If " + name
        + " is not secured then the account will be lost!";
}

QVService* QVSelectUserController::getService()
{
    return &QVUserService::service();
}

void QVSelectUserController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVUserService::findUsersForLocalDeviceOnSuccess(onSuccess, onFailure);
}

void QVSelectUserController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVUser>("User");
}

void QVSelectUserController::onCellWasClicked(Object* resource, IndexPath)
{
    if (auto* user = dynamic_cast<QVUser*>(resource); user && owner_)
        owner_->clickedUser(user);
}

Ref<View> QVSelectUserController::createPlainTableSectionHeader(int section)
{
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    if (!s || s->title().empty())
        return nullptr;
    return QVControllerLoader::loadView("SelectUserWidgetHeader");
}

void QVSelectUserController::_onDataLoaded(QVPaginatedSeries* series, bool isIncremental)
{
    if (owner_ && owner_->hideHeader()) {
        QVTableSequenceControllerHelper::_onDataLoaded(series, isIncremental);
        return;
    }
    auto section = QVTableSectionDescription::sectionWithTitle(kSectionTitle, QVPaginatedSeries::paginatedSeriesFromSeries(*series));
    auto wrapped = QVPaginatedSeries::paginatedSeriesWithObject(section.get());
    wrapped->setTableMetaDataObjects(series->tableMetaDataObjects());
    QVTableSequenceControllerHelper::_onDataLoaded(wrapped.get(), isIncremental);
}

void QVSelectUserController::replaceUsers(const std::vector<Ref<QVUser>>& users)
{
    QVPaginatedSeries::Objects objects(users.begin(), users.end());
    auto series = QVPaginatedSeries::paginatedSeriesFromArray(std::move(objects));
    _onDataLoaded(series.get(), false);
}

void QVSelectUserController::onResourceWasDeleted(Object* resource)
{
    auto* user = dynamic_cast<QVUser*>(resource);
    QVProvider* provider = QVSessionRole::current().provider();
    if (!user || !provider)
        return;
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string userId = user->resourceId();
    std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    params->io("user_id", userId);
    params->io("udid", udid);
    provider->performAction(kRemovePath, params.get(), "GET",
                            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectUserController, _removeAnswered))),
                            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectUserController, _removeFailed))),
                            0, nullptr, false);
}

void QVSelectUserController::_removeAnswered(Object* request)
{
    // Removed only when the service answered (QVAnswer): its error list is no removal.
    if (!QVAnswer::document(request))
        _removeFailed(request);
}

void QVSelectUserController::_removeFailed(Object*)
{
    // The server still has the account on this device: show it again.
    reloadDataFromServer();
    AlertView::alert("", kRemoveFailedMessage, nullptr, "Ok")->show();
}

void QVSelectUserController::showLoadingScreen()
{
    hideLoadingScreen();
    View* screen = view();
    auto overlay = View::viewWithFrame(screen->frame());
    overlay->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    overlay->setBackgroundColor(Color::white(0, kOverlayAlpha));
    overlay->setOpaque(false);
    auto indicator = ActivityIndicator::withStyle(ActivityIndicator::Style::WhiteLarge);
    indicator->setFrame(platform::Rect(0, 0, screen->frame().size.width, screen->frame().size.height));
    indicator->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    indicator->setContentMode(ContentMode::Center);
    indicator->startAnimating();
    overlay->addSubview(indicator.get());
    loadingView_ = overlay;
    if (View* parent = screen->superview())
        parent->addSubview(overlay.get());
    else
        screen->addSubview(overlay.get());
}

void QVSelectUserController::hideLoadingScreen()
{
    if (!loadingView_)
        return;
    loadingView_->removeFromSuperview();
    loadingView_ = nullptr;
}

} // namespace quorvel
