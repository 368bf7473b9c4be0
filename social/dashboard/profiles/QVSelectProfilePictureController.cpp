// Choosing the profile picture: the rows, selecting a source, the photo
// choice and its 50 x 50 picture, the upload and the refresh that polls the
// pictures' update times.
#include "social/dashboard/profiles/QVSelectProfilePictureController.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/dashboard/common/QVUsersCredentialCell.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/dashboard/common/QVAccountFormScreen.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVUser.h"
#include "social/services/QVUsersCredential.h"
#include "social/services/QVUsersCredentialService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVFramedContentWrapperView.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVRowLayout.h"

#include <numbers>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVProfilePictureCell);
QV_REGISTER_CLASS(QVSelectProfilePictureController);

namespace {

constexpr float kPictureSize = 50;

Ref<QVUsersCredential> newCredential()
{
    Ref<QVResource> made = QVUsersCredential::staticResourceClass().create();
    return Ref<QVUsersCredential>(requireCast<QVUsersCredential>(made, "The credential class must make credentials"));
}

// The list's header: one line saying what the rows are for.
[[maybe_unused]] const bool headerLayoutRegistered = [] {
    InterfaceRegistry::shared().registerLayout("SelectProfilePictureHeaderQv", [](InterfaceBuilder& b) {
        const float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
        auto header = b.makeView<View>(Rect(0, 0, width, 44));
        header->setBackgroundColor(std::nullopt);
        header->setAutoresizesSubviews(true);
        Ref<Label> line = layout::makeLabel(Rect(10, 4, width - 20, 36), 13, false);
        line->setText("Choose the picture other players see beside your name.");
        line->setNumberOfLines(2);
        line->setTextAlignment(platform::TextAlignment::Center);
        line->setTextColor(Color::whiteColor()); // on the list's dark background
        line->setAutoresizingMask(FlexibleWidth);
        header->addSubview(line.get());
        return std::vector<Ref<Object>> { header };
    });
    return true;
}();

} // namespace

// ---------------------------------------------------------------------------
// Row

bool QVProfilePictureCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    const float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
    setFrame(Rect(0, 0, width, kHeight));
    const Rect picture(8, 5, kPictureSize, kPictureSize);
    const float text = layout::besidePicture(picture); // clear of the picture's frame
    profilePictureView_ = QVImageView::imageViewWithFrame(picture);
    contentView()->addSubview(profilePictureView_.get());
    credentialImageView_ = ImageView::imageViewWithFrame(Rect(text, 15, 120, 30));
    contentView()->addSubview(credentialImageView_.get());
    credentialTextLabel_ = layout::makeLabel(Rect(text, 0, width - 60 - text, kHeight), 15, true);
    // Beside the picture and the check mark the text has little room: it shrinks rather than being cut.
    credentialTextLabel_->setAdjustsFontSizeToFitWidth(true);
    credentialTextLabel_->setMinimumFontSize(11);
    credentialTextLabel_->setAutoresizingMask(FlexibleWidth);
    contentView()->addSubview(credentialTextLabel_.get());
    checkmark_ = ImageView::imageViewWithImage(QVLoadKitImage("QVCheckmark.png").get());
    checkmark_->setFrame(Rect(width - 60, 20, 20, 20));
    checkmark_->setAutoresizingMask(FlexibleLeftMargin);
    contentView()->addSubview(checkmark_.get());
    return true;
}

