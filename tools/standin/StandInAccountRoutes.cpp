// The stand-in's account routes: the accounts used on a device, login,
// credentials, the player's name, e-mail and password, the password reset and
// extended credentials. Each answers success, or the service's field errors
// for the inputs a real service refuses: a wrong password ("wrong"), a name
// already taken ("taken"), an empty name, an e-mail address without "@",
// a password confirmation that differs.
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInXml.h"

#include <algorithm>
#include <memory>

namespace standin {

namespace {

using xml::fieldError;

Answer refused(const std::string& errors) { return xml::fieldErrors(errors); }

Answer ok() { return Answer::xml("<resources></resources>"); }

} // namespace

std::string StandInServer::deviceAccountsAnswer(int count)
{
    static const char* names[] = { "Player", "Second", "Third", "Fourth" };
    std::string users;
    for (int i = 0; i < count && i < 4; ++i)
        users += "<user><id>" + std::to_string(17 + i) + "</id><name>" + names[i] + "</name><gamer_score>"
            + std::to_string(100 * (i + 1)) + "</gamer_score></user>";
    return "<resources>" + xml::pageHeader(count < 4 ? static_cast<size_t>(std::max(count, 0)) : 4) + users + "</resources>";
}

void StandInServer::installAccountRoutes(int deviceAccounts)
{
    route("GET", "users/for_device.xml",
          [deviceAccounts](const LoggedRequest&) { return Answer::xml(deviceAccountsAnswer(deviceAccounts)); });
    auto login = [](const LoggedRequest& r) {
        if (r.param("credential[password]") == "wrong")
            return refused(fieldError("base", "The e-mail address or password is not correct."));
        return ok();
    };
    route("POST", "session.xml", login);
    route("POST", "users_credentials.xml", [](const LoggedRequest& r) {
        if (r.hasParam("credential[password_confirmation]")
            && r.param("credential[password]") != r.param("credential[password_confirmation]"))
            return refused(fieldError("password", "doesn't match confirmation"));
        if (r.hasParam("credential[email]") && r.param("credential[email]").find('@') == std::string::npos)
            return refused(fieldError("email", "is invalid"));
        return ok();
    });
    route("POST", "users/update_name.xml", [](const LoggedRequest& r) {
        std::string name = r.param("user[name]");
        if (name.empty())
            return refused(fieldError("name", "can't be blank"));
        if (name == "taken")
            return refused(fieldError("name", "has already been taken"));
        return ok();
    });
    route("POST", "extended_credentials.xml", [](const LoggedRequest& r) {
        if (r.param("credential[password]") == "wrong")
            return refused(fieldError("base", "Twitter did not accept the password."));
        return ok();
    });
    route("POST", "http_basic_credentials/update_email.xml", [](const LoggedRequest& r) {
        if (r.param("http_basic_credential[email]").find('@') == std::string::npos)
            return refused(fieldError("email", "is invalid"));
        return ok();
    });
    route("POST", "http_basic_credentials/update_password.xml", [](const LoggedRequest& r) {
        if (r.param("http_basic_credential[old_password]") == "wrong")
            return refused(fieldError("old_password", "is not correct"));
        if (r.param("http_basic_credential[password]") != r.param("http_basic_credential[password_confirmation]"))
            return refused(fieldError("password", "doesn't match confirmation"));
        return ok();
    });
    route("POST", "support/do_pw_reset.xml", [](const LoggedRequest&) { return ok(); });
}

} // namespace standin
