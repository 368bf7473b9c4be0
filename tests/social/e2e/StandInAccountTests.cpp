// The stand-in's e-mail accounts keep their word: an address and password a
// player secures the account with are kept (the password salted and hashed),
// a login on another device opens that account only with the right password,
// a change or a reset needs a verified signature (and the old password) and
// is kept, and an extended credential needs the network it extends. Their
// forms' refusals are 406, which the client's forms show in their own alert.
#include "StandInRequestSupport.h"

#include "tools/standin/StandInAccounts.h"

#include <gtest/gtest.h>

using standin_testing::KeptStandInTest;
using standin_testing::Reply;

namespace {

bool has(const std::string& body, const std::string& text) { return body.find(text) != std::string::npos; }

constexpr const char* kLoginRefused = "<error><field>base</field><reason>The e-mail address or password is not "
                                      "correct.</reason></error>";

class StandInAccounts : public KeptStandInTest {
protected:
    // Signed by the game alone, as the login form and a device's first bootstrap are.
    Reply logIn(const std::string& email, const std::string& password, const std::string& udid = "phone-b")
    {
        return standin_testing::ask(server.port(), "POST", "session.xml",
                                    { { "credential[email]", email }, { "credential[password]", password },
                                      { "udid", udid }, { "credential_type", "http_basic" } },
                                    "", "");
    }
    // The player a device's bootstrap opens.
    std::string bootstrapOn(const std::string& udid)
    {
        auto reply = standin_testing::ask(server.port(), "POST", "bootstrap.xml", { { "udid", udid } }, "", "");
        size_t at = reply.body.find("<user><id>");
        return at == std::string::npos ? "" : reply.body.substr(at + 10, reply.body.find('<', at + 10) - at - 10);
    }
    Reply secure(int64_t player, const std::string& email, const std::string& password)
    {
        return send(player, "POST", "users_credentials.xml",
                    { { "credential[email]", email }, { "credential[password]", password },
                      { "credential[password_confirmation]", password }, { "udid", "phone-a" },
                      { "credential_type", "http_basic" } });
    }
    Reply unsignedPost(const std::string& path, const std::string& form)
    {
        return standin_testing::sendRaw(server.port(), "POST /" + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: "
                                                       "close\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                                                       "Content-Length: "
                                                           + std::to_string(form.size()) + "\r\n\r\n" + form);
    }
    Reply changePassword(int64_t player, const std::string& old, const std::string& password,
                         const std::string& confirmation)
    {
        return send(player, "POST", "http_basic_credentials/update_password.xml",
                    { { "http_basic_credential[old_password]", old }, { "http_basic_credential[password]", password },
                      { "http_basic_credential[password_confirmation]", confirmation }, { "id", "me" } });
    }
};

} // namespace

