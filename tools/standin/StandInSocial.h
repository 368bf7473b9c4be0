// The stand-in's social networks: the networks each player has linked, posts
// to them, profile pictures, device tokens for pushed notices, and the
// smaller account requests that go with them.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::social {

extern const char* const kSchema;

// GET users_credentials: the linked networks (section "linked") and those
// not linked (section "not_linked"); only_include_linked_credentials=1 or
// only_include_not_linked_credentials=1 keep one of them.
Answer credentials(Store& s, const LoggedRequest& r, int64_t user);
// POST users_credentials.xml with credential_type: links the network
// (twitter, fbconnect) to the caller, or secures the account with an e-mail
// and password (http_basic, accounts::secure); 422 for another type.
Answer link(Store& s, const LoggedRequest& r, int64_t user);
// GET users_credentials/import_friends?credential_name=: 422 unless linked.
Answer importFriends(Store& s, const LoggedRequest& r, int64_t user);
// GET or POST users_credentials/remove.xml with credential_type ("twitter" or
// "TwitterCredential", "fbconnect" or "FbconnectCredential"): unlinks it.
Answer unlink(Store& s, const LoggedRequest& r, int64_t user);
// POST notifications.xml (msg, image_type, image_name or image_id, url): kept;
// 422 without a text or without a linked network to post to.
Answer post(Store& s, const LoggedRequest& r, int64_t user);
// GET client_applications/<game>/notification_images/show.xml?image_name=
Answer imageUrl(Store& s, const LoggedRequest& r, int64_t user);
// GET profile_picture: the linked networks and the account's own credential
// ("http_basic", the uploaded picture); POST profile_picture/select/<type>
// (an uploaded picture for "http_basic" or "upload"), POST profile_picture/refresh.
Answer pictureSources(Store& s, const LoggedRequest& r, int64_t user);
Answer selectPicture(Store& s, const LoggedRequest& r, int64_t user);
Answer refreshPicture(Store& s, const LoggedRequest& r, int64_t user);
// GET profile_pictures/<id>.jpg (unsigned, as pictures are fetched): the
// picture of their own player <id> chose; 404 when they have none.
Answer picture(Store& s, const LoggedRequest& r);
// POST push_notification_device_tokens.xml (udid, device_token): kept per device.
Answer deviceToken(Store& s, const LoggedRequest& r, int64_t user);
// GET invites/new/invitable_friends: the players the caller follows and has not invited, paged.
Answer invitableFriends(Store& s, const LoggedRequest& r, int64_t user);
// GET http_basic_credentials/<id, @me or me>.xml: the caller's own, with
// its address (404 while the account has none).
Answer httpBasic(Store& s, const LoggedRequest& r, int64_t user);
// POST high_scores/<id>/invalidate_blob.xml, from any player shown the
// score's blob_url: when the storage host does not hold the blob, the lists
// leave its address out (until the host gets it); 422 when it holds it.
Answer invalidateBlob(Store& s, const LoggedRequest& r, int64_t user);
// A kept answer to `user` with the notices waiting for them (StandInState::
// addServerNotice) put into its page of resources, which delivers them; an
// answer that is not such a page (an error, a single record) leaves them waiting.
Answer withPendingNotices(Store& s, int64_t user, Answer answer);

} // namespace standin::social
