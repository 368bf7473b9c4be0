// The shared picture cache under a ticker answer: notices whose bars show
// three pictures each (a 320x44 background, a 32x32 icon, a 24x24 status),
// naming between them three 2048x1536 PNGs, are put up at once; each view
// downloads (through a scripted transport) and decodes as on a device.
// Reported per run:
//   peak_MiB     the cache's highest byte count while the pictures come in
//   downloads    transfers started
// BM_TickerPictures/1 is the baseline, one notice; /30 the answer of 30.
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"
#include "platform/net/FakeHttpTransport.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPictureDecoder.h"
#include "social/ui/QVImageView.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using platform::Ref;
using quorvel::QVImageCache;
using quorvel::QVImageView;

platform::Bytes largePng(int shade)
{
    platform::Bytes rgba(2048 * 1536 * 4);
    for (size_t at = 0; at < rgba.size(); at += 4) {
        rgba[at] = uint8_t(40 * shade + (at / 4) % 7);
        rgba[at + 1] = 90;
        rgba[at + 2] = 20;
        rgba[at + 3] = 255;
    }
    return *platform::Image::imageWithRGBA(2048, 1536, std::move(rgba))->pngData();
}

void BM_TickerPictures(benchmark::State& state)
{
    const int notices = int(state.range(0));
    static const std::vector<platform::Bytes> pngs { largePng(0), largePng(1), largePng(2) };
    double peak = 0, downloads = 0;
    for (auto _ : state) {
        QVImageCache::initializeCache();
        QVImageCache* cache = QVImageCache::sharedInstance();
        auto transport = platform::FakeHttpTransport::create();
        platform::HttpTransport::setShared(transport);
        std::vector<Ref<QVImageView>> views;
        const platform::Rect boxes[] = { { 0, 0, 320, 44 }, { 8, 6, 32, 32 }, { 284, 10, 24, 24 } };
        for (int n = 0; n < notices; ++n) {
            for (int k = 0; k < 3; ++k) {
                auto view = QVImageView::imageViewWithFrame(boxes[k]);
                view->setShouldScaleImageToFillRect(true);
                view->setUnframed(true);
                view->setImageUrl("http://pictures.test/" + std::to_string((n + k) % 3) + ".png");
                views.push_back(view);
            }
        }
        // Every transfer answered as it starts, until every view has its picture.
        size_t answered = 0;
        auto busy = [&] {
            for (auto& view : views)
                if (view->isDownloading())
                    return true;
            return false;
        };
        while (busy()) {
            for (; answered < transport->requests().size(); ++answered) {
                const std::string& url = transport->requests()[answered].request.url;
                const platform::Bytes& png = pngs[size_t(url[url.size() - 5] - '0')];
                transport->complete(platform::HttpResult::answer(200, png), transport->requests()[answered].id);
            }
            platform::RunLoop::main().runOnce(0.01);
        }
        peak = double(cache->peakBytes()) / (1024 * 1024);
        downloads = double(transport->requests().size());
        views.clear();
        platform::HttpTransport::setShared(nullptr);
        QVImageCache::shutdownCache();
    }
    state.counters["peak_MiB"] = peak;
    state.counters["downloads"] = downloads;
}

BENCHMARK(BM_TickerPictures)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
