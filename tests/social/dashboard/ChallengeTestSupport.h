// Helpers of the challenge screens' tests: request parameters, rows of a list
// and a recording challenge delegate.
#pragma once

#include "DashboardTestSupport.h"

#include "social/core/QuorvelDelegate.h"
#include "social/dashboard/challenges/QVChallengeScreens.h"
#include "social/services/QVUser.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <set>
#include <string>
#include <vector>

namespace challenge_testing {

inline std::string parameter(const screen_testing::RecordedRequest& r, const std::string& name)
{
    for (auto& [k, v] : r.parameters)
        if (k == name)
            return v;
    return "<none>";
}

// The row's cell, scrolled into view.
template <typename Cell>
Cell* rowCell(quorvel::QVTableControllerHelper* list, int row, int section = 0)
{
    auto* table = list->tableView();
    auto path = platform::ui::IndexPath::forRow(row, section);
    table->scrollToRowAtIndexPath(path, platform::ui::TableViewScrollPosition::None, false);
    table->layoutSubviews();
    return dynamic_cast<Cell*>(table->cellForRowAtIndexPath(path));
}

class RecordingChallengeDelegate : public quorvel::QVChallengeDelegate {
public:
    std::set<Message> answered;
    std::vector<std::string> calls;
    std::optional<platform::Bytes> launchedData;
    platform::Object* launched { nullptr };

    bool respondsTo(Message m) const override { return answered.count(m) > 0; }
    void userLaunchedChallenge(platform::Object* c, const std::optional<platform::Bytes>& data) override
    {
        calls.push_back("userLaunchedChallenge");
        launched = c;
        launchedData = data;
    }
    void userSentChallenges() override { calls.push_back("userSentChallenges"); }
    void sendChallengeScreenClosed() override { calls.push_back("sendChallengeScreenClosed"); }
    void completedChallengeScreenClosed() override { calls.push_back("completedChallengeScreenClosed"); }
    void userRestartedChallenge() override { calls.push_back("userRestartedChallenge"); }
    void userRestartedCreateChallenge() override { calls.push_back("userRestartedCreateChallenge"); }
    void createStrongerChallenge() override { calls.push_back("createStrongerChallenge"); }
};

// The dashboard fixture whose provider also answers the local player (17,
// "Player"), with a recording challenge delegate installed.
class ChallengeTest : public dashboard_testing::DashboardTest {
protected:
    class Provider : public dashboard_testing::DashboardProvider {
    public:
        platform::Ref<quorvel::QVUser> local;
        void getLocalUser(platform::Ref<quorvel::QVUser>& user) override { user = local; }
    };

    void SetUp() override
    {
        DashboardTest::SetUp();
        provider.reset();
        auto p = std::make_unique<Provider>();
        p->local = user("17", "Player");
        provider = std::move(p);
        quorvel::QVChallengeScreens::setChallengeDelegateSource([this] { return &delegate; });
    }
    void TearDown() override
    {
        platform::ui::AlertView::forgetAllShown();
        DashboardTest::TearDown();
        quorvel::QVChallengeScreens::setChallengeDelegateSource(nullptr);
    }

    static platform::Ref<quorvel::QVUser> user(const std::string& id, const std::string& name)
    {
        platform::Ref<quorvel::QVResource> made = quorvel::QVUser::staticResourceClass().create();
        platform::Ref<quorvel::QVUser> u(dynamic_cast<quorvel::QVUser*>(made.get()));
        quorvel::QVResourceNameMap names;
        u->populateFromXml(*quorvel::QVXmlDocument::xmlDocumentWithString("<user><id>" + id + "</id><name>" + name + "</name></user>")->topElement(), names);
        return u;
    }

    std::vector<screen_testing::RecordedRequest> requestsTo(const std::string& path)
    {
        std::vector<screen_testing::RecordedRequest> out;
        for (auto& r : provider->requests())
            if (r.path == path)
                out.push_back(r);
        return out;
    }

    RecordingChallengeDelegate delegate;
};

} // namespace challenge_testing
