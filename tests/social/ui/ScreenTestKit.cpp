// The screen test kit: devices, the steerable dashboard role, the recording
// provider and rendering to PNG.
#include "ScreenTestKit.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/Renderer.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVImageCache.h"
#include "social/ui/QVControllerLoader.h"

#include <cstdlib>
#include <filesystem>
#include <map>

namespace screen_testing {

using namespace platform;
using namespace platform::ui;

std::string sourceDirectory()
{
    if (const char* source = std::getenv("BRISKO_SOURCE_DIR"))
        return source;
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    for (auto dir = exe.parent_path(); !ec && !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
        if (std::filesystem::exists(dir / "resources") && std::filesystem::exists(dir / "social"))
            return dir.string();
    }
    return ".";
}

namespace {
std::vector<std::pair<std::string, std::string>> parseForm(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string::npos)
            end = text.size();
        std::string pair = text.substr(start, end - start);
        if (!pair.empty()) {
            size_t eq = pair.find('=');
            std::string name = pair.substr(0, eq);
            std::string value = eq == std::string::npos ? std::string() : pair.substr(eq + 1);
            out.emplace_back(percentDecode(name, true), percentDecode(value, true));
        }
        start = end + 1;
    }
    return out;
}
} // namespace

RecordingProvider::RecordingProvider()
{
    transport_ = FakeHttpTransport::create();
    HttpTransport::setShared(transport_);
    provider_ = quorvel::QVProvider::providerWithProductKey("test-key", "test-secret");
    provider_->setServerUrl(kServerUrl);
    provider_->setAccessToken("test-token", "test-token-secret");
    quorvel::TestRuntimeRoles::setCurrent(this);
}

RecordingProvider::~RecordingProvider()
{
    // A request still waiting holds the transport and its screen through the
    // transport's pending completion; cancelling breaks that loop.
    provider_->destroyAllPendingRequests();
    // Other transfers (pictures, blobs) hold their observers, which hold their
    // views, until they end; end them as a lost connection would.
    while (transport_->complete(HttpResult::failure(HttpError::ConnectionLost, "test ended"))) { }
    quorvel::TestRuntimeRoles::setCurrent(nullptr);
    HttpTransport::setShared(nullptr);
}

void RecordingProvider::showBackgroundNoticeForLoader(quorvel::QVActionRequest& request, Object* notice)
{
    size_t before = transport_->requests().size();
    request.startLoading();
    if (transport_->requests().size() > before) {
        notices_.emplace_back(transport_->requests()[before].request.url + "#" + std::to_string(before),
                              request.requestType());
        noticeTexts_.push_back(notice ? notice->description() : std::string());
    }
}

std::vector<RecordedRequest> RecordingProvider::requests() const
{
    std::vector<RecordedRequest> out;
    const auto& recorded = transport_->requests();
    for (size_t i = 0; i < recorded.size(); ++i) {
        const HttpRequestData& data = recorded[i].request;
        RecordedRequest r;
        r.method = data.method;
        std::string url = data.url;
        if (url.rfind(kServerUrl, 0) == 0)
            url = url.substr(std::string(kServerUrl).size());
        size_t q = url.find('?');
        r.path = url.substr(0, q);
        if (q != std::string::npos)
            r.parameters = parseForm(url.substr(q + 1));
        if (data.header("Content-Type").find("application/x-www-form-urlencoded") != std::string::npos) {
            auto body = parseForm(std::string(data.body.begin(), data.body.end()));
            r.parameters.insert(r.parameters.end(), body.begin(), body.end());
        }
        std::string key = data.url + "#" + std::to_string(i);
        for (size_t n = 0; n < notices_.size(); ++n) {
            if (notices_[n].first == key) {
                r.requestType = notices_[n].second;
                r.notice = noticeTexts_[n];
            }
        }
        out.push_back(std::move(r));
    }
    return out;
}

bool RecordingProvider::answerWithXml(const std::string& xml, int status)
{
    return transport_->complete(HttpResult::answer(status, Bytes(xml.begin(), xml.end()),
                                                   { { "Content-Type", "application/xml" } }));
}

bool RecordingProvider::answerWithFailure(HttpError error)
{
    return transport_->complete(HttpResult::failure(error, "test failure"));
}

void ScreenTest::SetUp()
{
    ManualClockTest::SetUp();
    TestDriver::reset();
    bundle_.useResources(sourceDirectory() + "/resources");
    quorvel::QVImageCache::initializeCache();
    quorvel::QVDashboardRole::setCurrent(&host_);
    quorvel::QVControllerLoader::setDefaultClassNamePrefix("QV");
    quorvel::QVControllerLoader::setDefaultAssetFileSuffix("Qv");
    quorvel::QVControllerLoader::setClassNamePrefix(std::nullopt);
    quorvel::QVControllerLoader::setAssetFileSuffix(std::nullopt);
    useDevice(Device::Phone);
}

void ScreenTest::TearDown()
{
    driver_.reset();
    TestDriver::reset();
    View::layoutAllWindows();
    loop().reset();
    quorvel::QVDashboardRole::setCurrent(nullptr);
    quorvel::QVImageCache::shutdownCache();
    quorvel::QVControllerLoader::setClassNamePrefix(std::nullopt);
    quorvel::QVControllerLoader::setAssetFileSuffix(std::nullopt);
    Screen::mainScreen().setKind(Screen::Kind::Phone);
    Application::sharedApplication().reset();
    ManualClockTest::TearDown();
}

void ScreenTest::useDevice(Device device)
{
    driver_.reset();
    Screen::mainScreen().setKind(device == Device::Tablet ? Screen::Kind::Tablet : Screen::Kind::Phone);
    driver_ = std::make_unique<TestDriver>();
}

Ref<Image> ScreenTest::render(const std::string& name, View* view)
{
    View::layoutAllWindows();
    Ref<Image> image = ViewRenderer::render(view ? view : window());
    if (const char* keep = std::getenv("BRISKO_KEEP_RENDERS"); keep && image) {
        std::filesystem::create_directories(keep);
        image->writePNG(std::string(keep) + "/" + name + ".png");
    }
    return image;
}

Pixel pixelAt(const Image& image, int x, int y)
{
    if (x < 0 || y < 0 || x >= static_cast<int>(image.width()) || y >= static_cast<int>(image.height()))
        return {};
    size_t i = (static_cast<size_t>(y) * image.width() + static_cast<size_t>(x)) * 4;
    const Bytes& p = image.rgba();
    return { p[i], p[i + 1], p[i + 2], p[i + 3] };
}

bool near(const Pixel& p, int r, int g, int b, int tolerance)
{
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

} // namespace screen_testing
