// The stand-in's forums: topics, their threads and the threads' posts.
#pragma once

#include "tools/standin/StandInStore.h"

#include <string>

namespace standin::forums {

extern const char* const kSchema;
// Topics 201 "General" and 202 "Suggestions"; threads from 301, posts from 401.
extern const char* const kSeed;

// A kept date as forums write it, yyyy-MM-dd'T'HH:mm:ss'Z'.
std::string date(std::string kept);

Answer topics(Store& s, const LoggedRequest& r, int64_t user);
// topics/<id>/discussions.xml
Answer threads(Store& s, const LoggedRequest& r, int64_t user);
Answer newThread(Store& s, const LoggedRequest& r, int64_t user);
// discussions/<id>/posts.xml
Answer posts(Store& s, const LoggedRequest& r, int64_t user);
Answer newPost(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::forums
