// The request UI role's defaults (no client running: log, start silently or
// abandon) and its slot.
#include "social/runtime/QVRequestUIRole.h"

#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVServerText.h"
#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

#include <atomic>

namespace quorvel {

namespace {
std::atomic<QVRequestUIRole*> installed { nullptr };
} // namespace

void QVRequestUIRole::showServerNotification(const QVXmlElement& element, const QVResourceNameMap&)
{
    platform::log("Quorvel: server notification not shown (no facade): %s", element.childText("text").c_str());
}

void QVRequestUIRole::displayErrorMessage(const std::string& message)
{
    platform::logLine(platform::LogLevel::Warning, "Quorvel: " + message);
}

void QVRequestUIRole::displayUpgradeRequiredErrorMessage(const platform::Bytes& body)
{
    auto document = QVXmlDocument::xmlDocumentWithData(body);
    std::string message = document ? document->getElementValue("error_message") : std::string();
    platform::logLine(platform::LogLevel::Warning,
                      "Quorvel: " + QVFormatServerText(message, platform::Bundle::main().bundleIdentifier()));
}

void QVRequestUIRole::launchLoginFlowForRequest(QVActionRequest& request) { request.abandonInLightOfASeriousError(); }

void QVRequestUIRole::showBackgroundNoticeForLoader(QVActionRequest& request, platform::Object*) { request.startLoading(); }

void QVRequestUIRole::launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes&,
                                                                 platform::Object*)
{
    request.abandonInLightOfASeriousError();
}

void QVRequestUIRole::showBackgroundNotice(const BackgroundNotice& notice)
{
    platform::log("Quorvel: notice not shown (no facade): %s", notice.text.c_str());
}

void QVRequestUIRole::setDefaultBackgroundNotice(const BackgroundNotice& notice)
{
    platform::log("Quorvel: default notice not kept (no facade): %s", notice.text.c_str());
}

void QVRequestUIRole::showAchievementNotice(QVAchievement*, double percentComplete)
{
    platform::log("Quorvel: achievement notice not shown (no facade): %f", percentComplete);
}

QVRequestUIRole& QVRequestUIRole::current()
{
    static QVRequestUIRole fallback;
    QVRequestUIRole* role = installed.load();
    return role ? *role : fallback;
}

void QVRequestUIRole::setCurrent(QVRequestUIRole* role) { installed.store(role); }

} // namespace quorvel
