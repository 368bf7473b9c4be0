// The stand-in's e-mail accounts and extended credentials: securing an
// account, logging in with it on another device, changing its address or
// password, the mailed reset, and a network's permission to post.
#include "tools/standin/StandInAccounts.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInXml.h"

#include "platform/foundation/Text.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <atomic>
#include <string_view>

namespace standin {

using xml::fieldError;

const char* const accounts::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS email_credentials (user_id INTEGER PRIMARY KEY, email TEXT NOT NULL UNIQUE COLLATE NOCASE,
    salt TEXT NOT NULL, password_hash TEXT NOT NULL, created_at TEXT NOT NULL, updated_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS extended_credentials (user_id INTEGER NOT NULL, credential_type TEXT NOT NULL,
    granted_at TEXT NOT NULL, PRIMARY KEY (user_id, credential_type));
CREATE TABLE IF NOT EXISTS mails (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL,
    address TEXT NOT NULL, subject TEXT NOT NULL, body TEXT NOT NULL, sent_at TEXT NOT NULL);
)sql";

namespace {

constexpr const char* kLoginRefused = "The e-mail address or password is not correct.";
constexpr const char* kNotSecured = "The account has no e-mail address and password yet.";
// PBKDF2-HMAC-SHA256 over a random salt of 16 bytes. The rounds are a
// stand-in's: a test logging in many times (or the fuzz target) does not
// wait on the hash.
constexpr int kHashRounds = 2048;
constexpr size_t kSaltBytes = 16;
// The letters of a mailed password: none that reads as another (no i, l, o, 0, 1).
constexpr std::string_view kPasswordLetters = "abcdefghjkmnpqrstuvwxyz23456789";
constexpr size_t kMailedPasswordLength = 10;

std::atomic<uint64_t> hashes { 0 };

std::optional<std::string> randomSalt() { return randomHex(kSaltBytes); }

// The hash kept for a password, or none when the library could not make one.
std::optional<std::string> hashOf(const std::string& password, const std::string& salt)
{
    ++hashes;
    unsigned char out[32];
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                          reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                          kHashRounds, EVP_sha256(), sizeof out, out)
        != 1)
        return std::nullopt;
    return platform::hexString(out);
}

// A new password of kPasswordLetters, each letter as likely as the others
// (a byte past the last whole round of the alphabet is drawn again).
std::optional<std::string> randomPassword()
{
    const unsigned limit = 256 - 256 % kPasswordLetters.size();
    std::string password;
    while (password.size() < kMailedPasswordLength) {
        unsigned char bytes[16];
        if (RAND_bytes(bytes, sizeof bytes) != 1)
            return std::nullopt;
        for (unsigned char b : bytes)
            if (b < limit && password.size() < kMailedPasswordLength)
                password += kPasswordLetters[b % kPasswordLetters.size()];
    }
    return password;
}

// The account forms show a refusal in their own alert and stay: a 406 reaches
// them as it is, where any other refusal would also put the client's
// "try again" screen up behind the alert in the dashboard.
Answer refused(const std::string& errors) { return xml::fieldErrors(errors, 406); }

Answer noRandomness() { return xml::error(500, "The service has no random bytes to salt a password with"); }

Answer noHash() { return xml::error(500, "The service could not hash the password"); }

// An address: something, an "@", something, and no blank or control character.
bool isAddress(const std::string& text)
{
    size_t at = text.find('@');
    return at != std::string::npos && at > 0 && at + 1 < text.size() && text.size() <= 254
        && std::none_of(text.begin(), text.end(), [](unsigned char c) { return c <= ' ' || c == 0x7f; });
}

bool addressTaken(Store& s, const std::string& address, int64_t user)
{
    Statement q(s.db, "SELECT 1 FROM email_credentials WHERE email = ? AND user_id != ?");
    q.bind(1, address).bind(2, user);
    return q.step();
}

// What is wrong with an address a player gives their account ("" when nothing).
std::string addressErrors(Store& s, const std::string& address, int64_t user)
{
    if (!isAddress(address))
        return fieldError("email", "is invalid");
    if (addressTaken(s, address, user))
        return fieldError("email", "has already been taken");
    return {};
}

