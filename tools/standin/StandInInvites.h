// The stand-in's invitations: the game's invite definitions and the invites
// players send to each other (or to a phone number or an e-mail address),
// which the invited player lists, views and ignores.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::invites {

extern const char* const kSchema;
// The game's primary definition "brisko-friends".
extern const char* const kSeed;

// GET invites.xml (page, mark_viewed=true): the invites sent to the caller
// and not ignored, newest first, a new one in state "unviewed"; marking them
// viewed after answering.
Answer received(Store& s, const LoggedRequest& r, int64_t user);
// The most receivers one request invites: its answer lists them all, as the largest page does.
constexpr size_t kMaxReceivers = xml::kMaxPerPage;
// POST invites.xml: key, invite[sender_message], and invite[receivers][]
// (players), invite[sms_receivers][] or invite[email_receivers][]. A
// receiver is invited once by a sender for a definition, across requests;
// more than kMaxReceivers in one request is refused (422), nothing kept.
Answer send(Store& s, const LoggedRequest& r, int64_t user);
// PUT invites/<id>/ignore, by the invited player only.
Answer ignore(Store& s, const LoggedRequest& r, int64_t user);
// GET invite_definitions/primary and invite_definitions/<identifier>.xml.
Answer definition(Store& s, const LoggedRequest& r, int64_t user);
// The invites sent to `user` that they have not listed yet.
int64_t unviewedCount(Store& s, int64_t user);

} // namespace standin::invites
