// The default runtime host and the slot through which the facade replaces it.
#include "social/runtime/QVRuntimeHost.h"

#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVServerText.h"
#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/Bundle.h"

#include "platform/foundation/Log.h"
#include "platform/gamekit/GameCenter.h"

#include <atomic>

namespace quorvel {

namespace {
QVRuntimeHost defaultHost;
std::atomic<QVRuntimeHost*> installed { nullptr };
} // namespace

void QVRuntimeHost::showServerNotification(const QVXmlElement& element, const QVResourceNameMap&)
{
    platform::log("Quorvel: server notification not shown (no facade): %s", element.childText("text").c_str());
}

void QVRuntimeHost::displayErrorMessage(const std::string& message)
{
    platform::logLine(platform::LogLevel::Warning, "Quorvel: " + message);
}

void QVRuntimeHost::launchLoginFlowForRequest(QVActionRequest& request) { request.abandonInLightOfASeriousError(); }

void QVRuntimeHost::showBackgroundNoticeForLoader(QVActionRequest& request, platform::Object*) { request.startLoading(); }

void QVRuntimeHost::launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes&,
                                                               platform::Object*)
{
    request.abandonInLightOfASeriousError();
}

void QVRuntimeHost::applyBootstrap(const QVBootstrap& answer, QVProvider& provider)
{
    provider.setAccessToken(answer.accessToken, answer.accessTokenSecret);
}

void QVRuntimeHost::displayUpgradeRequiredErrorMessage(const platform::Bytes& body)
{
    auto document = QVXmlDocument::xmlDocumentWithData(body);
    std::string message = document ? document->getElementValue("error_message") : std::string();
    platform::logLine(platform::LogLevel::Warning,
                      "Quorvel: " + QVFormatServerText(message, platform::Bundle::main().bundleIdentifier()));
}

void QVRuntimeHost::showBackgroundNotice(const BackgroundNotice& notice)
{
    platform::log("Quorvel: notice not shown (no facade): %s", notice.text.c_str());
}

void QVRuntimeHost::setDefaultBackgroundNotice(const BackgroundNotice& notice)
{
    platform::log("Quorvel: default notice not kept (no facade): %s", notice.text.c_str());
}

platform::Date QVRuntimeHost::submitScoreToGameCenter(int64_t score, const std::string& category,
                                                      std::function<void(bool failed)> completion)
{
    return platform::gamekit::GameCenter::current().reportScore(
        score, category, [completion = std::move(completion)](const platform::gamekit::OptionalError& error) {
            if (completion)
                completion(error.has_value());
        });
}

void QVRuntimeHost::submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                                  std::function<void(bool failed)> completion)
{
    platform::gamekit::GameCenter::current().reportAchievement(
        identifier, percentComplete,
        [completion = std::move(completion)](const platform::gamekit::OptionalError& error) {
            if (completion)
                completion(error.has_value());
        });
}

void QVRuntimeHost::showAchievementNotice(platform::Object*, double percentComplete)
{
    platform::log("Quorvel: achievement notice not shown (no facade): %f", percentComplete);
}

QVRuntimeHost& QVRuntimeHost::current()
{
    QVRuntimeHost* host = installed.load();
    return host ? *host : defaultHost;
}

void QVRuntimeHost::setCurrent(QVRuntimeHost* host) { installed.store(host); }

} // namespace quorvel
