// The community screens' fixture: the dashboard fixture plus a recorder of
// what the screens ask of the activity poller, resources read from XML, rows
// found by index, and the shared services reset between tests.
#pragma once

#include "DashboardTestSupport.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "social/dashboard/common/QVCommunityPolling.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVPoller.h"
#include "social/services/QVChatServices.h"
#include "social/ui/QVTableControllerHelper.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace community_testing {

inline std::string parameter(const screen_testing::RecordedRequest& r, const std::string& name)
{
    for (auto& [k, v] : r.parameters)
        if (k == name)
            return v;
    return "<none>";
}

// A resource of class T read from one XML element.
template <typename T>
platform::Ref<T> resourceFrom(const std::string& xml)
{
    auto doc = quorvel::QVXmlDocument::xmlDocumentWithString(xml);
    platform::Ref<quorvel::QVResource> made = T::staticResourceClass().create();
    platform::Ref<T> r(dynamic_cast<T*>(made.get()));
    quorvel::QVResourceNameMap names;
    r->populateFromXml(*doc->topElement(), names);
    return r;
}

// Posts a poller-style discovery notification carrying the resources.
inline void postDiscovered(const std::string& name, std::vector<platform::Ref<platform::Object>> resources)
{
    platform::Notification n;
    n.name = name;
    n.userObjects.emplace_back(quorvel::QVPoller::kResourcesKey,
                               quorvel::QVPaginatedSeries::paginatedSeriesFromArray(std::move(resources)));
    platform::NotificationCenter::defaultCenter().post(n);
}

// A test's stack as the open dashboard's, for the screens that open profiles;
// the stack shown before comes back when it goes.
struct StackAsDashboard {
    StackAsDashboard(screen_testing::TestDashboardHost& dashboard, platform::ui::NavigationController* stack)
        : host(dashboard)
        , previous(dashboard.activeStack)
    {
        host.activeStack = stack;
    }
    ~StackAsDashboard() { host.activeStack = previous; }
    StackAsDashboard(const StackAsDashboard&) = delete;
    StackAsDashboard& operator=(const StackAsDashboard&) = delete;
    screen_testing::TestDashboardHost& host;
    platform::ui::NavigationController* previous;
};

class CommunityTest : public dashboard_testing::DashboardTest {
protected:
    void SetUp() override
    {
        DashboardTest::SetUp();
        platform::ui::ButtonPanel::forgetAllShown();
        auto& polling = quorvel::QVCommunityPolling::shared();
        polling.setChatFrequency = [this] { pollerCalls.push_back("chat"); };
        polling.restoreDefaultFrequency = [this] { pollerCalls.push_back("default"); };
        polling.chatFrequency = [] { return 3.0; };
    }
    void TearDown() override
    {
        platform::ui::ButtonPanel::forgetAllShown();
        quorvel::QVCommunityPolling::resetToDefault();
        quorvel::QVChatRoomInstanceService::shutdownService();
        DashboardTest::TearDown();
    }

    platform::ui::TableViewCell* rowCell(quorvel::QVTableControllerHelper* list, int row, int section = 0)
    {
        auto* table = list->tableView();
        auto path = platform::ui::IndexPath::forRow(row, section);
        table->scrollToRowAtIndexPath(path, platform::ui::TableViewScrollPosition::None, false);
        table->layoutSubviews();
        return table->cellForRowAtIndexPath(path);
    }
    bool tapRow(quorvel::QVTableControllerHelper* list, int row, int section = 0)
    {
        auto* cell = rowCell(list, row, section);
        bool tapped = cell && driver().tap(cell);
        settle(1);
        return tapped;
    }
    std::vector<screen_testing::RecordedRequest> requestsTo(const std::string& path)
    {
        std::vector<screen_testing::RecordedRequest> found;
        for (auto& r : provider->requests())
            if (r.path == path)
                found.push_back(r);
        return found;
    }
    static platform::ui::AlertView* lastAlert()
    {
        auto alerts = platform::ui::AlertView::visibleAlerts();
        return alerts.empty() ? nullptr : alerts.back().get();
    }

    std::vector<std::string> pollerCalls;
};

} // namespace community_testing
