// Small protocols between the dashboard's pages, so that a page can prepare
// the screen it pushes without depending on that screen's class.
#pragma once

namespace quorvel {

// The achievement list: chooses its cell once it knows its users; sent after
// the push and before the first load.
class QVAchievementListSetup {
public:
    virtual ~QVAchievementListSetup() = default;
    virtual void postPushAchievementListController() = 0;
};

} // namespace quorvel
