// The default runtime host and the slot through which the facade replaces it.
#include "social/runtime/QVRuntimeHost.h"

#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/Log.h"

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

QVRuntimeHost& QVRuntimeHost::current()
{
    QVRuntimeHost* host = installed.load();
    return host ? *host : defaultHost;
}

void QVRuntimeHost::setCurrent(QVRuntimeHost* host) { installed.store(host); }

} // namespace quorvel
