// The stand-in's social networks: linked networks and their friends, posts,
// profile pictures, device tokens and the friends a player may invite.
#include "tools/standin/StandInSocial.h"

#include "tools/standin/StandInAccounts.h"
#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInXml.h"

#include <algorithm>
#include <iterator>

namespace standin {

using xml::element;

const char* const social::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS linked_networks (user_id INTEGER NOT NULL, credential_type TEXT NOT NULL,
    linked_at TEXT NOT NULL, PRIMARY KEY (user_id, credential_type));
CREATE TABLE IF NOT EXISTS social_posts (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL,
    message TEXT NOT NULL, image_type TEXT NOT NULL, image TEXT NOT NULL, url TEXT NOT NULL, created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS profile_pictures (user_id INTEGER PRIMARY KEY, source TEXT NOT NULL, picture BLOB,
    updated_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS device_tokens (udid TEXT PRIMARY KEY, user_id INTEGER NOT NULL, token TEXT NOT NULL,
    environment TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS invalid_blobs (high_score_id INTEGER PRIMARY KEY);
CREATE TABLE IF NOT EXISTS server_notices (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL,
    text TEXT NOT NULL, detail TEXT NOT NULL, score TEXT NOT NULL, icon_url TEXT NOT NULL,
    background_url TEXT NOT NULL, status_url TEXT NOT NULL);
)sql";

namespace {

const char* const kNetworks[] = { "twitter", "fbconnect" };

bool linked(Store& s, int64_t user, const std::string& type)
{
    Statement q(s.db, "SELECT 1 FROM linked_networks WHERE user_id = ? AND credential_type = ?");
    q.bind(1, user).bind(2, type);
    return q.step();
}

std::string credentialElement(const std::string& type, bool isLinked, const std::string& updated = {})
{
    return "<users_credential><id>" + type + "</id>" + element("credential_type", type)
        + element("profile_picture_url", isLinked ? "/profile_pictures/" + type + ".png" : "")
        + element("profile_picture_updated_at", updated) + element("has_global_permissions", isLinked ? "true" : "false")
        + element("is_linked", isLinked ? "true" : "false") + "</users_credential>";
}

} // namespace

Answer social::credentials(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string linkedBody, unlinkedBody;
    size_t linkedCount = 0, unlinkedCount = 0;
    for (const char* type : kNetworks) {
        if (linked(s, user, type)) {
            ++linkedCount;
            linkedBody += credentialElement(type, true);
        } else {
            ++unlinkedCount;
            unlinkedBody += credentialElement(type, false);
        }
    }
    std::string sections;
    if (r.param("only_include_not_linked_credentials") != "1")
        sections += "<resource_section><title>Linked</title><identifier>linked</identifier>"
            + xml::pageHeader(linkedCount) + linkedBody + "</resource_section>";
    if (r.param("only_include_linked_credentials") != "1")
        sections += "<resource_section><title>Not Linked</title><identifier>not_linked</identifier>"
            + xml::pageHeader(unlinkedCount) + unlinkedBody + "</resource_section>";
    return Answer::xml("<resources><resource_sections>" + sections + "</resource_sections></resources>");
}

Answer social::link(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string type = r.param("credential_type");
    if (type == "http_basic") {
        Answer secured = accounts::secure(s, r, user);
        return secured.status == 200 ? Answer::xml("<resources>" + credentialElement(type, true) + "</resources>") : secured;
    }
    if (std::find(std::begin(kNetworks), std::end(kNetworks), type) == std::end(kNetworks))
        return xml::fieldErrors(xml::fieldError("credential_type", "is not a network the service links"));
    Statement q(s.db, "INSERT OR REPLACE INTO linked_networks (user_id, credential_type, linked_at) VALUES (?, ?, ?)");
    q.bind(1, user).bind(2, type).bind(3, now()).run();
    return Answer::xml("<resources>" + credentialElement(type, true) + "</resources>");
}

Answer social::importFriends(Store& s, const LoggedRequest& r, int64_t user)
{
    if (!linked(s, user, r.param("credential_name")))
        return xml::error(422, "The network is not linked to this player");
    // The stand-in's networks know nobody else.
    return Answer::xml("<resources></resources>");
}

Answer social::unlink(Store& s, const LoggedRequest& r, int64_t user)
{
    // The settings' removal form names the network by its credential's class.
    std::string type = r.param("credential_type");
    if (type == "TwitterCredential")
        type = "twitter";
    else if (type == "FbconnectCredential")
        type = "fbconnect";
    if (!linked(s, user, type))
        return xml::error(404, "The network is not linked to this player");
    Statement q(s.db, "DELETE FROM linked_networks WHERE user_id = ? AND credential_type = ?");
    q.bind(1, user).bind(2, type).run();
    return Answer::xml("<resources></resources>");
}

Answer social::post(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string message = r.param("msg");
    if (message.empty())
        return xml::fieldErrors(xml::fieldError("msg", "can't be blank"));
    Statement any(s.db, "SELECT 1 FROM linked_networks WHERE user_id = ?");
    any.bind(1, user);
    if (!any.step())
        return xml::error(422, "The player has no linked network to post to");
    std::string image = r.hasParam("image_name") ? r.param("image_name") : r.param("image_id");
    Statement q(s.db, "INSERT INTO social_posts (user_id, message, image_type, image, url, created_at) VALUES"
                      " (?, ?, ?, ?, ?, ?)");
    q.bind(1, user).bind(2, message).bind(3, r.param("image_type")).bind(4, image).bind(5, r.param("url"))
        .bind(6, now()).run();
    return Answer::xml("<resources></resources>");
}

Answer social::imageUrl(Store&, const LoggedRequest& r, int64_t)
{
    std::string name = r.param("image_name");
    if (name.empty())
        return xml::fieldErrors(xml::fieldError("image_name", "can't be blank"));
    return Answer::xml("<resources><image_url>" + element("url", "/notification_images/" + name + ".png")
                       + "</image_url></resources>");
}

Answer social::pictureSources(Store& s, const LoggedRequest&, int64_t user)
{
    std::string body;
    for (const char* type : kNetworks)
        if (linked(s, user, type))
            body += credentialElement(type, true);
    // The account's own credential stands for a picture of the player's own.
    Statement q(s.db, "SELECT updated_at, LENGTH(picture) > 0 FROM profile_pictures WHERE user_id = ? AND source = 'Upload'");
    q.bind(1, user);
    bool uploaded = q.step();
    body += "<users_credential><id>http_basic</id>" + element("credential_type", "http_basic")
        + element("profile_picture_url", uploaded && q.integer(1) ? players::pictureUrl(user) : "")
        + element("profile_picture_updated_at", uploaded ? q.text(0) : "") + "<is_linked>true</is_linked></users_credential>";
    return Answer::xml("<resources>" + body + "</resources>");
}

Answer social::selectPicture(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string type = r.path.substr(std::string("profile_picture/select/").size());
    bool upload = type == "upload" || type == "Upload" || type == "http_basic";
    if (!upload && !linked(s, user, type))
        return xml::error(404, "No such picture source");
    Statement q(s.db, "INSERT OR REPLACE INTO profile_pictures (user_id, source, picture, updated_at) VALUES (?, ?, ?, ?)");
    q.bind(1, user).bind(2, upload ? std::string("Upload") : type).bind(3, r.param("uploaded_profile_picture"))
        .bind(4, now()).run();
    return Answer::xml("<resources>" + players::userElement(s, user, user) + "</resources>");
}

Answer social::picture(Store& s, const LoggedRequest& r)
{
    // profile_pictures/<id>.jpg: the picture of their own a player chose, as they sent it.
    const std::string name = r.path.substr(std::string("profile_pictures/").size());
    const std::optional<int64_t> user = endsWith(name, ".jpg") ? number(name.substr(0, name.size() - 4)) : std::nullopt;
    if (!user)
        return xml::error(404, "No such picture");
    Statement q(s.db, "SELECT picture FROM profile_pictures WHERE user_id = ? AND source = 'Upload'");
    q.bind(1, *user);
    const std::string bytes = q.step() ? q.text(0) : std::string();
    if (bytes.empty())
        return xml::error(404, "No such picture");
    Answer answer;
    answer.body = bytes;
    answer.contentType = bytes.rfind("\x89PNG", 0) == 0 ? "image/png" : "image/jpeg";
    return answer;
}

Answer social::refreshPicture(Store& s, const LoggedRequest&, int64_t user)
{
    Statement q(s.db, "UPDATE profile_pictures SET updated_at = ? WHERE user_id = ?");
    q.bind(1, now()).bind(2, user).run();
    return Answer::xml("<resources>" + players::userElement(s, user, user) + "</resources>");
}

Answer social::deviceToken(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string udid = r.param("udid"), token = r.param("device_token");
    if (udid.empty() || token.empty())
        return xml::fieldErrors(xml::fieldError(udid.empty() ? "udid" : "device_token", "can't be blank"));
    // A device's pushes go where its own players say: a player not known on
    // a device that other players use, or whose token another player set, is refused.
    Statement others(s.db, "SELECT 1 FROM devices WHERE udid = ?1 AND user_id <> ?2 UNION SELECT 1 FROM"
                           " device_accounts WHERE udid = ?1 AND user_id <> ?2 UNION SELECT 1 FROM device_tokens"
                           " WHERE udid = ?1 AND user_id <> ?2");
    others.bind(1, udid).bind(2, user);
    if (others.step() && !players::onDevice(s, udid, user))
        return xml::error(403, "A push token is set only from the player's own device");
    Statement q(s.db, "INSERT OR REPLACE INTO device_tokens (udid, user_id, token, environment) VALUES (?, ?, ?, ?)");
    q.bind(1, udid).bind(2, user).bind(3, token).bind(4, r.param("apns_environment")).run();
    return Answer::xml("<resources></resources>");
}

Answer social::invitableFriends(Store& s, const LoggedRequest& r, int64_t user)
{
    xml::Page page = xml::requestedPage(r);
    const char* where = "FROM friends WHERE user_id = ?1 AND friend_id NOT IN (SELECT receiver_id FROM invites WHERE"
                        " sender_id = ?1 AND receiver_id IS NOT NULL)";
    Statement total(s.db, (std::string("SELECT COUNT(*) ") + where).c_str());
    total.bind(1, user);
    total.step();
    Statement q(s.db, (std::string("SELECT friend_id ") + where + " ORDER BY friend_id LIMIT ?2 OFFSET ?3").c_str());
    q.bind(1, user).bind(2, static_cast<int64_t>(page.perPage)).bind(3, static_cast<int64_t>(page.offset()));
    std::string body;
    while (q.step())
        body += players::userElement(s, q.integer(0), user);
    return Answer::xml("<resources>" + xml::pageHeader(static_cast<size_t>(total.integer(0)), page) + body
                       + "</resources>");
}

Answer social::httpBasic(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string id = r.path.substr(std::string("http_basic_credentials/").size());
    if (!endsWith(id, ".xml"))
        return xml::error(404, "Not found");
    id.resize(id.size() - 4);
    // The change-address screen asks for "me", the forms' name for the player.
    if (id != "@me" && id != "me" && number(id) != user)
        return xml::error(403, "Only the player's own credential can be read");
    auto address = accounts::email(s, user);
    if (!address)
        return xml::error(404, "The player has no e-mail address and password");
    return Answer::xml("<resources><http_basic_credential><id>" + std::to_string(user) + "</id>"
                       + element("user_id", std::to_string(user)) + element("email", *address) + "<verified>false</verified>"
                       + element("name", players::name(s, user).value_or("")) + "</http_basic_credential></resources>");
}

Answer social::invalidateBlob(Store& s, const LoggedRequest& r, int64_t)
{
    // high_scores/<id>/invalidate_blob.xml: a player shown the score's
    // blob_url (any player: the lists are everyone's) met a 404 fetching it.
    auto score = pathId(r.path);
    Statement known(s.db, "SELECT 1 FROM high_scores WHERE id = ?");
    known.bind(1, score.value_or(-1));
    if (!score || !endsWith(r.path, "/invalidate_blob.xml") || !known.step())
        return xml::error(404, "No such score");
    Statement blob(s.db, "SELECT key FROM score_blobs WHERE score_id = ?");
    blob.bind(1, *score);
    if (!blob.step())
        return Answer::xml("<resources></resources>"); // no blob is listed for it
    // The host's word, not the reporter's: a blob it holds stays listed.
    if (s.storage && s.storage->storedObject(blob.text(0)))
        return xml::error(422, "The storage host holds the blob of score " + std::to_string(*score));
    Statement mark(s.db, "INSERT OR IGNORE INTO invalid_blobs (high_score_id) VALUES (?)");
    mark.bind(1, *score).run();
    return Answer::xml("<resources></resources>");
}

Answer social::withPendingNotices(Store& s, int64_t user, Answer answer)
{
    // Only a page of resources has a place for them; anything else leaves them waiting.
    const std::string close = "</resources>";
    size_t at = answer.status == 200 ? answer.body.rfind(close) : std::string::npos;
    if (at == std::string::npos || answer.contentType.find("xml") == std::string::npos)
        return answer;
    std::string notices;
    Statement q(s.db, "SELECT text, detail, score, icon_url, background_url, status_url FROM server_notices"
                      " WHERE user_id = ? ORDER BY id");
    q.bind(1, user);
    while (q.step())
        notices += "<server_notification>" + element("text", q.text(0)) + element("detail", q.text(1))
            + element("score", q.text(2)) + element("iconImage", q.text(3)) + element("backImage", q.text(4))
            + element("statusImage", q.text(5)) + "</server_notification>";
    if (notices.empty())
        return answer;
    Statement done(s.db, "DELETE FROM server_notices WHERE user_id = ?");
    done.bind(1, user).run();
    answer.body.insert(at, notices);
    return answer;
}

void StandInState::addServerNotice(int64_t user, const ServerNotice& notice)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return;
    Statement q(store_->db, "INSERT INTO server_notices (user_id, text, detail, score, icon_url, background_url,"
                            " status_url) VALUES (?, ?, ?, ?, ?, ?, ?)");
    q.bind(1, user).bind(2, notice.text).bind(3, notice.detail).bind(4, notice.score).bind(5, notice.iconUrl)
        .bind(6, notice.backgroundUrl).bind(7, notice.statusUrl).run();
}

} // namespace standin