void QVProfilePictureCell::showResource(QVUsersCredential* c)
{
    Ref<QVUser> local = QuorvelInternal::sessionRole().localUser();
    const std::string source = local && local->profilePictureSource() ? *local->profilePictureSource() : std::string();
    const bool hasPicture = local && local->profilePictureUrl() && !local->profilePictureUrl()->empty();
    // A player who never chose a source and has no picture wears the default icon: its row is checked.
    const bool checked = (source == "TwitterCredential" && c->isTwitter()) || (source == "FbconnectCredential" && c->isFacebook())
        || (source == "Upload" && c->isHttpBasic() && hasPicture)
        || ((source == "Upload" || source.empty()) && c->credentialType().empty() && !hasPicture);
    checkmark_->setHidden(!checked);

    if (!c->credentialProfilePictureUrl().empty()) {
        profilePictureView_->useProfilePicture(true, c->isFacebook(), c->credentialProfilePictureUrl());
    } else if (!c->credentialType().empty()) {
        Ref<ImageAsset> unknown = QVLoadKitImage("QVUnknownProfilePicture.png");
        profilePictureView_->setDefaultImage(unknown ? unknown->image() : nullptr);
        profilePictureView_->setImageUrl(std::nullopt);
    } else {
        // The default's row shows the default: no picture a row before it showed in this cell.
        profilePictureView_->useLocalPlayerProfilePictureDefault();
        profilePictureView_->setImageUrl(std::nullopt);
    }

    const std::optional<std::string> image = QVUsersCredentialCell::getCredentialImage(c->credentialType());
    if (image) {
        credentialImageView_->setImage(QVLoadKitImage(*image).get());
        credentialImageView_->setHidden(false);
        credentialTextLabel_->setHidden(true);
        setAccessoryType(c->isLinked() ? CellAccessoryType::None : CellAccessoryType::DisclosureIndicator);
    } else {
        credentialImageView_->setHidden(true);
        credentialTextLabel_->setHidden(false);
        if (c->isHttpBasic()) {
            credentialTextLabel_->setText("Choose your own!");
            setAccessoryType(CellAccessoryType::DisclosureIndicator);
        } else {
            credentialTextLabel_->setText("Default Quorvel Icon");
            setAccessoryType(CellAccessoryType::None);
        }
    }
}

// ---------------------------------------------------------------------------
// Screen

#define QV_PICTURE_CALLBACK(name) \
    QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectProfilePictureController, name)))

QVSelectProfilePictureController::~QVSelectProfilePictureController()
{
    if (picker_)
        picker_->setPickerDelegate(nullptr);
    if (imagePickerPopoverController_)
        imagePickerPopoverController_->setDelegate(nullptr);
    platform::NotificationCenter::defaultCenter().removeObserver(this, Quorvel::kDashboardOrientationChanged);
    // Still up, the picker (or its popover) would stay over whatever page comes next (the game
    // opened another page on this tab, say), answering nobody: it goes with its screen, on the
    // next turn rather than inside whatever let the screen go.
    if (picker_ || imagePickerPopoverController_)
        platform::RunLoop::main().post([picker = picker_, popover = imagePickerPopoverController_] {
            if (popover && popover->isPopoverVisible())
                popover->dismissPopoverAnimated(false);
            else if (picker && picker->parentViewController())
                picker->hide();
        });
}

Ref<platform::Image> QVSelectProfilePictureController::profilePictureFromImage(const platform::Image& image)
{
    Ref<platform::GraphicsContext> context
        = platform::GraphicsContext::create(kPictureSize, kPictureSize, platform::GraphicsContext::Format::RGBA);
    if (!context)
        return nullptr;
    // The picture is drawn mirrored and turned by half a turn, the way a
    // bitmap context with its origin at the bottom-left shows it upright; the
    // first two steps give this context that origin.
    context->translate(0, kPictureSize);
    context->scale(1, -1);
    context->scale(-1, 1);
    context->rotate(std::numbers::pi_v<float>);
    context->drawImage(image, Rect(0, -kPictureSize, kPictureSize, kPictureSize));
    return context->makeImage();
}

bool QVSelectProfilePictureController::isWaitingFor(int kind) const
{
    switch (kind) {
    case kFacebook:
        return facebookWaiting_;
    case kTwitter:
        return twitterWaiting_;
    case kUploaded:
        return httpBasicWaiting_;
    default:
        return false;
    }
}

void QVSelectProfilePictureController::viewDidLoad()
{
    QVTableSequenceControllerHelper::viewDidLoad();
    setTitle("Change Profile Picture");
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this, Quorvel::kDashboardOrientationChanged);
    center.addObserver(this, Quorvel::kDashboardOrientationChanged,
                       [this](const platform::Notification& n) { orientationDidChange(n); });
    refreshButton_ = BarButtonItem::withSystemItem(
        BarButtonItem::SystemItem::Refresh, this,
        BarButtonItem::PlainAction(BRISKO_SELECTOR(QVSelectProfilePictureController, _clickedRefresh)));
    navigationItem()->setRightBarButtonItem(refreshButton_.get());
}

void QVSelectProfilePictureController::viewDidAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidAppear(animated);
    if (redownloadOnNextAppear_) {
        redownloadOnNextAppear_ = false;
        refreshOnNextRedownload_ = true;
        _redownloadCredentials();
    }
}

