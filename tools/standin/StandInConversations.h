// The stand-in's conversations: a thread of two players outside every forum
// topic, kept with the forums' threads and posts.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::conversations {

// The subject a conversation between players a and b is kept under (in topic
// 0): "A-B", the lower id first, so both find the same thread.
std::string subject(int64_t a, int64_t b);

// Finds or starts the caller's conversation with discussion[other_user_id].
Answer start(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::conversations
