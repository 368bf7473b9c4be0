// The storage host serves connections side by side, so an idle one blocks
// nobody, and stores only forms it issued: the signature must match the
// policy and the fields must meet it, as the storage service checks them.
#include "StandInSocketSupport.h"

#include "support/TestSupport.h"
#include "tools/standin/StandInHttp.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <mutex>
#include <optional>

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
    static standin::Params with(standin::Params fields, const std::string& name, const std::string& value)
    {
        for (auto& [n, v] : fields)
            if (n == name)
                v = value;
        return fields;
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
    EXPECT_EQ(post(form(host.uploadForm("k"), "blob")).status, 204);
    RawConnection c(host.port());
    ASSERT_TRUE(c.send("GET /k HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    auto fetched = c.readReply();
    EXPECT_EQ(fetched.status, 200);
    EXPECT_EQ(fetched.body, "blob");
    EXPECT_FALSE(idle.heardFrom());
}

TEST_F(StandInStorageHost, OnlyFormsItIssuedAreStored)
{
    auto issued = host.uploadForm("high_scores/7.blob");
    struct Case {
        standin::Params fields;
        std::string file;
        int status;
        std::string why;
    };
    const std::vector<Case> cases {
        { with(with(issued, "policy", "cG9saWN5"), "signature", "c2ln"), "x", 403, "signature does not match" },
        { with(issued, "key", "../../etc/evil"), "x", 403, "the form's key is not the one its policy names" },
        { with(issued, "AWSAccessKeyId", "AKID"), "x", 403, "AWSAccessKeyId is not one the host issued" },
        { with(issued, "acl", "public-read-write"), "x", 403, "the form's acl is not the one" },
        { [&] {
              auto more = issued;
              more.emplace_back("success_action_redirect", "http://elsewhere/");
              return more;
          }(),
          "x", 403, "the form's field success_action_redirect is not in its policy" },
        { issued, std::string(standin::kMultipartBodyLimit + 1, 'x'), 403, "outside the policy's range" },
    };
    for (auto& c : cases) {
        auto reply = post(form(c.fields, c.file));
        EXPECT_EQ(reply.status, c.status) << c.why;
        EXPECT_NE(reply.body.find("AccessDenied"), std::string::npos) << reply.body;
        std::lock_guard guard(mutex);
        EXPECT_NE(log.back().find(c.why), std::string::npos) << log.back();
    }
    EXPECT_FALSE(host.storedObject("high_scores/7.blob"));
    EXPECT_FALSE(host.storedObject("../../etc/evil"));
    EXPECT_EQ(post(form(issued, "kept")).status, 204);
    EXPECT_EQ(host.storedObject("high_scores/7.blob"), "kept");
    // A host told to fail fails a valid form's upload, keeping nothing, then takes the next.
    host.failUploads(1);
    EXPECT_EQ(post(form(issued, "newer")).status, 503);
    EXPECT_EQ(host.storedObject("high_scores/7.blob"), "kept");
    EXPECT_EQ(post(form(issued, "newer")).status, 204);
    EXPECT_EQ(host.storedObject("high_scores/7.blob"), "newer");
}

TEST_F(StandInStorageHost, TheLogKeepsWithinItsBudgetAfterLargeRefusedForms)
{
    auto forged = with(host.uploadForm("k"), "signature", "forged");
    const std::string body = form(forged, std::string(standin::kMultipartBodyLimit, 'x'));
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(post(body).status, 403) << i;
    size_t bytes = 0;
    for (auto& r : host.requests())
        bytes += r.body.size() + r.param("file").size();
    EXPECT_LE(bytes, standin::http::RequestLog::kBudget);
}

// The service's state keeps the host's objects under its own lock, and its
// routes sign the host's forms while they hold it: the host must not hold its
// own lock while it keeps or reads an object there, or a score's form signed
// while a blob is being kept would wait for the other for good.
TEST_F(StandInStorageHost, AFormIsSignedWhileAnObjectIsBeingKept)
{
    std::future<standin::Params> signing;
    auto sign = [&] {
        signing = std::async(std::launch::async, [&] { return host.uploadForm("high_scores/8.blob"); });
        return signing.wait_for(testing_support::kHungAfter) == std::future_status::ready;
    };
    bool signedWhileKept = false, signedWhileRead = false;
    std::map<std::string, std::string> kept;
    host.setObjectStore(
        [&](const std::string& key, const std::string& bytes) {
            signedWhileKept = sign();
            kept[key] = bytes;
            return true;
        },
        [&](const std::string& key) {
            signedWhileRead = sign();
            auto found = kept.find(key);
            return found == kept.end() ? std::nullopt : std::optional<std::string>(found->second);
        });
    EXPECT_EQ(post(form(host.uploadForm("high_scores/7.blob"), "kept")).status, 204);
    EXPECT_TRUE(signedWhileKept);
    EXPECT_EQ(host.storedObject("high_scores/7.blob"), "kept");
    EXPECT_TRUE(signedWhileRead);
    signing.wait();
}
