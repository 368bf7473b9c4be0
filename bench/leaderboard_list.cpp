// A high-score screen taking its answer: the player's own score and the
// scores of everyone, read into sections, the table laid out (every row's
// height) and the visible rows' cells filled, with 1,000 to 20,000 rows in the
// same run. A load costs a fixed part (the screen, the sections, the visible
// cells) and a part per row; the cost of a row must not grow with the rows
// there are. Each row count is loaded several times and its median taken; a
// row's cost is the slope of those medians (least squares) over short lists
// (1,000 to 5,000 rows) and over long ones (12,000 to 20,000):
//   us_per_row_short, us_per_row_long  microseconds of a row in each
//   per_row_long_vs_short  the second / the first (goal: at most 1.3)
//   fixed_ms           what a load costs whatever its length (the short lists'
//                      line at no rows)
//   ms_1000, ms_20000  the median loads of 1,000 and 20,000 rows, milliseconds
//                      of the thread's processor time
//   table_rows         rows the table holds after the 20,000-row load
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/ui/TestDriver.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVTableControllerHelper.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

using namespace quorvel;
using platform::Ref;

namespace {

// Reaches the answer entry of a list screen.
struct AnswerAccess : QVTableControllerHelper {
    using QVTableControllerHelper::_onDataLoadedWrapperIsIncremental;
};

Ref<QVHighScore> score(int i)
{
    auto s = QVHighScore::create();
    s->setResourceId(std::to_string(i));
    s->setScore(1000000 - i);
    s->setOverrideRank(i);
    auto user = QVUser::create();
    user->setResourceId(std::to_string(100000 + i));
    user->setName("Player " + std::to_string(i));
    s->setUser(user);
    return s;
}

// The answer: "My Score" with one score, "Everyone" with `rows` scores.
Ref<QVPaginatedSeries> answer(int rows)
{
    QVPaginatedSeries::Objects everyone;
    everyone.reserve(static_cast<size_t>(rows));
    for (int i = 1; i <= rows; ++i)
        everyone.emplace_back(score(i).get());
    QVPaginatedSeries::Objects sections;
    sections.emplace_back(
        QVTableSectionDescription::sectionWithTitle(
            "My Score", QVPaginatedSeries::paginatedSeriesFromArray({ Ref<platform::Object>(score(7).get()) }))
            .get());
    sections.emplace_back(
        QVTableSectionDescription::sectionWithTitle("Everyone", QVPaginatedSeries::paginatedSeriesFromArray(std::move(everyone)))
            .get());
    return QVPaginatedSeries::paginatedSeriesFromArray(std::move(sections));
}

constexpr int kRounds = 31;
int lastRowCount = 0;

// The main thread's own processor time: the other programs of a busy machine do not count.
double threadSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Seconds for one screen to take the answer and lay its table out.
double loadOnce(int rows)
{
    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("HighScore");
    Ref<QVHighScoreController> screen(dynamic_cast<QVHighScoreController*>(loaded.get()));
    if (!screen)
        return 0;
    Ref<QVResource> board = QVLeaderboard::staticResourceClass().create();
    board->setResourceId("5");
    screen->setLeaderboard(dynamic_cast<QVLeaderboard*>(board.get()));
    (void)screen->view(); // loads the table
    // The screen keeps (and marks) the answer's sections: each load gets its own.
    Ref<QVPaginatedSeries> series = answer(rows);
    const double start = threadSeconds();
    (screen.get()->*&AnswerAccess::_onDataLoadedWrapperIsIncremental)(series.get(), false);
    const double seconds = threadSeconds() - start;
    platform::ui::TableView* table = screen->tableView();
    lastRowCount = 0;
    for (int s = 0; table && s < table->numberOfSections(); ++s)
        lastRowCount += table->numberOfRowsInSection(s);
    return seconds;
}

// The least-squares line through the median loads of each row count.
struct Line {
    double fixed { 0 }, perRow { 0 };
};

Line fit(const std::vector<int>& rowCounts, const std::vector<double>& medians)
{
    Line line;
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < rowCounts.size(); ++i) {
        const double x = rowCounts[i], t = medians[i];
        n += 1, sx += x, sy += t, sxx += x * x, sxy += x * t;
    }
    line.perRow = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    line.fixed = (sy - line.perRow * sx) / n;
    return line;
}

// The median load of each row count, the counts taking turns round by round
// (so that a machine getting busier or quieter meanwhile falls on all alike).
std::vector<double> medianLoads(const std::vector<int>& rowCounts, int rounds)
{
    std::vector<std::vector<double>> times(rowCounts.size());
    for (int round = 0; round < rounds; ++round)
        for (size_t i = 0; i < rowCounts.size(); ++i) {
            // Every other round in the other order.
            const size_t at = round % 2 ? rowCounts.size() - 1 - i : i;
            times[at].push_back(loadOnce(rowCounts[at]));
        }
    std::vector<double> medians;
    for (auto& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

void BM_HighScoreScreenRows(benchmark::State& state)
{
    platform::LogCapture quiet;
    platform::Bundle::main().setResourcePath(std::string(BRISKO_SOURCE_DIR) + "/resources");
    QVControllerLoader::setDefaultClassNamePrefix("QV");
    QVControllerLoader::setDefaultAssetFileSuffix("Qv");
    platform::ui::TestDriver driver; // the key window and main screen the views lay out in
    for (auto _ : state) {
        const std::vector<int> shortCounts { 1000, 2000, 3000, 4000, 5000 };
        const std::vector<int> longCounts { 12000, 14000, 16000, 18000, 20000 };
        std::vector<int> counts = shortCounts;
        counts.insert(counts.end(), longCounts.begin(), longCounts.end());
        const std::vector<double> medians = medianLoads(counts, kRounds);
        const Line shortLists = fit(shortCounts, { medians.begin(), medians.begin() + 5 });
        const Line longLists = fit(longCounts, { medians.begin() + 5, medians.end() });
        state.counters["table_rows"] = lastRowCount; // the table holds every row: nothing was cut
        state.counters["us_per_row_short"] = shortLists.perRow * 1e6;
        state.counters["us_per_row_long"] = longLists.perRow * 1e6;
        state.counters["per_row_long_vs_short"] = longLists.perRow / shortLists.perRow;
        state.counters["fixed_ms"] = shortLists.fixed * 1e3;
        state.counters["ms_1000"] = medians.front() * 1e3;
        state.counters["ms_20000"] = medians.back() * 1e3;
    }
}

} // namespace

BENCHMARK(BM_HighScoreScreenRows)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
