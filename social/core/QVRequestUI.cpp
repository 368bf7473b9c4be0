// Requests as the player sees them: notices, server notifications, and the
// login, credential, upgrade and maintenance screens a request may need.
#include "social/core/QVRequestUI.h"

#include "platform/ui/BarButtonItem.h"
#include "social/core/QVDashboardHub.h"
#include "social/core/QVLogin.h"
#include "social/core/QVNotification.h"
#include "social/core/QVPresenter.h"
#include "social/core/QVClientSession.h"
#include "social/core/QVUserOptions.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVServerText.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVServerNotification.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVServerMaintenanceNoticeController.h"

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::ui::ViewController;

namespace {

constexpr const char* kLoginFailedText = "Unable to login to Quorvel. Restart to try again.";

Ref<QVNotificationData> noticeData(const QVRequestUIRole::BackgroundNotice& notice)
{
    auto data = QVNotificationData::dataWithText(notice.text, notice.category, notice.type);
    if (!notice.imageName.empty())
        data->setImageName(notice.imageName);
    return data;
}

std::optional<std::string> noticeStatus(const QVRequestUIRole::BackgroundNotice& notice)
{
    if (notice.statusImage.empty())
        return std::nullopt;
    return notice.statusImage;
}

} // namespace

// ---- The login flow and the request layer's special answers

void QVRequestUI::launchLoginFlowAndShowDashboard(bool showDashboard, QVActionRequest* request)
{
    Ref<QVActionRequest> keep(request);
    if (presenter().isShowingFullScreen())
        presenter().displayErrorMessage(kLoginFailedText);
    else if (!showDashboard && !options().shouldAutomaticallyPromptLogin()
             && !(request && request->failedNotAuthorized()))
        login().loginWasAborted(false);
    else
        QVLogin::showLoginNotice(kLoginFailedText, 3, true);
    // Whatever was shown, the request ends now with its failure callback.
    if (request)
        request->abandonInLightOfASeriousError();
}

void QVRequestUI::launchLoginFlowForRequest(QVActionRequest& request)
{
    launchLoginFlowAndShowDashboard(hub().isDashboardHubOpen(), &request);
}

void QVRequestUI::accessTokenRefused(const std::string& token) { login().accessTokenRefused(token); }

void QVRequestUI::launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes& body,
                                                             Object* noticeUserData)
{
    Ref<QVActionRequest> keep(&request);
    Ref<QVXmlDocument> document = QVXmlDocument::xmlDocumentWithData(body);
    auto required = [&](const char* path) {
        return document && document->getElementValue(path) == "extended_credentials";
    };
    auto load = [&](const char* name) -> Ref<ViewController> {
        Ref<ViewController> screen = QVControllerLoader::load(name);
        if (!screen)
            return screen;
        auto* credential = requireCast<QVExtendedCredentialScreen>(screen, "A credential screen must take the request");
        credential->setRequestRequiringCredential(&request);
        if (noticeUserData)
            credential->setSocialNotification(noticeUserData);
        return screen;
    };
    Ref<ViewController> twitter;
    Ref<ViewController> facebook;
    if (required("errors.TwitterCredential"))
        twitter = load("TwitterExtendedCredential");
    if (required("errors.FbconnectCredential"))
        facebook = load("FacebookExtendedCredential");
    if (twitter && facebook) {
        // Twitter first; the Facebook screen retries the request afterwards.
        auto* credential = requireCast<QVExtendedCredentialScreen>(twitter, "A credential screen must take the request");
        credential->setRequestRequiringCredential(nullptr);
        credential->setNextController(facebook.get());
    }
    Ref<ViewController> first = twitter ? twitter : facebook;
    if (!first) {
        // No screen can get the credential: the request must still end.
        request.abandonInLightOfASeriousError();
        return;
    }
    presenter().presentModalOverlay(first);
}

void QVRequestUI::displayUpgradeRequiredErrorMessage(const platform::Bytes& body)
{
    if (!presenter().isShowingFullScreen())
        return;
    Ref<QVXmlDocument> document = QVXmlDocument::xmlDocumentWithData(body);
    std::string format = document ? document->getElementValue("error_message") : std::string();
    auto screen = QVDeadEndErrorController::deadEndErrorWithMessage(
        QVFormatServerText(format, session().applicationDisplayName()));
    if (auto* item = screen->navigationItem())
        item->setHidesBackButton(true);
    presenter().displayErrorScreen(screen);
}

void QVRequestUI::displayServerMaintenanceNotice(const platform::Bytes& body)
{
    if (!presenter().isShowingFullScreen())
        return;
    presenter().displayErrorScreen(QVServerMaintenanceNoticeController::maintenanceControllerWithHtmlData(body));
}

bool QVRequestUI::areErrorScreensAllowed() { return presenter().areErrorScreensAllowed(); }

void QVRequestUI::displayErrorMessage(const std::string& message) { presenter().displayErrorMessage(message); }

bool QVRequestUI::isShowingFullScreen() { return presenter().isShowingFullScreen(); }

// ---- Notices

void QVRequestUI::showServerNotification(const QVXmlElement& element, const QVResourceNameMap& names)
{
    Ref<QVServerNotification> notification = QVServerNotification::create();
    notification->populateFromXml(element, names);
    QVNotification::sharedInstance().showServerNotification(notification.get());
}

void QVRequestUI::showBackgroundNoticeForLoader(QVActionRequest& request, Object* notice)
{
    QVNotification::sharedInstance().showBackgroundNoticeForLoader(request, dynamic_cast<QVNotificationData*>(notice));
}

Ref<Object> QVRequestUI::foregroundNotice(const std::string& text) { return QVNotificationData::foreGroundDataWithText(text); }

Ref<Object> QVRequestUI::categorizedNotice(const std::string& text, int category, int type)
{
    return QVNotificationData::dataWithText(text, category, type);
}

Ref<Object> QVRequestUI::publishedEventNotice(const std::string& text, Object* post)
{
    Ref<QVNotificationData> notice = QVNotificationData::dataWithText(text, 7, 1);
    notice->setNotificationUserData(post);
    return Ref<Object>(notice.get());
}

void QVRequestUI::showBackgroundNotice(const BackgroundNotice& notice)
{
    QVNotification::sharedInstance().showBackgroundNotice(noticeData(notice).get(), noticeStatus(notice));
}

void QVRequestUI::setDefaultBackgroundNotice(const BackgroundNotice& notice)
{
    QVNotification::sharedInstance().setDefaultBackgroundNotice(noticeData(notice).get(), noticeStatus(notice));
}

void QVRequestUI::showDefaultNotice() { QVNotification::sharedInstance().showDefaultNotice(); }

void QVRequestUI::clearDefaultNotice() { QVNotification::sharedInstance().clearDefaultNotice(); }

void QVRequestUI::showAchievementNotice(QVAchievement* record, double percentComplete)
{
    Ref<QVUnlockedAchievementNotificationData> data =
        record ? QVUnlockedAchievementNotificationData::dataWithAchievementFields(
                     record, record->title().value_or(""), static_cast<int>(record->gamerscore()),
                     record->resourceId(), record->iconUrl(), percentComplete)
               : QVUnlockedAchievementNotificationData::dataWithAchievementFields(nullptr, {}, 0, {}, {}, percentComplete);
    QVNotification::sharedInstance().showAchievementNotice(data.get());
}

} // namespace quorvel
