// Internal settings: built-in values, then the settings file's release
// section on top of them, each value trimmed of the white space around it and
// the service's and the presence channel's addresses checked before they are
// used; then the add-ons' own settings.
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVSharedInstance.h"

#include "social/runtime/QVAddOnSettingsRole.h"
#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>

namespace quorvel {

using platform::Ref;

void QVSettings::loadBuiltIns()
{
    // The stand-in service runs on this machine; the settings file points the
    // client anywhere else.
    dictionary_.set("server-url", "http://127.0.0.1:8080/");
    dictionary_.set("presence-host", kBuiltInPresenceHost);
    dictionary_.set("facebook-application-key", "");
    dictionary_.set("facebook-callback-url", "http://127.0.0.1:8080/");
    // The add-ons' own defaults join the built-in ones.
    QVAddOnSettingsRole::current().setDefaultAddOnSettings(dictionary_);
}

namespace {

// An address the client can sign requests over: its scheme, in any case
// (schemes are case-insensitive), then a host.
bool isServiceAddress(const std::string& url)
{
    for (std::string_view scheme : { "http://", "https://" }) {
        if (url.size() > scheme.size()
            && std::equal(scheme.begin(), scheme.end(), url.begin(),
                          [](char a, char b) { return a == platform::asciiLower(b); }))
            return url[scheme.size()] != '/';
    }
    return false;
}

// The address with its scheme in lower case, as requests are signed and sent.
std::string withLowerCaseScheme(std::string url)
{
    size_t end = url.find("://");
    for (size_t i = 0; end != std::string::npos && i < end; ++i)
        url[i] = platform::asciiLower(url[i]);
    return url;
}

// Why a presence-host cannot be used: it is a host, or host:port with a port
// from 1 to 65535. Empty when it can.
std::string presenceHostProblem(const std::string& value)
{
    if (value.find("://") != std::string::npos)
        return "a host is written without a scheme such as http://";
    if (value.find_first_of(" \t/") != std::string::npos)
        return "a host or host:port has no space or slash in it";
    size_t colon = value.rfind(':');
    std::string host = value.substr(0, colon);
    if (host.empty())
        return "it names no host";
    if (colon == std::string::npos)
        return {};
    std::string port = value.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos
        || std::stoi(port) < 1 || std::stoi(port) > 65535)
        return "the port after the colon must be a number from 1 to 65535";
    return {};
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
    const std::string sectionName = std::string("environment-") + kEnvironment;
    const QVXmlElement* section = doc->topElement()->child(sectionName);
    const QVXmlElement* config = section ? section->child("config") : nullptr;
    if (!config) {
        fallBack(path + " has no <" + sectionName + "><config> section");
        return;
    }
    size_t sections = 0;
    for (const auto& child : doc->topElement()->children)
        sections += child->name == sectionName;
    if (sections > 1)
        platform::logWarning("QVSettings: %s has %zu <%s> sections; the first is used and the others are ignored",
                             path.c_str(), sections, sectionName.c_str());
    std::string known;
    for (const char* key : kKnownKeys)
        known += (known.empty() ? "" : ", ") + std::string(key);
    std::optional<std::string> server;
    std::map<std::string, int> times;
    for (const auto& setting : config->children) {
        if (!isKnownKey(setting->name))
            platform::logWarning("QVSettings: %s sets \"%s\", which is no setting (ignored; the settings are %s)",
                                 path.c_str(), setting->name.c_str(), known.c_str());
        // A value laid out on lines of its own is the value without the layout.
        std::string value = platform::trimmed(setting->text);
        ++times[setting->name];
        if (setting->name == "server-url")
            server = value;
        else
            dictionary_.set(setting->name, value);
    }
    for (const auto& [key, count] : times)
        if (count > 1)
            platform::logWarning("QVSettings: %s sets \"%s\" %d times; the last one, \"%s\", is used", path.c_str(),
                                 key.c_str(), count,
                                 (key == "server-url" ? *server : dictionary_.find(key)->asString()).c_str());
    if (const platform::Value* presence = dictionary_.find("presence-host"); presence && times.count("presence-host")) {
        if (std::string problem = presenceHostProblem(presence->asString()); !problem.empty()) {
            platform::logWarning("QVSettings: %s sets presence-host \"%s\", which cannot be used (%s); the presence "
                                 "channel goes to the server-url's host",
                                 path.c_str(), presence->asString().c_str(), problem.c_str());
            dictionary_.set("presence-host", kBuiltInPresenceHost);
        }
    }
    if (!server)
        fallBack(path + " sets no server-url");
    else if (!isServiceAddress(*server))
        fallBack(path + " sets server-url \"" + *server + "\", which is no http:// or https:// address");
    else
        dictionary_.set("server-url", withLowerCaseScheme(*server));
    // The add-ons read their own settings from the same document, and see the
    // address the client will use; one may set another, checked the same way.
    const std::string chosen = dictionary_.find("server-url")->asString();
    QVAddOnSettingsRole::current().loadAddOnSettings(dictionary_, doc.get());
    const platform::Value* fromAddOn = dictionary_.find("server-url");
    std::string addOnUrl = fromAddOn ? fromAddOn->asString() : std::string();
    if (addOnUrl == chosen)
        return;
    if (isServiceAddress(addOnUrl)) {
        dictionary_.set("server-url", withLowerCaseScheme(addOnUrl));
    } else {
        platform::logWarning("QVSettings: an add-on set server-url \"%s\", which is no http:// or https:// address; "
                             "using %s",
                             addOnUrl.c_str(), chosen.c_str());
        dictionary_.set("server-url", chosen);
    }
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
