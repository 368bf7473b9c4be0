// The invitation service against the stand-in: the request of each
// operation, the recipient parameters of a sent invitation, and the
// definition and invite classes' delegates.
#include "ServiceTestSupport.h"

#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVDeviceContact.h"
#include "social/services/QVInviteService.h"
#include "social/services/QVScreensRole.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

class InviteDelegate : public platform::Object, public QVInviteDefinitionDelegate, public QVInviteDelegate {
public:
    void didGetPrimaryInviteDefinition(QVInviteDefinition* d) override
    {
        calls.push_back("primary");
        definition = Ref<QVInviteDefinition>(d);
    }
    void didFailGetPrimaryInviteDefinition() override { calls.push_back("primary-failed"); }
    void didGetInviteDefinition(QVInviteDefinition*) override { calls.push_back("named"); }
    void didFailGetInviteDefinition() override { calls.push_back("named-failed"); }
    void didSendInvite(QVInvite*) override { calls.push_back("sent"); }
    void didFailSendInvite(QVInvite*) override { calls.push_back("send-failed"); }
    std::vector<std::string> calls;
    Ref<QVInviteDefinition> definition;
};

class QVInviteServiceTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        using standin::Answer;
        server.route("GET", "invites.xml", Answer::xml(fixture("invites.xml")));
        server.route("PUT", "invites/21/ignore", Answer::xml(fixture("ok.xml")));
        server.route("GET", "invite_definitions/primary", Answer::xml(fixture("invite_definition.xml")));
        server.route("GET", "invite_definitions/friends.xml", Answer::xml(fixture("invite_definition.xml")));
        server.route("GET", "invite_definitions/none.xml", Answer::xml(fixture("ok.xml")));
        server.route("POST", "invites.xml", Answer::xml(fixture("ok.xml")));
    }
    void TearDown() override
    {
        QVInvite::setDelegate(nullptr);
        QVInviteDefinition::setDelegate(nullptr);
        QVInviteService::shutdownService();
        ServiceNetTest::TearDown();
    }
};

TEST_F(QVInviteServiceTest, ReceivedInvitesAndIgnoreSendTheirRequests)
{
    QVInviteService::getInvitesForUser(nullptr, 2, recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(ownParams(server.requests().at(0)), (Params { { "page", "2" }, { "mark_viewed", "true" } }));
    ASSERT_TRUE(answer() && answer()->count() == 1);
    auto* invite = dynamic_cast<QVInvite*>(answer()->objects()[0].get());
    ASSERT_TRUE(invite && invite->senderUser() && invite->receiverUser());
    EXPECT_EQ(invite->senderUser()->resourceId(), "17");
    EXPECT_EQ(invite->state, "pending");

    server.clearLog();
    recorder = net_testing::CallbackRecorder::create();
    QVInviteService::ignoreInvite("21", recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(server.requests().at(0).method, "PUT");
    EXPECT_TRUE(facade.notices.empty());
}

TEST_F(QVInviteServiceTest, DefinitionsAndSentInvitesReachTheDelegates)
{
    auto d = platform::adoptRef(new InviteDelegate);
    QVInviteDefinition::setDelegate(d.get());
    QVInvite::setDelegate(d.get());
    QVInviteDefinition::getPrimaryInviteDefinition();
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 1; }));
    QVInviteDefinition::getInviteDefinition("friends");
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 2; }));
    // An answer without a definition is a failure.
    QVInviteDefinition::getInviteDefinition("none");
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 3; }));
    EXPECT_EQ(d->calls, (std::vector<std::string> { "primary", "named", "named-failed" }));
    ASSERT_TRUE(d->definition);
    EXPECT_EQ(d->definition->senderIncentiveText, "100 coins");

    auto invite = QVInvite::inviteWithInviteDefinition(d->definition.get());
    EXPECT_EQ(invite->userMessage, "Come play");
    auto player = QVUser::invalidUser();
    player->setResourceId("17");
    auto both = QVDeviceContact::create();
    both->setNumber("555");
    both->setEmail("a@example.com");
    auto mailOnly = QVDeviceContact::create();
    mailOnly->setEmail("b@example.com");
    auto neither = QVDeviceContact::create();
    server.clearLog();
    EXPECT_TRUE(invite->sendInviteToUsers({ Ref<platform::Object>(both.get()), Ref<platform::Object>(player.get()),
                                            Ref<platform::Object>(neither.get()), Ref<platform::Object>(mailOnly.get()) }));
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 4; }));
    EXPECT_EQ(d->calls.back(), "sent");
    EXPECT_EQ(ownParams(server.requests().at(0)),
              (Params { { "key", "11" }, { "invite[sender_message]", "Come play" }, { "invite[sms_receivers][]", "555" },
                        { "invite[receivers][]", "17" }, { "invite[email_receivers][]", "b@example.com" } }));

    // Without a definition nothing is sent.
    EXPECT_FALSE(QVInvite::inviteWithInviteDefinition(nullptr)->sendInviteToUsers({}));

    // The definition class's delegate cleared while a request runs: nothing reaches it.
    QVInviteDefinition::getPrimaryInviteDefinition();
    QVInviteDefinition::setDelegate(nullptr);
    settleNetwork();
    EXPECT_EQ(d->calls.size(), 4u);
}