// Whether `password` hashes to `expected` with `salt`.
bool hashMatches(const std::string& password, const std::string& salt, const std::string& expected)
{
    auto given = hashOf(password, salt);
    return given && expected.size() == given->size()
        && CRYPTO_memcmp(expected.data(), given->data(), given->size()) == 0;
}

// Whether `password` is the one kept for `user`.
bool passwordMatches(Store& s, int64_t user, const std::string& password)
{
    Statement q(s.db, "SELECT salt, password_hash FROM email_credentials WHERE user_id = ?");
    q.bind(1, user);
    return q.step() && hashMatches(password, q.text(0), q.text(1));
}

// False when the password could not be hashed or kept.
bool setPassword(Store& s, int64_t user, const std::string& password, const std::string& salt)
{
    auto hash = hashOf(password, salt);
    Statement q(s.db, "UPDATE email_credentials SET salt = ?, password_hash = ?, updated_at = ? WHERE user_id = ?");
    return hash && q.bind(1, salt).bind(2, *hash).bind(3, now()).bind(4, user).run();
}

bool insertCredential(Store& s, int64_t user, const std::string& address, const std::string& password,
                      const std::string& salt)
{
    auto hash = hashOf(password, salt);
    Statement q(s.db, "INSERT INTO email_credentials (user_id, email, salt, password_hash, created_at, updated_at)"
                      " VALUES (?, ?, ?, ?, ?, ?)");
    std::string at = now();
    return hash && q.bind(1, user).bind(2, address).bind(3, salt).bind(4, *hash).bind(5, at).bind(6, at).run();
}

Answer done() { return Answer::xml("<resources></resources>"); }

const char* networkName(const std::string& type) { return type == "twitter" ? "Twitter" : "Facebook"; }

} // namespace

std::optional<std::string> accounts::email(Store& s, int64_t user)
{
    Statement q(s.db, "SELECT email FROM email_credentials WHERE user_id = ?");
    q.bind(1, user);
    if (!q.step())
        return std::nullopt;
    return q.text(0);
}

uint64_t accounts::hashCount() { return hashes.load(); }

bool accounts::keep(Store& s, int64_t user, const std::string& address, const std::string& password)
{
    auto salt = randomSalt();
    return salt && !email(s, user) && addressErrors(s, address, user).empty()
        && insertCredential(s, user, address, password, *salt);
}

Answer accounts::secure(Store& s, const LoggedRequest& r, int64_t user)
{
    if (email(s, user))
        return refused(fieldError("base", "The account is secured with an e-mail address and password already."));
    std::string address = r.param("credential[email]"), password = r.param("credential[password]");
    std::string errors = addressErrors(s, address, user);
    if (password.empty())
        errors += fieldError("password", "can't be blank");
    else if (r.hasParam("credential[password_confirmation]") && password != r.param("credential[password_confirmation]"))
        errors += fieldError("password", "doesn't match confirmation");
    if (!errors.empty())
        return refused(errors);
    auto salt = randomSalt();
    if (!salt)
        return noRandomness();
    if (!insertCredential(s, user, address, password, *salt))
        return noHash();
    return done();
}

Answer accounts::logIn(Store& s, const LoggedRequest& r)
{
    if (!r.signed_ || !r.signatureValid)
        return r.signed_ ? signatureRefusal(r) : xml::error(401, "The request is not signed");
    const std::string type = r.param("credential_type");
    if (type == "twitter" || type == "fbconnect") {
        // The networks' stand-ins take any password but "wrong"; they hold no accounts of the service.
        if (r.param("credential[password]") == "wrong")
            return refused(fieldError("base", kLoginRefused));
        return done();
    }
    if (type != "http_basic")
        return refused(fieldError("credential_type", "is not a credential the service logs in with"));
    const std::string udid = r.param("udid");
    if (udid.empty())
        return refused(fieldError("udid", "can't be blank"));
    Statement q(s.db, "SELECT user_id, salt, password_hash FROM email_credentials WHERE email = ?");
    q.bind(1, r.param("credential[email]"));
    // An unknown address and a wrong password are refused alike, and an
    // unknown address is hashed as a known one is: neither the answer nor its
    // time tells anyone which addresses have accounts.
    static const std::string decoySalt = randomSalt().value_or(std::string(2 * kSaltBytes, '0'));
    bool known = q.step();
    bool matches = hashMatches(r.param("credential[password]"), known ? q.text(1) : decoySalt, known ? q.text(2) : "");
    if (!known || !matches)
        return refused(fieldError("base", kLoginRefused));
    int64_t user = q.integer(0);
    // The device opens this account from now on, and lists it among those used on it.
    Statement device(s.db, "INSERT OR REPLACE INTO devices (udid, user_id) VALUES (?, ?)");
    device.bind(1, udid).bind(2, user).run();
    Statement used(s.db, "INSERT OR IGNORE INTO device_accounts (udid, user_id) VALUES (?, ?)");
    used.bind(1, udid).bind(2, user).run();
    return Answer::xml("<resources>" + players::userElement(s, user, user) + "</resources>");
}

