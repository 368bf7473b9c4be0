// The stand-in's forums: topics, their threads and the threads' posts.
#pragma once

#include "tools/standin/StandInStore.h"

#include <string>

namespace standin::forums {

extern const char* const kSchema;
// Topics 201 "General" and 202 "Suggestions"; threads from 301, posts from 401.
extern const char* const kSeed;
// The game's announcement 250 and the developer's 251.
extern const char* const kAnnouncementSeed;

// A kept date as forums write it, yyyy-MM-dd'T'HH:mm:ss'Z'.
std::string date(std::string kept);

Answer topics(Store& s, const LoggedRequest& r, int64_t user);
// topics/<id>/discussions.xml
Answer threads(Store& s, const LoggedRequest& r, int64_t user);
Answer newThread(Store& s, const LoggedRequest& r, int64_t user);
// discussions/<id>/posts.xml, a page of them; reading marks a subscribed thread read.
Answer posts(Store& s, const LoggedRequest& r, int64_t user);
Answer newPost(Store& s, const LoggedRequest& r, int64_t user);
// discussions/<id>/subscribe.xml, unsubscribe.xml: the thread with its subscribed flag.
Answer subscribe(Store& s, const LoggedRequest& r, int64_t user);
Answer unsubscribe(Store& s, const LoggedRequest& r, int64_t user);
// discussions/<id>/delete.xml: a conversation leaves the caller's inbox
// (a new message brings it back); other threads are refused.
Answer remove(Store& s, const LoggedRequest& r, int64_t user);
// Every POST under discussions/<id>/, to the one of the above its path names.
Answer postToThread(Store& s, const LoggedRequest& r, int64_t user);
// subscriptions.xml: the caller's subscribed threads and conversations, newest first, paged.
Answer subscriptionList(Store& s, const LoggedRequest& r, int64_t user);
// The caller's conversations (or starred forum threads) with posts they have not read.
int64_t unreadSubscriptions(Store& s, int64_t user, bool conversations);
// client_applications/<game>/forums/announcements.xml: the game's section,
// then the developer's; those after `since` are unread.
Answer announcements(Store& s, const LoggedRequest& r, int64_t user);
// POST users/<id>/abuse_flags.xml: kept with what it flags.
Answer flagAbuse(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::forums
