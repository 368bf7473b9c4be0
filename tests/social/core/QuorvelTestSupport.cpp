// The central class's test harness.
#include "QuorvelTestSupport.h"

#include "platform/device/Application.h"
#include "platform/device/Device.h"
#include "platform/net/HttpTransport.h"
#include "social/dashboard/account/QVLinkSocialNetworksController.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVRequestHandle.h"

namespace core_testing {

void QuorvelTest::SetUp()
{
    ManualClockTest::SetUp();
    // Each test is a new run of the game: the link-networks screen not seen yet.
    quorvel::QVLinkSocialNetworksController::invalidateSessionSeenLinkSocialNetworksScreen();
    oldHome_ = platform::Bundle::main().homeDirectory();
    oldResources_ = platform::Bundle::main().resourcePath();
    platform::Bundle::main().setHomeDirectory(home.path());
    platform::Bundle::main().setResourcePath(bundle.path());
    platform::ui::Device::currentDevice().setInstallationDirectory(home.file("install"));
    reloadUserDefaults();
    transport = platform::CurlHttpTransport::create();
    platform::HttpTransport::setShared(platform::Ref<platform::HttpTransport>(transport.get()));
    ASSERT_GT(server.start(), 0);
    server.setConsumer(kProductKey, kProductSecret);
    server.installDefaultRoutes("token-1", "token-secret-1");
    writeSettingsFile();
}

void QuorvelTest::TearDown()
{
    // The test's observers die with the test body.
    quorvel::QVLifecycleTrace::setObserver(nullptr);
    quorvel::Quorvel::shutdown();
    quorvel::QVLinkSocialNetworksController::invalidateSessionSeenLinkSocialNetworksScreen();
    quorvel::QVRequestHandlesForModule::reset();
    // The client's connections close first, so the server's workers end at once.
    platform::HttpTransport::setShared(nullptr);
    transport = nullptr;
    server.stop();
    platform::Bundle::main().setHomeDirectory(oldHome_);
    platform::Bundle::main().setResourcePath(oldResources_);
    // The device's identifier goes back to the home folder (not this test's, soon removed).
    platform::ui::Device::currentDevice().setInstallationDirectory({});
    // What the client turned (the status bar's orientation under a dashboard) turns back.
    platform::ui::Application::sharedApplication().reset();
    reloadUserDefaults();
    ManualClockTest::TearDown();
}

void QuorvelTest::writeSettingsFile(const std::string& extraConfig)
{
    bundle.write("quorvel_internal_settings.xml",
                 "<quorvel_internal_settings><environment-release><config><server-url>" + serviceBaseUrl()
                     + "</server-url>" + extraConfig + "</config></environment-release></quorvel_internal_settings>");
}

void QuorvelTest::startClient(const quorvel::QuorvelSettingsDictionary& settings,
                              quorvel::QVDelegatesContainer* delegates)
{
    quorvel::Quorvel::initializeWithProductKey(kProductKey, kProductSecret, kDisplayName, settings, delegates);
}

std::vector<standin::LoggedRequest> QuorvelTest::requestsTo(const std::string& path) const
{
    std::vector<standin::LoggedRequest> out;
    for (auto& r : server.requests())
        if (r.path == path)
            out.push_back(r);
    return out;
}

size_t QuorvelTest::channelRequests()
{
    quorvel::QVPresenceService* presence = quorvel::QVPresenceService::sharedInstance();
    return presence ? presence->requestTransport()->activeCount() : 0;
}

size_t QuorvelTest::clientWork()
{
    // The presence channel connecting or winding down (what is sent next
    // depends on its outcome; a channel opened again meets the old one's
    // thread), and pictures on the decoder thread (what a page shows next).
    quorvel::QVPresenceService* presence = quorvel::QVPresenceService::sharedInstance();
    size_t channel = presence && (presence->isConnecting() || presence->isWindingDown()) ? 1 : 0;
    return channel + quorvel::QVPictureDecoder::decodesUnderWay();
}

bool QuorvelTest::settleNetwork()
{
    standin::Settled settled = standin::settleNetwork(networkParties(), testing_support::kHungAfterSeconds);
    if (!settled)
        ADD_FAILURE() << "the network did not settle: " << settled.inFlight;
    return settled.quiet;
}

bool QuorvelTest::waitSteppingClock(const std::function<bool()>& done, const std::function<void(double)>& step,
                                    const std::function<void()>& turn)
{
    // The clock's bound is far beyond any wait of the client's own (a notice's hold, a poll, a timeout).
    return standin::waitSteppingClock(networkParties(), done,
                                      { step, turn, 120, testing_support::kHungAfterSeconds });
}

bool QuorvelTest::waitForBootstrapRequests(size_t count)
{
    return waitFor([&] { return requestsTo("bootstrap.xml").size() >= count && !quorvel::QuorvelInternal::login().isBootstrapInProgress(); });
}

NotificationRecorder::NotificationRecorder(std::vector<std::string> names)
{
    for (auto& name : names) {
        platform::NotificationCenter::defaultCenter().addObserver(this, name, [this](const platform::Notification& n) {
            posted.push_back({ n.name, n.userInfo, n.userObjects, n.sender != nullptr });
        });
    }
}

NotificationRecorder::~NotificationRecorder() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

std::vector<std::string> NotificationRecorder::names() const
{
    std::vector<std::string> out;
    for (auto& p : posted)
        out.push_back(p.name);
    return out;
}

} // namespace core_testing
