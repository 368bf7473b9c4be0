// The storage host serves connections side by side, so an idle one blocks
// nobody, and its log keeps within a budget.
#include "StandInSocketSupport.h"

#include "tools/standin/StandInHttp.h"

#include <gtest/gtest.h>

#include <mutex>

using standin::StorageHostStandIn;
using standin_testing::RawConnection;

namespace {

class StandInStorageHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.setLogSink([this](const std::string& line) {
            std::lock_guard guard(mutex);
            log.push_back(line);
        });
        ASSERT_GT(host.start(), 0);
    }
    void TearDown() override { host.stop(); }

    static std::string form(const standin::Params& fields, const std::string& file)
    {
        std::string body;
        for (auto& [name, value] : fields)
            body += "--b\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
        return body + "--b\r\nContent-Disposition: form-data; name=\"file\"; filename=\"test.blob\"\r\n\r\n" + file + "\r\n--b--";
    }
    standin_testing::Reply post(const std::string& body)
    {
        RawConnection c(host.port());
        c.send("POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data; boundary=b\r\nContent-Length: "
               + std::to_string(body.size()) + "\r\n\r\n" + body);
        return c.readReply();
    }

    StorageHostStandIn host;
    std::mutex mutex;
    std::vector<std::string> log;
};

} // namespace

TEST_F(StandInStorageHost, AnIdleConnectionBlocksNoOtherClient)
{
    RawConnection idle(host.port());
    RawConnection dawdling(host.port());
    ASSERT_TRUE(dawdling.send("POST / HTTP/1.1\r\nContent-Le"));
    EXPECT_EQ(post(form(standin::Params { { "key", "k" }, { "AWSAccessKeyId", "a" }, { "acl", "p" }, { "policy", "p" }, { "signature", "s" } }, "blob")).status, 204);
    RawConnection c(host.port());
    ASSERT_TRUE(c.send("GET /k HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    auto fetched = c.readReply();
    EXPECT_EQ(fetched.status, 200);
    EXPECT_EQ(fetched.body, "blob");
    EXPECT_FALSE(idle.heardFrom());
}

TEST_F(StandInStorageHost, TheLogKeepsWithinItsBudgetAfterLargeRefusedForms)
{
    auto forged = standin::Params { { "key", "k" }, { "AWSAccessKeyId", "a" }, { "acl", "p" }, { "signature", "s" } };
    const std::string body = form(forged, std::string(standin::kMultipartBodyLimit, 'x'));
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(post(body).status, 400) << i;
    size_t bytes = 0;
    for (auto& r : host.requests())
        bytes += r.body.size() + r.param("file").size();
    EXPECT_LE(bytes, standin::http::RequestLog::kBudget);
}