void QVSelectProfilePictureController::orientationDidChange(const platform::Notification& n)
{
    const platform::Value& newValue = n.userInfo[Quorvel::kInfoNewOrientation];
    const platform::Value& oldValue = n.userInfo[Quorvel::kInfoOldOrientation];
    if (!newValue.isNumber() || !oldValue.isNumber() || newValue.asInt() == oldValue.asInt())
        return;
    if (Ref<PopoverController> popover = std::move(imagePickerPopoverController_)) {
        popover->setDelegate(nullptr);
        popover->dismissPopoverAnimated(true);
        forgetPicker();
    }
}

void QVSelectProfilePictureController::popoverControllerDidDismissPopover(PopoverController* popover)
{
    if (popover != imagePickerPopoverController_.get())
        return;
    imagePickerPopoverController_->setDelegate(nullptr);
    imagePickerPopoverController_ = nullptr;
    forgetPicker();
}

void QVSelectProfilePictureController::onTableHeaderCreated(ViewController*)
{
    // Inside a framed stack the screen's view is the wrapper: the list is its wrapped view.
    View* sizing = QVFramedContentWrapperView::contentOf(view());
    if (View* header = tableHeaderView(); header && sizing) {
        Rect frame = header->frame();
        frame.size.width = sizing->frame().size.width;
        header->setFrame(frame);
    }
}

QVService* QVSelectProfilePictureController::getService() { return QVUsersCredentialService::sharedService(); }

void QVSelectProfilePictureController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVUsersCredential>("ProfilePicture");
}

void QVSelectProfilePictureController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVUsersCredentialService::getProfilePictureCredentialsForLocalUserOnSuccess(onSuccess, onFailure);
}

void QVSelectProfilePictureController::onBeforeResourcesProcessed(QVPaginatedSeries* series)
{
    // The default-icon row: an empty credential after the others.
    if (series)
        series->objects().push_back(newCredential());
}

void QVSelectProfilePictureController::deselectRows()
{
    if (TableView* table = tableView())
        if (auto selected = table->indexPathForSelectedRow())
            table->deselectRowAtIndexPath(*selected, true);
}

void QVSelectProfilePictureController::onCellWasClicked(Object* resource, IndexPath indexPath)
{
    auto* c = dynamic_cast<QVUsersCredential*>(resource);
    if (!c)
        return;
    if (!c->isLinked() && (c->isFacebook() || c->isTwitter())) {
        redownloadOnNextAppear_ = true;
        auto name = QVUsersCredentialCell::getCredentialControllerName(c->credentialType());
        Ref<ViewController> link = name ? QVControllerLoader::load(*name) : nullptr;
        if (link)
            requireCast<QVAccountFormScreen>(link, "A network's form must add its credential to the account")
                ->setAddingAdditionalCredential(true);
        if (link && navigationController())
            navigationController()->pushViewController(link.get(), true);
        return;
    }
    if (!c->credentialType().empty()) {
        if (c->isHttpBasic()) {
            photoRow_ = indexPath;
            _presentCustomImageActionSheet();
            return;
        }
        showLoadingScreen();
        QVUsersCredentialService::selectProfilePictureSourceForLocalUser(
            c->credentialType(),
            QVDelegate(this, QVDelegate::Method(BRISKO_SELECTOR(QVSelectProfilePictureController, _selectSourceSuccess)), c),
            QV_PICTURE_CALLBACK(_selectSourceFailure));
    } else {
        showLoadingScreen();
        QVUsersCredentialService::uploadProfilePictureLocalUser(nullptr, QV_PICTURE_CALLBACK(_uploadSuccess),
                                                                QV_PICTURE_CALLBACK(_selectSourceFailure));
    }
    deselectRows();
}

void QVSelectProfilePictureController::_selectSourceSuccess(Object*, Object* credential)
{
    auto* c = dynamic_cast<QVUsersCredential*>(credential);
    Ref<QVUser> local = QuorvelInternal::sessionRole().localUser();
    if (c && local) {
        local->changeProfilePictureUrl(c->credentialProfilePictureUrl(), c->isFacebook(), c->isTwitter(), c->isHttpBasic());
        QuorvelInternal::sessionRole().setLocalUser(local.get());
    }
    if (TableView* table = tableView())
        table->reloadData();
    hideLoadingScreen();
}

