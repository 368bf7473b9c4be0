// The conversation screen: starting the conversation, its poller, the
// online-state rows and the keyboard.
#include "social/dashboard/conversations/QVConversationController.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Keyboard.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVCommunityPolling.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVDateFormatters.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVConversationService.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVKeyboardSize.h"
#include "social/ui/QVKitImages.h"

#include <algorithm>
#include <cstdlib>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVConversationController);

namespace {
constexpr const char* kUserDiscovered = "user_discovered";

int64_t numericId(const std::string& id)
{
    char* end = nullptr;
    long long v = std::strtoll(id.c_str(), &end, 10);
    return end && end != id.c_str() ? static_cast<int64_t>(v) : 0;
}
} // namespace

// ---------------------------------------------------------------------------
// Screen

Ref<QVConversationController> QVConversationController::conversationWithId(const std::string& conversationId,
                                                                            QVUser* user, const std::string& initialText)
{
    Ref<platform::Object> made = QVClassRegistry::create("QVConversationController");
    auto screen = Ref<QVConversationController>(
        made ? requireCast<QVConversationController>(made, "The conversation class must make conversation screens") : nullptr);
    if (!screen)
        return nullptr;
    screen->init();
    screen->openConversation(conversationId, user, initialText);
    return screen;
}

void QVConversationController::openConversation(const std::string& conversationId, QVUser* user,
                                                const std::string& initialText)
{
    view();
    setConversationId(conversationId);
    setConversationUser(user);
    setInitialText(initialText);
}

void QVConversationController::setInitialText(const std::string& text)
{
    if (text.empty())
        return;
    initialText_ = text;
    if (messageBox_)
        messageBox_->setInitialText(text);
}

bool QVConversationController::performSetter(const std::string& setterName, Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    if (setterName == "setUser")
        setConversationUser(dynamic_cast<QVUser*>(value));
    else if (setterName == "setInitialText")
        setInitialText(boxed ? boxed->value().asString() : std::string());
    else if (setterName == "setConversationId")
        setConversationId(boxed ? boxed->value().asString() : std::string());
    else
        return QVTableSequenceControllerHelper::performSetter(setterName, value);
    return true;
}

QVConversationController::~QVConversationController()
{
    stopObserving();
    if (poller_)
        poller_->stopPolling();
}

void QVConversationController::setConversationId(const std::string& id)
{
    conversationId_ = id;
    if (messageBox_)
        messageBox_->setConversationId(id);
}

QVService* QVConversationController::getService() { return QVConversationService::sharedService(); }

void QVConversationController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVForumPost>("Conversation");
    map.addResource<QVOnlineStatus>("OnlineStatus");
}

std::string QVConversationController::getNotificationToRefreshAfter()
{
    return QVForumPost::getResourceDiscoveredNotification();
}

bool QVConversationController::isNotificationResourceValid(Object* resource)
{
    auto* post = dynamic_cast<QVForumPost*>(resource);
    return post && !conversationId_.empty() && post->discussionId() == conversationId_;
}

void QVConversationController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (!conversationId_.empty()) {
        QVConversationService::getConversationHistory(
            conversationId_, 1, QVDelegate(this, BRISKO_SELECTOR(QVConversationController, _initialIndexComplete), onSuccess),
            onFailure);
        return;
    }
    QVConversationService::startConversationWithUser(
        conversationUser_ ? conversationUser_->resourceId() : std::string(),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVConversationController, _startedConversation))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVConversationController, _errorStartingConversation))));
}

void QVConversationController::_startedConversation(Object* answer)
{
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    auto* conversation = series->count() == 1 ? dynamic_cast<QVResource*>(series->objectAtIndex(0)) : nullptr;
    if (!conversation) {
        _errorStartingConversation(nullptr);
        return;
    }
    setConversationId(conversation->resourceId());
    _refreshData();
}

void QVConversationController::_errorStartingConversation(Object*)
{
    hideLoadingScreen();
    QuorvelInternal::requestUIRole().displayErrorMessage(kStartFailed);
}