TEST_F(StandInAccounts, SecuringAnAccountKeepsTheAddressAndOnlyAHashOfThePassword)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    const std::string who = std::to_string(ann);
    EXPECT_EQ(send(ann, "GET", "http_basic_credentials/@me.xml").status, 404);

    auto secured = secure(ann, "ann@example.com", "tulip-42");
    EXPECT_EQ(secured.status, 200) << secured.body;
    EXPECT_TRUE(has(secured.body, "<credential_type>http_basic</credential_type>")) << secured.body;
    EXPECT_EQ(queryText("SELECT email FROM email_credentials WHERE user_id = " + who), "ann@example.com");
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM email_credentials WHERE password_hash LIKE '%tulip%' OR salt = ''"), "0");
    EXPECT_EQ(queryText("SELECT length(password_hash) FROM email_credentials WHERE user_id = " + who), "64");
    // The account says so: its credential names the address, its login knows it has one.
    for (const char* me : { "@me", "me" })
        EXPECT_TRUE(has(send(ann, "GET", std::string("http_basic_credentials/") + me + ".xml").body,
                        "<email>ann@example.com</email>"))
            << me;

    // What the form refuses, with the field it names; nothing of it is kept.
    struct Case {
        int64_t player;
        standin::Params form;
        std::string error;
    };
    auto form = [](const std::string& email, const std::string& password, const std::string& confirmation) {
        return standin::Params { { "credential[email]", email }, { "credential[password]", password },
                                 { "credential[password_confirmation]", confirmation }, { "credential_type", "http_basic" } };
    };
    const std::vector<Case> refused {
        { bob, form("bob", "pw", "pw"), "<field>email</field><reason>is invalid</reason>" },
        { bob, form("bob @example.com", "pw", "pw"), "<field>email</field><reason>is invalid</reason>" },
        { bob, form("ANN@example.com", "pw", "pw"), "<field>email</field><reason>has already been taken</reason>" },
        { bob, form("bob@example.com", "", ""), "<field>password</field><reason>can't be blank</reason>" },
        { bob, form("bob@example.com", "pw", "pv"), "<field>password</field><reason>doesn't match confirmation</reason>" },
        { ann, form("ann2@example.com", "pw", "pw"), "secured with an e-mail address and password already" },
    };
    for (auto& c : refused) {
        auto reply = send(c.player, "POST", "users_credentials.xml", c.form);
        EXPECT_EQ(reply.status, 406) << c.error;
        EXPECT_TRUE(has(reply.body, c.error)) << reply.body;
    }
    EXPECT_EQ(queryText("SELECT group_concat(email) FROM email_credentials"), "ann@example.com");
    // Seeding an account takes no address the form would refuse either.
    for (const char* address : { "bob", "bob @example.com", "ANN@example.com" })
        EXPECT_FALSE(state->secureAccount(bob, address, "pw")) << address;
    EXPECT_TRUE(state->secureAccount(bob, "bob@example.com", "pw"));
}

TEST_F(StandInAccounts, ALoginOpensTheAccountOnAnotherDeviceOnlyWithItsPassword)
{
    int64_t ann = addPlayer("Ann");
    ASSERT_EQ(secure(ann, "ann@example.com", "tulip-42").status, 200);
    const std::string own = bootstrapOn("phone-b");
    ASSERT_FALSE(own.empty());

    // Unsigned, a wrong password, an address nobody has: refused, and the device keeps its own player.
    auto unsignedLogin = unsignedPost("session.xml", "credential%5Bemail%5D=ann%40example.com&credential%5Bpassword%5D="
                                                     "tulip-42&udid=phone-b&credential_type=http_basic");
    EXPECT_EQ(unsignedLogin.status, 401);
    for (auto [email, password] : { std::pair { "ann@example.com", "tulip-41" }, std::pair { "nobody@example.com", "tulip-42" },
                                    std::pair { "ann@example.com", "" } }) {
        auto reply = logIn(email, password);
        EXPECT_EQ(reply.status, 406) << email << " " << password;
        EXPECT_TRUE(has(reply.body, kLoginRefused)) << reply.body;
    }
    EXPECT_EQ(bootstrapOn("phone-b"), own);
    // Nor does its time tell: an address nobody has is hashed as Ann's is.
    for (const char* email : { "nobody@example.com", "ann@example.com" }) {
        const uint64_t before = standin::accounts::hashCount();
        EXPECT_EQ(logIn(email, "tulip-41").status, 406) << email;
        EXPECT_EQ(standin::accounts::hashCount() - before, 1u) << email;
    }

    // The right password (the address in any case) makes the account the device's.
    auto reply = logIn("Ann@Example.com", "tulip-42");
    EXPECT_EQ(reply.status, 200) << reply.body;
    EXPECT_EQ(bootstrapOn("phone-b"), std::to_string(ann));
    auto login = standin_testing::ask(server.port(), "POST", "bootstrap.xml", { { "udid", "phone-b" } }, "", "");
    EXPECT_TRUE(has(login.body, "<has_http_basic_credential>true</has_http_basic_credential>")) << login.body;
    // Both accounts are listed among the device's.
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM device_accounts WHERE udid = 'phone-b' AND user_id IN (" + own + ", "
                        + std::to_string(ann) + ")"),
              "2");
}

