// Internal settings: built-in values, then the settings file's release
// section on top of them.
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVSharedInstance.h"

#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

#include <fstream>
#include <sstream>

namespace quorvel {

using platform::Ref;

void QVSettings::loadBuiltIns()
{
    // The stand-in service runs on this machine; the settings file points the
    // client anywhere else.
    dictionary_.set("server-url", "http://127.0.0.1:8080/");
    dictionary_.set("presence-host", "127.0.0.1");
    dictionary_.set("facebook-application-key", "");
    dictionary_.set("facebook-callback-url", "http://127.0.0.1:8080/");
}

void QVSettings::loadFile(const std::string& path)
{
    if (path.empty())
        return;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        platform::logWarning("QVSettings: cannot read %s", path.c_str());
        return;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string error;
    auto doc = QVXmlDocument::xmlDocumentWithString(buffer.str(), &error);
    if (!doc) {
        platform::logWarning("QVSettings: %s is not valid XML (%s); using built-in settings", path.c_str(), error.c_str());
        return;
    }
    const QVXmlElement* section = doc->topElement()->child(std::string("environment-") + kEnvironment);
    const QVXmlElement* config = section ? section->child("config") : nullptr;
    if (!config)
        return;
    for (const auto& setting : config->children)
        dictionary_.set(setting->name, setting->text);
}

void QVSettings::InitializeWithFile(const std::string& path)
{
    Ref<QVSettings> settings = platform::adoptRef(new QVSettings);
    settings->loadBuiltIns();
    settings->loadFile(path);
    settings->bundleVersion_ = platform::Bundle::main().version();
    QVSharedInstance<QVSettings>::set(settings);
}

void QVSettings::Initialize()
{
    InitializeWithFile(platform::Bundle::main().pathForResource("quorvel_internal_settings", "xml"));
}

QVSettings* QVSettings::Instance() { return QVSharedInstance<QVSettings>::shared(); }

void QVSettings::Uninitialize() { QVSharedInstance<QVSettings>::purge(); }

std::optional<std::string> QVSettings::objectForKey(const std::string& key) const
{
    const platform::Value* v = dictionary_.find(key);
    if (!v)
        return std::nullopt;
    return v->asString();
}

} // namespace quorvel