Answer accounts::changeEmail(Store& s, const LoggedRequest& r, int64_t user)
{
    if (!email(s, user))
        return refused(fieldError("base", kNotSecured));
    std::string address = r.param("http_basic_credential[email]");
    if (std::string errors = addressErrors(s, address, user); !errors.empty())
        return refused(errors);
    Statement q(s.db, "UPDATE email_credentials SET email = ?, updated_at = ? WHERE user_id = ?");
    q.bind(1, address).bind(2, now()).bind(3, user).run();
    return done();
}

Answer accounts::changePassword(Store& s, const LoggedRequest& r, int64_t user)
{
    if (!email(s, user))
        return refused(fieldError("base", kNotSecured));
    if (!passwordMatches(s, user, r.param("http_basic_credential[old_password]")))
        return refused(fieldError("old_password", "is not correct"));
    std::string password = r.param("http_basic_credential[password]");
    if (password != r.param("http_basic_credential[password_confirmation]"))
        return refused(fieldError("password", "doesn't match confirmation"));
    if (password.empty())
        return done(); // nothing to change: the form says the password has not been changed
    auto salt = randomSalt();
    if (!salt)
        return noRandomness();
    if (!setPassword(s, user, password, *salt))
        return noHash();
    return done();
}

Answer accounts::resetPassword(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string id = r.param("id");
    if (!id.empty() && id != "me" && number(id) != user)
        return xml::error(403, "Only the player's own password can be reset");
    auto address = email(s, user);
    if (!address)
        return refused(fieldError("base", "The account has no e-mail address to send a new password to."));
    auto salt = randomSalt();
    auto password = randomPassword();
    if (!salt || !password)
        return noRandomness();
    if (!setPassword(s, user, *password, *salt))
        return noHash();
    // The mail carries the password to the player, as a mail does: the
    // outbox is the one place the state holds a password as it is.
    Statement mail(s.db, "INSERT INTO mails (user_id, address, subject, body, sent_at) VALUES (?, ?, ?, ?, ?)");
    mail.bind(1, user).bind(2, *address).bind(3, "Your new password")
        .bind(4, "Your new password is " + *password + "\n").bind(5, now()).run();
    return done();
}

Answer accounts::extend(Store& s, const LoggedRequest& r)
{
    if (!r.signed_ || !r.signatureValid)
        return r.signed_ ? signatureRefusal(r) : xml::error(401, "The request is not signed");
    auto user = s.caller(r);
    if (!user && !r.param("udid").empty())
        user = players::forDevice(s, r.param("udid"));
    if (!user)
        return xml::error(401, "The request is not signed by a known player");
    const std::string type = r.param("credential_type");
    if (type != "twitter" && type != "fbconnect")
        return refused(fieldError("credential_type", "is not a network the service links"));
    Statement linked(s.db, "SELECT 1 FROM linked_networks WHERE user_id = ? AND credential_type = ?");
    linked.bind(1, *user).bind(2, type);
    if (!linked.step())
        return refused(fieldError("base", std::string(networkName(type)) + " is not linked to this account."));
    if (type == "twitter") {
        std::string password = r.param("credential[password]");
        if (password.empty())
            return refused(fieldError("password", "can't be blank"));
        if (password == "wrong")
            return refused(fieldError("base", "Twitter did not accept the password."));
    }
    Statement q(s.db, "INSERT OR REPLACE INTO extended_credentials (user_id, credential_type, granted_at) VALUES (?, ?, ?)");
    q.bind(1, *user).bind(2, type).bind(3, now()).run();
    return done();
}

} // namespace standin
