// The stand-in's player settings: the switches and their values, the rows that
// open other screens, the developer's newsletter and leaving a device.
#include "tools/standin/StandInSettings.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInXml.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace standin {

using xml::element;

const char* const settings::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS settings (id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, name TEXT NOT NULL,
    default_value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS user_settings (user_id INTEGER NOT NULL, setting_id INTEGER NOT NULL, value TEXT NOT NULL,
    PRIMARY KEY (user_id, setting_id));
CREATE TABLE IF NOT EXISTS newsletter_subscriptions (user_id INTEGER NOT NULL, game_id TEXT NOT NULL,
    PRIMARY KEY (user_id, game_id));
-- A switch a player keeps that the shared list does not offer (the link
-- screen's "location" and "presence"): that player's alone, listed to no one
-- else. Numbered from 1000001, apart from the shared ones.
CREATE TABLE IF NOT EXISTS own_settings (id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, key TEXT NOT NULL,
    value TEXT NOT NULL, UNIQUE (user_id, key));
)sql";

const char* const settings::kSeed = "INSERT INTO settings VALUES (1, 'share_online_status', 'Show Me Online', '1'),"
                                    " (2, 'notify_challenges', 'Challenge Notices', '1'),"
                                    " (3, 'newsletter_quorvel', 'News by E-mail', '0');";

namespace {

// The most switches a player keeps of their own.
constexpr int64_t kMaxOwnSettings = 32;

// The caller's settings a where clause on `id` or `key` chooses: the shared
// ones with the caller's values, then the caller's own.
std::string settingElement(Store& s, const char* where, const std::string& value, int64_t user)
{
    std::string sql = std::string("SELECT id, key, name, value FROM (SELECT g.id AS id, g.key AS key, g.name AS name,"
                                  " COALESCE(u.value, g.default_value) AS value FROM settings g LEFT JOIN"
                                  " user_settings u ON u.setting_id = g.id AND u.user_id = ?1 UNION ALL SELECT id, key,"
                                  " key, value FROM own_settings WHERE user_id = ?1) WHERE ")
        + where + " ORDER BY id";
    Statement q(s.db, sql.c_str());
    q.bind(1, user);
    if (where[0] != '1')
        q.bind(2, value);
    std::string out;
    while (q.step())
        out += "<user_setting><id>" + std::to_string(q.integer(0)) + "</id>" + element("name", q.text(2))
            + element("value", q.text(3)) + "<value_type>bool</value_type>" + element("key", q.text(1))
            + "</user_setting>";
    return out;
}

// The rows that open another screen: the screen's name, the title, and the
// setup the screen runs first. A network's removal shows only once it is linked.
struct ActionRow {
    const char* title;
    const char* controller;
    const char* selector;
    const char* linkedNetwork;
};
const ActionRow kActionRows[] = {
    { "Remove Facebook", "RemoveCredential", "setupForFacebook", "fbconnect" },
    { "Remove Twitter", "RemoveCredential", "setupForTwitter", "twitter" },
    { "Change Email", "ChangeEmail", nullptr, nullptr },
    { "Change Name", "ChangeName", nullptr, nullptr },
    { "Change Password", "ChangePassword", nullptr, nullptr },
    { "Reset Password", "ResetPassword", nullptr, nullptr },
    { "Remove Account From Device", "RemoveDeviceFromAccount", nullptr, nullptr },
};

std::string actionRows(Store& s, int64_t user)
{
    std::string out;
    int id = 0;
    for (const ActionRow& row : kActionRows) {
        ++id;
        if (row.linkedNetwork) {
            Statement q(s.db, "SELECT 1 FROM linked_networks WHERE user_id = ? AND credential_type = ?");
            q.bind(1, user).bind(2, row.linkedNetwork);
            if (!q.step())
                continue;
        }
        out += "<user_setting_push_controller><id>action-" + std::to_string(id) + "</id>"
            + element("setting_title", row.title) + element("controller_name", row.controller)
            + (row.selector ? element("selector_to_call", row.selector) : std::string())
            + "</user_setting_push_controller>";
    }
    return out;
}

// A setting's key as a client sends it: a short word of lower-case letters, digits and underscores.
bool wellFormedKey(const std::string& key)
{
    return !key.empty() && key.size() <= 64
        && key.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos;
}

std::string developerElement() { return "<developer><id>41</id><name>Brisko Games</name></developer>"; }

// The game's id in client_applications/<game>/...
std::string gameOf(const LoggedRequest& r)
{
    std::string rest = r.path.substr(std::string("client_applications/").size());
    return rest.substr(0, rest.find('/'));
}

} // namespace

int64_t settings::moveKeysPlayersMade(Store& s)
{
    // The service once added a key a player set that the shared list did not
    // offer to that list, named by its key and off by default, with the
    // player's value beside it: every player listed it and could set it past
    // the bound of their own. Each player who set it keeps it as their own
    // (all of them, past the bound too: nothing is lost, but no more are
    // taken); the shared list loses it. A setting the operator offers has a
    // name of its own, and stays.
    std::vector<std::pair<int64_t, std::string>> made;
    {
        Statement q(s.db, "SELECT id, key FROM settings WHERE name = key AND default_value = '0' ORDER BY id");
        while (q.step())
            made.emplace_back(q.integer(0), q.text(1));
    }
    int64_t moved = 0;
    for (auto& [id, key] : made) {
        Statement values(s.db, "SELECT user_id, value FROM user_settings WHERE setting_id = ? ORDER BY user_id");
        values.bind(1, id);
        while (values.step()) {
            Statement own(s.db, "INSERT OR IGNORE INTO own_settings (id, user_id, key, value) VALUES ((SELECT"
                                " MAX(COALESCE(MAX(id), 0) + 1, 1000001) FROM own_settings), ?, ?, ?)");
            if (!own.bind(1, values.integer(0)).bind(2, key).bind(3, values.text(1)).run())
                return -1;
            ++moved;
        }
        Statement dropValues(s.db, "DELETE FROM user_settings WHERE setting_id = ?");
        Statement drop(s.db, "DELETE FROM settings WHERE id = ?");
        if (!dropValues.bind(1, id).run() || !drop.bind(1, id).run())
            return -1;
    }
    if (!made.empty())
        std::fprintf(stderr, "standin state: %zu setting key(s) players made were in the shared list; %lld value(s) "
                             "moved to their players' own\n",
                     made.size(), static_cast<long long>(moved));
    return moved;
}

bool settings::sharesOnlineStatus(Store& s, int64_t user)
{
    Statement q(s.db, "SELECT COALESCE(u.value, g.default_value) FROM settings g LEFT JOIN user_settings u"
                      " ON u.setting_id = g.id AND u.user_id = ? WHERE g.key = 'share_online_status'");
    q.bind(1, user);
    return q.step() && q.text(0) == "1";
}

Answer settings::list(Store& s, const LoggedRequest&, int64_t user)
{
    return Answer::xml("<resources>" + settingElement(s, "1", {}, user) + actionRows(s, user) + "</resources>");
}

Answer settings::one(Store& s, const LoggedRequest& r, int64_t user)
{
    // users/@me/settings/<key>.xml
    std::string key = r.path.substr(std::string("users/@me/settings/").size());
    if (!endsWith(key, ".xml"))
        return xml::error(404, "No such setting");
    key.resize(key.size() - 4);
    std::string body = settingElement(s, "key = ?2", key, user);
    if (body.empty())
        return xml::error(404, "No such setting");
    return Answer::xml("<resources>" + body + "</resources>");
}

Answer settings::change(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string value = r.param("user_setting[value]");
    if (value != "1" && value != "0")
        return xml::fieldErrors(xml::fieldError("value", "must be 1 or 0"));
    const std::string key = r.param("user_setting[key]");
    const int64_t askedId = number(r.param("user_setting[id]")).value_or(-1);
    Statement shared(s.db, "SELECT id, key FROM settings WHERE id = ? OR key = ?");
    shared.bind(1, askedId).bind(2, key);
    Statement own(s.db, "SELECT id, key FROM own_settings WHERE user_id = ?1 AND (id = ?2 OR key = ?3)");
    own.bind(1, user).bind(2, askedId).bind(3, key);
    int64_t id = 0;
    std::string kept = key;
    if (shared.step()) {
        id = shared.integer(0);
        kept = shared.text(1);
        Statement set(s.db, "INSERT OR REPLACE INTO user_settings (user_id, setting_id, value) VALUES (?, ?, ?)");
        set.bind(1, user).bind(2, id).bind(3, value).run();
    } else if (own.step()) {
        id = own.integer(0);
        kept = own.text(1);
        Statement set(s.db, "UPDATE own_settings SET value = ? WHERE id = ?");
        set.bind(1, value).bind(2, id).run();
    } else if (wellFormedKey(key)) {
        // A switch the client keeps that the list does not offer (the link screen's "location" and
        // "presence"): the player's own from now on, named by its key; nobody else lists it.
        Statement mine(s.db, "SELECT COUNT(*) FROM own_settings WHERE user_id = ?");
        mine.bind(1, user);
        if (mine.step() && mine.integer(0) >= kMaxOwnSettings)
            return xml::fieldErrors(xml::fieldError("key", "is one more than the " + std::to_string(kMaxOwnSettings)
                                                               + " settings a player keeps of their own"));
        Statement add(s.db, "INSERT INTO own_settings (id, user_id, key, value) VALUES ((SELECT MAX(COALESCE(MAX(id), 0)"
                            " + 1, 1000001) FROM own_settings), ?, ?, ?)");
        id = add.bind(1, user).bind(2, key).bind(3, value).insert();
        if (!id)
            return xml::error(500, "The setting could not be kept");
    } else {
        return xml::error(404, "No such setting");
    }
    // The player's location choice is what the next login answers.
    if (kept == "location")
        players::setSharesLocation(s, user, value == "1");
    return Answer::xml("<resources>" + settingElement(s, "id = ?2", std::to_string(id), user) + "</resources>");
}

Answer settings::newsletter(Store& s, const LoggedRequest& r, int64_t user)
{
    Statement q(s.db, "SELECT 1 FROM newsletter_subscriptions WHERE user_id = ? AND game_id = ?");
    q.bind(1, user).bind(2, gameOf(r));
    if (!q.step())
        return Answer::xml("<resources></resources>");
    return Answer::xml("<resources><news_letter_subscription><id>" + std::to_string(user) + "</id>"
                       + players::userElement(s, user, user) + developerElement()
                       + "</news_letter_subscription></resources>");
}

Answer settings::subscribeNewsletter(Store& s, const LoggedRequest& r, int64_t user)
{
    Statement q(s.db, "INSERT OR IGNORE INTO newsletter_subscriptions (user_id, game_id) VALUES (?, ?)");
    q.bind(1, user).bind(2, gameOf(r)).run();
    return newsletter(s, r, user);
}

Answer settings::unsubscribeNewsletter(Store& s, const LoggedRequest& r, int64_t user)
{
    Statement q(s.db, "DELETE FROM newsletter_subscriptions WHERE user_id = ? AND game_id = ?");
    q.bind(1, user).bind(2, gameOf(r)).run();
    return Answer::xml("<resources></resources>");
}

Answer settings::removeFromDevice(Store& s, const LoggedRequest& r, std::optional<int64_t> caller)
{
    std::string udid = r.param("udid");
    if (udid.empty())
        return xml::fieldErrors(xml::fieldError("udid", "can't be blank"));
    std::optional<int64_t> user = r.hasParam("user_id") ? number(r.param("user_id")) : caller;
    if (!user)
        return xml::fieldErrors(xml::fieldError("user_id", "can't be blank"));
    if (caller && *user != *caller)
        return xml::error(403, "Only the player's own account can be taken off a device");
    if (!caller) {
        if (!players::onDevice(s, udid, *user))
            return xml::error(404, "The account was not opened on this device");
    }
    for (const char* sql : { "DELETE FROM devices WHERE udid = ? AND user_id = ?",
                             "DELETE FROM device_accounts WHERE udid = ? AND user_id = ?" }) {
        Statement q(s.db, sql);
        q.bind(1, udid).bind(2, *user).run();
    }
    return Answer::xml("<resources></resources>");
}

} // namespace standin