void QVSelectProfilePictureController::_selectSourceFailure(Object*)
{
    hideLoadingScreen();
    common::showAlert(kProblemTitle, kSaveFailed, "Ok");
}

// ---- Photo choice

void QVSelectProfilePictureController::_presentCustomImageActionSheet()
{
    if (!ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType::Camera)) {
        showPicker(ImagePickerSourceType::PhotoLibrary);
        return;
    }
    if (photoSheet_) // a sheet still up is replaced: its answer no longer reaches this screen
        photoSheet_->setDelegate(nullptr);
    photoSheet_ = ActionSheet::sheet("", this, "Cancel", "", { "Take Photo With Camera", "Choose From Library" });
    photoSheet_->setActionSheetStyle(ActionSheet::Style::BlackTranslucent);
    View* in = QuorvelInternal::dashboardRole().getTopLevelView();
    photoSheet_->showInView(in ? in : view());
}

void QVSelectProfilePictureController::actionSheetDidDismissWithButtonIndex(ActionSheet* sheet, int index)
{
    if (!sheet || sheet != photoSheet_.get()) {
        QVTableSequenceControllerHelper::actionSheetDidDismissWithButtonIndex(sheet, index);
        return;
    }
    Ref<QVSelectProfilePictureController> keep(this);
    photoSheet_ = nullptr;
    const std::string title = sheet->buttonTitleAtIndex(index);
    if (title == "Take Photo With Camera")
        showPicker(ImagePickerSourceType::Camera);
    else if (title == "Choose From Library")
        showPicker(ImagePickerSourceType::PhotoLibrary);
}

void QVSelectProfilePictureController::showPicker(ImagePickerSourceType source)
{
    if (imagePickerPopoverController_ || picker_)
        hidePicker();
    picker_ = QVCustomImagePickerController::customPicker();
    if (!picker_)
        return;
    picker_->setSourceType(source);
    picker_->setAllowsEditing(true);
    picker_->setPickerDelegate(this);
    if (QuorvelInternal::dashboardRole().isLargeScreen()) {
        // A popover pointing at the row's credential image.
        View* anchor = nullptr;
        if (TableView* table = tableView(); table && photoRow_)
            if (auto* cell = dynamic_cast<QVProfilePictureCell*>(table->cellForRowAtIndexPath(*photoRow_)))
                anchor = cell->credentialImageView();
        imagePickerPopoverController_ = PopoverController::withContentViewController(picker_.get());
        imagePickerPopoverController_->setDelegate(this);
        if (anchor && anchor->superview())
            imagePickerPopoverController_->presentFromRect(anchor->frame(), anchor->superview(), PopoverArrowAny, true);
        else
            imagePickerPopoverController_->presentFromRect(view()->bounds(), view(), PopoverArrowAny, true);
        return;
    }
    ViewController* whenNoRoot = navigationController() ? static_cast<ViewController*>(navigationController()) : this;
    picker_->show(whenNoRoot);
}

void QVSelectProfilePictureController::forgetPicker()
{
    if (picker_)
        picker_->setPickerDelegate(nullptr);
    picker_ = nullptr;
}

void QVSelectProfilePictureController::hidePicker()
{
    if (Ref<PopoverController> popover = std::move(imagePickerPopoverController_)) {
        popover->setDelegate(nullptr);
        popover->dismissPopoverAnimated(true);
        forgetPicker();
        return;
    }
    if (!picker_)
        return;
    Ref<QVCustomImagePickerController> picker = picker_;
    forgetPicker();
    picker->hide();
}

void QVSelectProfilePictureController::imagePickerControllerDidFinishPickingMedia(ImagePickerController*,
                                                                                  const PickedMedia& media)
{
    Ref<QVSelectProfilePictureController> keep(this);
    hidePicker();
    ImageAsset* picked = media.editedImage ? media.editedImage.get() : media.originalImage.get();
    if (platform::Image* image = picked ? picked->image() : nullptr)
        _imageSelected(*image);
}

void QVSelectProfilePictureController::imagePickerControllerDidCancel(ImagePickerController*) { hidePicker(); }

void QVSelectProfilePictureController::_imageSelected(const platform::Image& image)
{
    Ref<platform::Image> picture = profilePictureFromImage(image);
    QVUsersCredentialService::uploadProfilePictureLocalUser(picture.get(), QV_PICTURE_CALLBACK(_uploadSuccess),
                                                            QV_PICTURE_CALLBACK(_selectSourceFailure));
    showLoadingScreen();
}