void QVConversationController::_initialIndexComplete(Object* answer, Object* nextCall)
{
    Ref<QVConversationController> keep(this);
    int64_t lastSeen = 0;
    for (const auto& o : requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series")->objects())
        if (auto* post = dynamic_cast<QVForumPost*>(o.get()))
            lastSeen = std::max(lastSeen, numericId(post->resourceId()));

    // A repeated first page replaces the poller: two would poll the same posts.
    if (poller_)
        poller_->stopPolling();
    poller_ = QVPoller::pollerWithProvider(QuorvelInternal::sessionRole().provider(),
                                           "discussions/" + conversationId_ + "/posts.xml");
    poller_->registerResourceClass(QVForumPost::staticResourceClass());
    poller_->clearCacheAndForceLastSeenId(lastSeen, QVForumPost::staticResourceClass());
    if (auto& frequency = QVCommunityPolling::shared().chatFrequency)
        poller_->changePollingFrequency(frequency());
    hasCompletedInitialIndex_ = true;
    if (auto* chained = dynamic_cast<QVDelegateChained*>(nextCall))
        chained->invokeWith(answer);
    if (conversationUser_)
        _updateOnlineStatusWithUser(conversationUser_.get(), conversationUser_->online());
}

void QVConversationController::_updateOnlineStatusWithUser(QVUser* user, bool online)
{
    auto status = QVOnlineStatus::onlineStatusWithUser(user, online);
    if (!sections_)
        sections_ = Sections();
    if (sections_->empty() || !(*sections_)[0]->page()) {
        auto section = QVTableSectionDescription::sectionWithTitle("", QVPaginatedSeries::paginatedSeries());
        sections_->insert(sections_->begin(), section);
    }
    QVTableSectionDescription* first = (*sections_)[0].get();
    // The front of the page is the latest row: the list shows newest at the bottom.
    first->page()->objects().insert(first->page()->objects().begin(), Ref<Object>(status.get()));
    first->expandedViews().insert(first->expandedViews().begin(), false);
    first->matchupExpandedViews();
    _reloadTableData();
    if (TableView* table = tableView()) {
        int rows = table->numberOfRowsInSection(0);
        if (rows > 0)
            table->scrollToRowAtIndexPath(IndexPath::forRow(rows - 1, 0), TableViewScrollPosition::Bottom, true);
    }
}

void QVConversationController::_userDidChangePresence(const platform::Notification& n)
{
    auto* resources = dynamic_cast<QVPaginatedSeries*>(n.userObject(QVPoller::kResourcesKey));
    auto* user = resources ? dynamic_cast<QVUser*>(resources->objectAtIndex(0)) : nullptr;
    if (user && conversationUser_ && user->resourceId() == conversationUser_->resourceId())
        _updateOnlineStatusWithUser(user, user->online());
}

void QVConversationController::_pollingFailed(const platform::Notification& n)
{
    auto* source = dynamic_cast<platform::Boxed*>(n.sender);
    std::string path = source ? source->value().asString() : std::string();
    if (path.rfind("discussions", 0) == 0 && navigationController())
        navigationController()->popViewControllerAnimated(false);
}

void QVConversationController::loadView()
{
    QVTableSequenceControllerHelper::loadView();
    Ref<ViewController> loaded = QVControllerLoader::load("ConversationMessageBox", this);
    messageBox_ = Ref<QVConversationMessageBoxController>(
        loaded ? requireCast<QVConversationMessageBoxController>(loaded, "The conversation's message box must take its conversation") : nullptr);
    if (messageBox_) {
        messageBox_->setMessageFieldDelegate(this);
        messageBox_->view();
        messageBox_->setConversationId(conversationId_);
        if (!initialText_.empty())
            messageBox_->setInitialText(initialText_);
    }
}

View* QVConversationController::getBottomView() { return messageBox_ ? messageBox_->view() : nullptr; }

void QVConversationController::viewWillAppear(bool animated)
{
    if (!observing_) {
        observing_ = true;
        auto& center = platform::NotificationCenter::defaultCenter();
        center.addObserver(this, QVPoller::kPollingFailedNotification, [this](const platform::Notification& n) { _pollingFailed(n); });
        center.addObserver(this, kUserDiscovered, [this](const platform::Notification& n) { _userDidChangePresence(n); });
        startObservingKeyboard();
    }
    if (hasCompletedInitialIndex_ && poller_) {
        if (auto& frequency = QVCommunityPolling::shared().chatFrequency)
            poller_->changePollingFrequency(frequency());
    }
    if (conversationUser_)
        setTitle(conversationUser_->name());
    if (messageBox_) {
        Rect f = messageBox_->view()->frame();
        f.size.height = QVConversationMessageBoxController::kHeight;
        messageBox_->view()->setFrame(f);
        messageBox_->viewWillAppear(animated);
    }
    QVTableSequenceControllerHelper::viewWillAppear(animated);
}

void QVConversationController::viewDidAppear(bool animated)
{
    if (messageBox_)
        messageBox_->viewDidAppear(animated);
    QVTableSequenceControllerHelper::viewDidAppear(animated);
}

void QVConversationController::stopObserving()
{
    if (!observing_)
        return;
    observing_ = false;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this, QVPoller::kPollingFailedNotification);
    center.removeObserver(this, kUserDiscovered);
    stopObservingKeyboard();
}

