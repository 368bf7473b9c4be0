// The stand-in's conversations: a thread of two players outside every forum
// topic, kept with the forums' threads and posts.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::conversations {

// Finds or starts the caller's conversation with discussion[other_user_id].
Answer start(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::conversations
