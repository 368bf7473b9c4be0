// The stand-in's e-mail accounts: a player secures their account with an
// e-mail address and a password (kept salted and hashed, never as typed; the
// one password the state holds as it is is a reset's, in the mail that
// carries it to the player),
// logs in with them on any device, changes either, or has a new password
// mailed; and the extended credentials a network needs before the service may
// post for the player. Each answers success only for what it kept, and the
// field errors the account forms show for what it refuses, with status 406:
// the client hands that to the form, which shows it in its alert (another
// refusal would also bring up its "try again" screen in the dashboard).
#pragma once

#include "tools/standin/StandInStore.h"

#include <cstdint>
#include <optional>
#include <string>

namespace standin::accounts {

extern const char* const kSchema;

// POST users_credentials.xml with credential_type http_basic: the caller's
// account gets credential[email] and credential[password] (with
// credential[password_confirmation] when sent). Refused for an address that is
// not one or that another account uses, an empty password, a confirmation
// that differs, or an account secured already.
Answer secure(Store& s, const LoggedRequest& r, int64_t user);
// POST session.xml, signed by the game (the device's token may come along):
// with credential_type http_basic the account whose credential[email] and
// credential[password] these are becomes the device's (udid), so the next
// bootstrap opens it; an unknown address and a wrong password get the same
// refusal. The networks' logins (twitter, fbconnect) are answered as their
// stand-ins answer: any password but "wrong".
Answer logIn(Store& s, const LoggedRequest& r);
// POST http_basic_credentials/update_email.xml: http_basic_credential[email].
Answer changeEmail(Store& s, const LoggedRequest& r, int64_t user);
// POST http_basic_credentials/update_password.xml: http_basic_credential[old_password]
// must be the password; [password] and [password_confirmation] the same. Both
// left empty change nothing (and say so by succeeding without a change).
Answer changePassword(Store& s, const LoggedRequest& r, int64_t user);
// POST support/do_pw_reset.xml with id (the caller's): a new password
// replaces the old one and is mailed to the address on file (kept in the
// table `mails`, the stand-in's outbox, the mail's text holding the password
// as the player will read it).
Answer resetPassword(Store& s, const LoggedRequest& r, int64_t user);
// POST extended_credentials.xml with credential_type twitter (and the
// player's credential[password]) or fbconnect: the network linked to the
// player may be posted to for them from now on. The player is the token's,
// else the device's (udid).
Answer extend(Store& s, const LoggedRequest& r);

// The address the player's account is secured with, if any.
std::optional<std::string> email(Store& s, int64_t user);
// Secures `user` with an address and a password as secure() does, for
// seeding; false when the address is not one (as secure() judges it) or is
// taken, or the store refused it.
bool keep(Store& s, int64_t user, const std::string& address, const std::string& password);
// How many password hashes the service has made so far (every login makes
// one, for an unknown address as for a known one).
uint64_t hashCount();

} // namespace standin::accounts
