// Internal settings: built-in values, then the settings file's release
// section on top of them, each value trimmed of the white space around it and
// the service's address checked before it is used.
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVSharedInstance.h"

#include "social/runtime/QVAddOnSettingsRole.h"
#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

#include <fstream>
#include <sstream>
#include <string_view>

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
    // The add-ons' own defaults join the built-in ones.
    QVAddOnSettingsRole::current().setDefaultAddOnSettings(dictionary_);
}

namespace {

// An address the client can sign requests over: its scheme, then a host.
bool isServiceAddress(const std::string& url)
{
    for (std::string_view scheme : { "http://", "https://" }) {
        if (url.size() > scheme.size() && url.compare(0, scheme.size(), scheme) == 0)
            return url[scheme.size()] != '/';
    }
    return false;
}

} // namespace

bool QVSettings::isKnownKey(const std::string& key)
{
    for (const char* known : kKnownKeys)
        if (key == known)
            return true;
    return false;
}

void QVSettings::loadFile(const std::string& path)
{
    // Each way of falling back to the built-in address is said once per start-up.
    auto fallBack = [this](const std::string& why) {
        platform::logWarning("QVSettings: %s; using the built-in server-url %s", why.c_str(),
                             dictionary_.find("server-url")->asString().c_str());
    };
    if (path.empty()) {
        fallBack("the bundle folder " + platform::Bundle::main().resourcePath()
                 + " has no quorvel_internal_settings.xml");
        return;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fallBack("cannot read " + path);
        return;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string error;
    auto doc = QVXmlDocument::xmlDocumentWithString(buffer.str(), &error);
    if (!doc) {
        fallBack(path + " is not valid XML (" + error + ")");
        return;
    }
    const QVXmlElement* section = doc->topElement()->child(std::string("environment-") + kEnvironment);
    const QVXmlElement* config = section ? section->child("config") : nullptr;
    if (!config) {
        fallBack(path + " has no <environment-" + kEnvironment + "><config> section");
        return;
    }
    std::string known;
    for (const char* key : kKnownKeys)
        known += (known.empty() ? "" : ", ") + std::string(key);
    std::optional<std::string> server;
    for (const auto& setting : config->children) {
        if (!isKnownKey(setting->name))
            platform::logWarning("QVSettings: %s sets \"%s\", which is no setting (ignored; the settings are %s)",
                                 path.c_str(), setting->name.c_str(), known.c_str());
        // A value laid out on lines of its own is the value without the layout.
        std::string value = platform::trimmed(setting->text);
        if (setting->name == "server-url")
            server = value;
        else
            dictionary_.set(setting->name, value);
    }
    // The add-ons read their own settings from the same document.
    QVAddOnSettingsRole::current().loadAddOnSettings(dictionary_, doc.get());
    if (!server)
        fallBack(path + " sets no server-url");
    else if (!isServiceAddress(*server))
        fallBack(path + " sets server-url \"" + *server + "\", which is no http:// or https:// address");
    else
        dictionary_.set("server-url", *server);
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