// ---- Refresh

void QVSelectProfilePictureController::_refreshProfilePictures(int mask)
{
    refreshCount_ = 0;
    if (refreshButton_)
        refreshButton_->setEnabled(false);
    facebookWaiting_ = twitterWaiting_ = httpBasicWaiting_ = nullptr;
    if (sections() && !sections()->empty()) {
        QVPaginatedSeries* page = sections()->front()->page();
        for (size_t i = 0; page && i < page->count(); ++i) {
            auto* c = dynamic_cast<QVUsersCredential*>(page->objectAtIndex(i));
            if (!c)
                continue;
            if (c->isFacebook() && c->isLinked())
                facebookWaiting_ = c;
            else if (c->isTwitter() && c->isLinked())
                twitterWaiting_ = c;
            else if (c->isHttpBasic())
                httpBasicWaiting_ = c;
        }
    }
    if (!(mask & kFacebook))
        facebookWaiting_ = nullptr;
    if (!(mask & kTwitter))
        twitterWaiting_ = nullptr;
    if (!(mask & kUploaded))
        httpBasicWaiting_ = nullptr;
    showLoadingScreen();
    QVUsersCredentialService::requestProfilePictureUpdateForLocalUserOnSuccess(QV_PICTURE_CALLBACK(_redownloadCredentials),
                                                                              QV_PICTURE_CALLBACK(_refreshFailure));
}

void QVSelectProfilePictureController::_redownloadCredentials(Object*)
{
    ++refreshCount_;
    QVUsersCredentialService::getProfilePictureCredentialsForLocalUserOnSuccess(QV_PICTURE_CALLBACK(_refreshSuccess),
                                                                               QV_PICTURE_CALLBACK(_refreshFailure));
}

void QVSelectProfilePictureController::_refreshSuccess(Object* answer)
{
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    if (refreshOnNextRedownload_) {
        _onDataLoaded(series, false);
        refreshOnNextRedownload_ = false;
        _clickedRefresh();
        return;
    }
    bool facebookDone = false, twitterDone = false, uploadDone = false;
    for (size_t i = 0; i < series->count(); ++i) {
        auto* c = dynamic_cast<QVUsersCredential*>(series->objectAtIndex(i));
        if (!c)
            continue;
        if (c->isFacebook() && facebookWaiting_)
            facebookDone = c->profilePictureUpdatedAt() != facebookWaiting_->profilePictureUpdatedAt();
        else if (c->isTwitter() && twitterWaiting_)
            twitterDone = c->profilePictureUpdatedAt() != twitterWaiting_->profilePictureUpdatedAt();
        else if (c->isHttpBasic() && httpBasicWaiting_) {
            uploadDone = c->profilePictureUpdatedAt() != httpBasicWaiting_->profilePictureUpdatedAt();
            if (!facebookWaiting_ && !twitterWaiting_) {
                if (Ref<QVUser> local = QuorvelInternal::sessionRole().localUser()) {
                    local->changeProfilePictureUrl(c->credentialProfilePictureUrl(), false, false, true);
                    QuorvelInternal::sessionRole().setLocalUser(local.get());
                }
            }
        }
    }
    if (facebookDone)
        facebookWaiting_ = nullptr;
    if (twitterDone)
        twitterWaiting_ = nullptr;
    if (uploadDone)
        httpBasicWaiting_ = nullptr;
    if (!facebookWaiting_ && !twitterWaiting_ && !httpBasicWaiting_) {
        hideLoadingScreen();
        if (refreshButton_)
            refreshButton_->setEnabled(true);
        _onDataLoaded(series, false);
        return;
    }
    if (refreshCount_ != kMaxDownloads) {
        platform::Weak<QVSelectProfilePictureController> weak(this);
        platform::RunLoop::main().performAfter(kRedownloadDelay, [weak] {
            if (auto self = weak.lock())
                self->_redownloadCredentials();
        });
        return;
    }
    _onDataLoaded(series, false);
    _refreshFailure();
}

void QVSelectProfilePictureController::_refreshFailure(Object*)
{
    hideLoadingScreen();
    if (refreshButton_)
        refreshButton_->setEnabled(true);
    common::showAlert(kProblemTitle, kRefreshFailed, "Ok");
}

} // namespace quorvel
