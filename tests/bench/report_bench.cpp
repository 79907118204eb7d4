// Writing the report of a year of hourly records.
#include <benchmark/benchmark.h>

#include "kvd/report/html_report.h"
#include "tests/report/year_input.h"

namespace {

void BM_HtmlReportOfAYear(benchmark::State& state) {
  const zel::report::ReportInput input = zel::report::test::yearInput(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string html = zel::report::htmlReport(input);
    bytes = html.size();
    benchmark::DoNotOptimize(html.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HtmlReportOfAYear)->Arg(8760)->Unit(benchmark::kMillisecond);

}  // namespace