TEST_F(QVInviteServiceTest, AnInviteOpensTheInviteFlowOfItsDefinition)
{
    struct Screens : QVScreensRole {
        std::vector<std::string> opened;
        bool presentSendInviteScreen(const std::string& identifier) override
        {
            opened.push_back(identifier);
            return true;
        }
    } screens;
    QVScreensRole::setCurrent(&screens);
    auto d = platform::adoptRef(new InviteDelegate);
    QVInviteDefinition::setDelegate(d.get());
    QVInviteDefinition::getPrimaryInviteDefinition(); // the game's, "friends"
    ASSERT_TRUE(waitFor([&] { return d->definition; }));
    server.clearLog();

    QVInvite::inviteWithInviteDefinition(d->definition.get())->displayAndSendInviteScreen();
    QVInvite::inviteWithInviteDefinition(nullptr)->displayAndSendInviteScreen(); // nothing to invite with
    QVInviteService::displaySendInviteModal("");
    EXPECT_EQ(screens.opened, (std::vector<std::string> { "friends", "" }));
    settleNetwork();
    EXPECT_TRUE(server.requests().empty()) << "opening the flow asks the server nothing";
    QVScreensRole::setCurrent(nullptr);
}

class IconDelegate : public platform::Object, public QVInviteDefinitionDelegate, public QVInviteDelegate {
public:
    void didGetInviteIcon(platform::Image*, QVInviteDefinition*) override { calls.push_back("definition-icon"); }
    void didFailGetInviteIconQVInviteDefinition(QVInviteDefinition*) override { calls.push_back("definition-failed"); }
    void didGetInviteIcon(platform::Image*, QVInvite*) override { calls.push_back("invite-icon"); }
    void didFailGetInviteIconQVInvite(QVInvite*) override { calls.push_back("invite-failed"); }
    std::vector<std::string> calls;
};

TEST_F(QVInviteServiceTest, IconsComeFromTheCacheAtOnceOrFailOnBytesThatAreNoImage)
{
    QVImageCache::initializeCache();
    auto d = platform::adoptRef(new IconDelegate);
    QVInviteDefinition::setDelegate(d.get());
    QVInvite::setDelegate(d.get());
    std::string xml = "<resources><invite_definition><id>1</id><invite_icon_url>";
    xml += server.baseUrl();
    xml += "icons/bad.png</invite_icon_url></invite_definition></resources>";
    QVResourceNameMap names;
    QVInviteService().populateKnownResources(names);
    auto series = QVResource::resourcesFromData(xml.data(), xml.size(), names);
    Ref<QVInviteDefinition> definition(dynamic_cast<QVInviteDefinition*>(series->objects().at(0).get()));
    ASSERT_TRUE(definition);
    server.route("GET", "icons/bad.png", standin::Answer::xml("<not-an-image/>"));
    EXPECT_TRUE(definition->getInviteIcon());
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 1; }));

    auto image = platform::Image::imageWithRGBA(1, 1, platform::Bytes { 1, 2, 3, 255 });
    QVImageCache::sharedInstance()->store(image, definition->inviteIconURL);
    EXPECT_FALSE(definition->getInviteIcon());
    auto invite = QVInvite::inviteWithInviteDefinition(definition.get());
    invite->inviteIconURL = definition->inviteIconURL;
    EXPECT_FALSE(invite->getInviteIcon());
    EXPECT_EQ(d->calls, (std::vector<std::string> { "definition-failed", "definition-icon", "invite-icon" }));
    QVImageCache::shutdownCache();
}

} // namespace
