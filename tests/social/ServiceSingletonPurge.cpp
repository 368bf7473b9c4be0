// The client's services make their shared instance on first use (every class
// method sends through it), so nearly any test that touches a service leaves
// one behind, and a later test - the service table's start-up test first -
// would find it. After each test of this program every service is shut down
// again, in the client's own shut-down order, so each test starts with none
// whatever ran before it.
#include "social/core/QuorvelServices.h"

#include <gtest/gtest.h>

namespace {

class ServiceSingletonPurge : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        for (const auto& service : quorvel::QuorvelServicesInShutdownOrder())
            if (service.shutdownService)
                service.shutdownService();
    }
};

[[maybe_unused]] const bool installed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ServiceSingletonPurge);
    return true;
}();

} // namespace