TEST_F(StandInAccounts, AChangeNeedsTheSignatureAndTheOldPasswordAndIsKept)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    ASSERT_EQ(secure(ann, "ann@example.com", "tulip-42").status, 200);
    ASSERT_EQ(secure(bob, "bob@example.com", "rose-7").status, 200);

    EXPECT_EQ(unsignedPost("http_basic_credentials/update_password.xml",
                           "http_basic_credential%5Bold_password%5D=tulip-42&http_basic_credential%5Bpassword%5D=x&"
                           "http_basic_credential%5Bpassword_confirmation%5D=x")
                  .status,
              401);
    auto wrongOld = changePassword(ann, "tulip-41", "daisy-9", "daisy-9");
    EXPECT_EQ(wrongOld.status, 406);
    EXPECT_TRUE(has(wrongOld.body, "<field>old_password</field><reason>is not correct</reason>")) << wrongOld.body;
    auto differing = changePassword(ann, "tulip-42", "daisy-9", "daisy-8");
    EXPECT_EQ(differing.status, 406);
    EXPECT_TRUE(has(differing.body, "<field>password</field><reason>doesn't match confirmation</reason>"));
    // Nothing typed for the new one: accepted, and nothing changes.
    EXPECT_EQ(changePassword(ann, "tulip-42", "", "").status, 200);
    EXPECT_EQ(logIn("ann@example.com", "tulip-42").status, 200);

    EXPECT_EQ(changePassword(ann, "tulip-42", "daisy-9", "daisy-9").status, 200);
    EXPECT_EQ(logIn("ann@example.com", "tulip-42").status, 406);
    EXPECT_EQ(logIn("ann@example.com", "daisy-9").status, 200);

    // The address: unsigned, not one, another's; then a new one, which logs in from then on.
    const std::string path = "http_basic_credentials/update_email.xml";
    EXPECT_EQ(unsignedPost(path, "http_basic_credential%5Bemail%5D=ann%40new.example.com").status, 401);
    for (auto [address, reason] : { std::pair { "ann", "is invalid" }, std::pair { "bob@example.com", "has already been taken" } }) {
        auto reply = send(ann, "POST", path, { { "http_basic_credential[email]", address }, { "id", "me" } });
        EXPECT_EQ(reply.status, 406) << address;
        EXPECT_TRUE(has(reply.body, std::string("<field>email</field><reason>") + reason)) << reply.body;
    }
    EXPECT_EQ(send(ann, "POST", path, { { "http_basic_credential[email]", "ann@new.example.com" }, { "id", "me" } }).status, 200);
    EXPECT_EQ(logIn("ann@example.com", "daisy-9").status, 406);
    EXPECT_EQ(logIn("ann@new.example.com", "daisy-9").status, 200);

    // A player without an e-mail and password has neither to change.
    int64_t cid = addPlayer("Cid");
    for (auto& reply : { changePassword(cid, "", "x", "x"),
                         send(cid, "POST", path, { { "http_basic_credential[email]", "cid@example.com" } }) }) {
        EXPECT_EQ(reply.status, 406);
        EXPECT_TRUE(has(reply.body, "The account has no e-mail address and password yet.")) << reply.body;
    }
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM email_credentials WHERE user_id = " + std::to_string(cid)), "0");
}

