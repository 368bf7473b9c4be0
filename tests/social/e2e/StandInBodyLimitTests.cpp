// The service reads bodies as large as the client sends and refuses larger
// ones with 413, a reason in the answer and in its log, without reaching a
// route; the connection's next request is answered as usual.
#include "StandInRequestSupport.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

class StandInBodyLimits : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.route("POST", "echo", [this](const standin::LoggedRequest& r) {
            ++reached;
            return standin::Answer::xml("<size>" + std::to_string(r.param("value").size()) + "</size>");
        });
        server.setLogSink([this](const std::string& line) { log.push_back(line); });
        ASSERT_GT(server.start(), 0);
    }
    void TearDown() override { server.stop(); }

    standin_testing::Reply post(const std::string& contentType, const std::string& body)
    {
        return standin_testing::sendRaw(server.port(), "POST /echo HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                                       "Content-Type: "
                                            + contentType + "\r\nContent-Length: " + std::to_string(body.size())
                                            + "\r\n\r\n" + body);
    }
    static std::string multipart(size_t size)
    {
        return "--b\r\nContent-Disposition: form-data; name=\"value\"\r\n\r\n" + std::string(size, 'v') + "\r\n--b--\r\n";
    }

    standin::StandInServer server;
    std::vector<std::string> log;
    int reached { 0 };
};

} // namespace

TEST_F(StandInBodyLimits, AFormCarryingTheLargestCloudValueIsRead)
{
    // 256 KiB, every byte percent-encoded: three times as long on the wire.
    std::string encoded;
    for (int i = 0; i < 256 * 1024; ++i)
        encoded += "%41";
    auto reply = post("application/x-www-form-urlencoded", "value=" + encoded);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "<size>262144</size>");
    auto parts = post("multipart/form-data; boundary=b", multipart(256 * 1024));
    EXPECT_EQ(parts.body, "<size>262144</size>");
    EXPECT_EQ(reached, 2);
}

TEST_F(StandInBodyLimits, LargerBodiesAreRefusedWithTheirReason)
{
    auto form = post("application/x-www-form-urlencoded", "value=" + std::string(standin::kFormBodyLimit, 'x'));
    EXPECT_EQ(form.status, 413);
    EXPECT_NE(form.body.find("<error>The request is too large: a form body carrying"), std::string::npos) << form.body;
    auto parts = post("multipart/form-data; boundary=b", multipart(standin::kMultipartBodyLimit + 1));
    EXPECT_EQ(parts.status, 413);
    EXPECT_NE(parts.body.find("a multipart body carrying 2097153 bytes"), std::string::npos);
    EXPECT_EQ(reached, 0);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].rfind("POST echo 413 unsigned: The request is too large: a form body carrying ", 0), 0u) << log[0];
    EXPECT_NE(log[0].find("over the limit of 1048576"), std::string::npos);
    // A body within the limit after them is read as usual.
    EXPECT_EQ(post("application/x-www-form-urlencoded", "value=abc").body, "<size>3</size>");
}

TEST(StandInStorageHostLimits, AFormOverTheLimitIsRefusedWithItsReasonAndNotStored)
{
    standin::StorageHostStandIn host;
    std::vector<std::string> log;
    std::mutex m;
    host.setLogSink([&](const std::string& line) {
        std::lock_guard guard(m);
        log.push_back(line);
    });
    ASSERT_GT(host.start(), 0);
    auto form = [&](const std::string& file, bool withPolicy) {
        std::string body;
        for (auto& [field, value] : host.uploadForm("k"))
            if (withPolicy || field != "policy")
                body += "--b\r\nContent-Disposition: form-data; name=\"" + field + "\"\r\n\r\n" + value + "\r\n";
        return body + "--b\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\n" + file + "\r\n--b--\r\n";
    };
    auto post = [&](const std::string& body) {
        return standin_testing::sendRaw(host.port(), "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data;"
                                                     " boundary=b\r\nContent-Length: "
                                                         + std::to_string(body.size()) + "\r\n\r\n" + body);
    };
    auto large = post(form(std::string(standin::kMultipartBodyLimit + 64 * 1024, 'x'), true));
    EXPECT_EQ(large.status, 413);
    EXPECT_NE(large.body.find("EntityTooLarge"), std::string::npos);
    EXPECT_FALSE(host.storedObject("k"));
    EXPECT_EQ(post(form("small", false)).status, 400);
    EXPECT_EQ(post(form(std::string(standin::kMultipartBodyLimit, 'y'), true)).status, 204);
    EXPECT_EQ(host.storedObject("k")->size(), standin::kMultipartBodyLimit);
    host.stop();
    std::lock_guard guard(m);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].rfind("POST  413: a form of ", 0), 0u) << log[0];
    EXPECT_EQ(log[1], "POST  400: the form has no policy");
}
