// A high-score screen taking its answer: the player's own score and the
// scores of everyone, read into sections, the table laid out (every row's
// height) and the visible rows' cells filled — once with 1,000 rows and once
// with 20,000, in the same run. A list that is linear in its rows takes about
// 20 times as long for 20 times the rows:
//   rows_20000_vs_1000  time(20,000 rows) / time(1,000 rows) (goal: at most 25)
//   ms_1000, ms_20000   milliseconds of the thread's processor time per load,
//                       medians of several loads
//   table_rows          rows the table holds after the 20,000-row load
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

double medianLoad(int rows, int loads)
{
    std::vector<double> times;
    for (int i = 0; i < loads; ++i)
        times.push_back(loadOnce(rows));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void BM_HighScoreScreenRows(benchmark::State& state)
{
    platform::LogCapture quiet;
    platform::Bundle::main().setResourcePath(std::string(BRISKO_SOURCE_DIR) + "/resources");
    QVControllerLoader::setDefaultClassNamePrefix("QV");
    QVControllerLoader::setDefaultAssetFileSuffix("Qv");
    platform::ui::TestDriver driver; // the key window and main screen the views lay out in
    for (auto _ : state) {
        const double small = medianLoad(1000, 15);
        const double large = medianLoad(20000, 5);
        state.counters["table_rows"] = lastRowCount; // the table holds every row: nothing was cut
        state.counters["rows_20000_vs_1000"] = large / small;
        state.counters["ms_1000"] = small * 1e3;
        state.counters["ms_20000"] = large * 1e3;
    }
}

} // namespace

BENCHMARK(BM_HighScoreScreenRows)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