TEST_F(StandInAccounts, AResetMailsANewPasswordThatReplacesTheOld)
{
    int64_t ann = addPlayer("Ann"), bob = addPlayer("Bob");
    ASSERT_EQ(secure(ann, "ann@example.com", "tulip-42").status, 200);
    const std::string who = std::to_string(ann);

    EXPECT_EQ(unsignedPost("support/do_pw_reset.xml", "id=" + who).status, 401);
    EXPECT_EQ(send(bob, "POST", "support/do_pw_reset.xml", { { "id", who } }).status, 403);
    auto none = send(bob, "POST", "support/do_pw_reset.xml", { { "id", std::to_string(bob) } });
    EXPECT_EQ(none.status, 406);
    EXPECT_TRUE(has(none.body, "The account has no e-mail address to send a new password to.")) << none.body;
    EXPECT_EQ(queryText("SELECT COUNT(*) FROM mails"), "0");
    EXPECT_EQ(logIn("ann@example.com", "tulip-42").status, 200);

    EXPECT_EQ(send(ann, "POST", "support/do_pw_reset.xml", { { "id", who } }).status, 200);
    EXPECT_EQ(queryText("SELECT address FROM mails WHERE user_id = " + who), "ann@example.com");
    const std::string mail = queryText("SELECT body FROM mails WHERE user_id = " + who);
    const std::string lead = "Your new password is ";
    ASSERT_EQ(mail.rfind(lead, 0), 0u) << mail;
    const std::string password = mail.substr(lead.size(), mail.find('\n') - lead.size());
    EXPECT_EQ(password.size(), 10u);
    EXPECT_EQ(password.find_first_not_of("abcdefghjkmnpqrstuvwxyz23456789"), std::string::npos) << password;
    EXPECT_EQ(logIn("ann@example.com", "tulip-42").status, 406);
    EXPECT_EQ(logIn("ann@example.com", password).status, 200);
}

TEST_F(StandInAccounts, AnExtendedCredentialNeedsTheLinkedNetworkAndIsKept)
{
    int64_t ann = addPlayer("Ann");
    const std::string who = std::to_string(ann);
    const std::string kept = "SELECT group_concat(credential_type) FROM (SELECT credential_type FROM extended_credentials"
                             " WHERE user_id = " + who + " ORDER BY credential_type)";
    auto extend = [&](const standin::Params& form) { return send(ann, "POST", "extended_credentials.xml", form); };
    const standin::Params twitter { { "credential[password]", "birdword" }, { "credential_type", "twitter" } };

    EXPECT_EQ(unsignedPost("extended_credentials.xml", "credential%5Bpassword%5D=birdword&credential_type=twitter").status, 401);
    auto unlinked = extend(twitter);
    EXPECT_EQ(unlinked.status, 406);
    EXPECT_TRUE(has(unlinked.body, "Twitter is not linked to this account.")) << unlinked.body;
    EXPECT_EQ(extend({ { "credential_type", "myspace" } }).status, 406);

    ASSERT_TRUE(execSql("INSERT INTO linked_networks VALUES (" + who + ", 'twitter', '2026-01-01 00:00:00')"));
    auto wrong = extend({ { "credential[password]", "wrong" }, { "credential_type", "twitter" } });
    EXPECT_EQ(wrong.status, 406);
    EXPECT_TRUE(has(wrong.body, "Twitter did not accept the password.")) << wrong.body;
    EXPECT_EQ(queryText(kept), "");
    EXPECT_EQ(extend(twitter).status, 200);
    EXPECT_EQ(queryText(kept), "twitter");

    // Facebook's comes signed by the game alone, from the device that plays the account.
    ASSERT_TRUE(execSql("INSERT INTO linked_networks VALUES (" + who + ", 'fbconnect', '2026-01-01 00:00:00');"
                        " INSERT INTO devices VALUES ('phone-a', " + who + ")"));
    auto facebook = standin_testing::ask(server.port(), "POST", "extended_credentials.xml",
                                         { { "udid", "phone-a" }, { "credential_type", "fbconnect" },
                                           { "credential[has_extended_credentials]", "true" } },
                                         "", "");
    EXPECT_EQ(facebook.status, 200) << facebook.body;
    EXPECT_EQ(queryText(kept), "fbconnect,twitter");
}
