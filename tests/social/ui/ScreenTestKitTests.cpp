// The screen test kit's recording provider: what a screen's request looked
// like (path, method, ordered parameters, request type, notice) and answers
// given by the test as an XML fixture or a failure.
#include "ScreenTestKit.h"

#include "platform/foundation/Boxed.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"

using namespace quorvel;

namespace kit_tests {

class Answers : public platform::Object {
public:
    int successes { 0 };
    int failures { 0 };
    void succeeded(platform::Object*) { ++successes; }
    void failed(platform::Object*) { ++failures; }
};

class RecordingProviderTest : public screen_testing::ScreenTest { };

TEST_F(RecordingProviderTest, RecordsRequestsAndTakesFixturesOrFailures)
{
    screen_testing::RecordingProvider recording;
    auto answers = platform::makeRef<Answers>();
    QVDelegate ok(answers, QVDelegate::ShortMethod(BRISKO_SELECTOR(Answers, succeeded)));
    QVDelegate bad(answers, QVDelegate::ShortMethod(BRISKO_SELECTOR(Answers, failed)));

    auto query = platform::makeRef<QVHttpNestedQueryStringWriter>();
    std::string page = "2", scope = "followers";
    query->io("page", page);
    query->io("scope", scope);
    recording.provider()->performAction("users.xml", query.get(), "GET", ok, bad, 2,
                                        platform::Boxed::box("Downloaded Followers"), true);
    auto form = platform::makeRef<QVHttpNestedQueryStringWriter>();
    std::string follower = "yes";
    form->io("follower", follower);
    recording.provider()->performAction("users/7/following.xml", form.get(), "POST", ok, bad, 0, nullptr, true);
    settle();

    auto requests = recording.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "users.xml");
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].requestType, 2);
    EXPECT_EQ(requests[0].notice, "Downloaded Followers");
    auto hasParam = [](const screen_testing::RecordedRequest& r, const std::string& n, const std::string& v) {
        for (auto& [name, value] : r.parameters)
            if (name == n && value == v)
                return true;
        return false;
    };
    EXPECT_TRUE(hasParam(requests[0], "page", "2"));
    EXPECT_TRUE(hasParam(requests[0], "scope", "followers"));
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].requestType, 0);
    EXPECT_TRUE(hasParam(requests[1], "follower", "yes"));

    EXPECT_TRUE(recording.answerWithXml("<resources></resources>"));
    EXPECT_TRUE(recording.answerWithFailure());
    settle(1);
    EXPECT_EQ(answers->successes, 1);
    EXPECT_EQ(answers->failures, 1);
    EXPECT_FALSE(recording.answerWithXml("<resources/>"));
}

} // namespace kit_tests