void QVConversationController::viewWillDisappear(bool animated)
{
    if (messageBox_ && messageBox_->messageField())
        messageBox_->messageField()->resignFirstResponder();
    stopObserving();
    if (poller_)
        poller_->stopPolling();
    if (messageBox_)
        messageBox_->viewWillDisappear(animated);
    QVTableSequenceControllerHelper::viewWillDisappear(animated);
}

void QVConversationController::viewDidDisappear(bool animated)
{
    if (messageBox_)
        messageBox_->viewDidDisappear(animated);
    QVTableSequenceControllerHelper::viewDidDisappear(animated);
}

void QVConversationController::tableViewDidSelectRowAtIndexPath(TableView* table, IndexPath indexPath)
{
    if (messageBox_ && messageBox_->messageField())
        messageBox_->messageField()->resignFirstResponder();
    table->deselectRowAtIndexPath(indexPath, false);
}

void QVConversationController::keyboardWillShow(const platform::Value& userInfo)
{
    if (QuorvelInternal::dashboardRole().isLargeScreen()) {
        scrollContentBy(_keyboardAdjustment(), true);
        return;
    }
    if (navigationController())
        navigationController()->setNavigationBarHidden(true, true);
    float height = QVgetKeyboardSize(userInfo).height;
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(navigationController()))
        framed->adjustForKeyboard(true, height);
    scrollContentBy(height, false);
}

void QVConversationController::keyboardWillHide(const platform::Value& userInfo)
{
    if (!QuorvelInternal::dashboardRole().isLargeScreen() && navigationController()) {
        navigationController()->setNavigationBarHidden(false, true);
        float height = QVgetKeyboardSize(userInfo).height;
        if (auto* framed = dynamic_cast<QVFramedNavigationController*>(navigationController()))
            framed->adjustForKeyboard(false, height);
        scrollContentBy(navigationController()->navigationBar()->frame().size.height, true);
    }
    if (messageBox_)
        messageBox_->setInitialText("");
}

void QVConversationController::multilineTextFieldDidResize(QVExpandableSinglelineTextField* field)
{
    if (!messageBox_ || !field)
        return;
    // Only the field of the box's view sizes it (a box built again has another).
    View* box = messageBox_->view();
    if (field != messageBox_->messageField())
        return;
    float margin = QuorvelInternal::dashboardRole().isLargeScreen() ? 12 : 6;
    Rect f = box->frame();
    float bottom = f.origin.y + f.size.height;
    float height = field->frame().size.height + margin;
    float growth = height - f.size.height;
    f.size.height = height;
    f.origin.y = bottom - height;
    box->setFrame(f);
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(navigationController()))
        framed->refreshBottomView();
    if (growth > 0)
        scrollContentBy(growth, true);
}

} // namespace quorvel
