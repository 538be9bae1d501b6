// The notice check that follows every refresh of the panel: the file read again and both occasions
// planned (the day's notice and the one three days before), everyone still to be told. Set beside
// BM_Refresh over the same sizes, it says what the notices add to a refresh.
#include "sample_file.h"

#include "data/birthday_file.h"
#include "notify/due_notices.h"

#include <benchmark/benchmark.h>

#include <optional>
#include <string_view>

namespace candlewatcher::bench {
namespace {

void BM_NoticeCheck(benchmark::State& state) {
    ScratchDirectory directory;
    const std::size_t bytes = WriteSampleFile(directory.Path(), static_cast<std::size_t>(state.range(0)));
    const BirthdayFile file(directory.Path());
    const NoticeSettings settings{true, 3, 9 * 60, 60};
    std::size_t rows = 0;
    for (auto _ : state) {
        const std::optional<FileBytes> content = file.ReadBytes();
        const NoticePlan plan = PlanNotices({kBenchToday, 10 * 60, 0}, settings,
                                            content ? content->View() : std::string_view(), {}, {});
        rows = 0;
        for (const DueNotice& notice : plan.Due) {
            rows += notice.Rows.size();
        }
        benchmark::DoNotOptimize(plan.Due.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_NoticeCheck)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace candlewatcher::bench
