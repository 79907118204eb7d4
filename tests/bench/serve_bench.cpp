// kvd serve on the archive of a million records, on 127.0.0.1 in the
// benchmarks' process: a page of 100 rows of /api/records under several
// filters and orders, a record's page SVG, a spectrum panel opened, and a
// load of 50 clients of 200 requests each (pages of the list, records,
// page SVGs) with its errors, its 99th percentile latency and the
// process's memory.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "kvd/serve/server.h"
#include "tests/bench/large_archive.h"

namespace {

using namespace zel::archive;
using namespace zel::archive::bench;

constexpr int kLoadClients = 50;
constexpr int kLoadRequests = 200;
// The load stops here whatever it has left: a slow server is a result.
constexpr auto kLoadDeadline = std::chrono::minutes(5);

struct BenchServer {
  BenchServer() {
    largeArchive(Dialect::Sqlite);  // made once, kept in the build tree
    zel::serve::ServeSettings settings{(benchDir() / "large.sqlite").string(), "en", "", 0};
    server = std::make_unique<zel::serve::Server>(
        settings, std::make_unique<Archive>(openSqlite(benchDir() / "large.sqlite", false)), "bench");
    std::string why;
    if (!server->bind(why)) throw std::runtime_error(why);
    thread = std::thread([this] { server->run(); });
    for (int k = 0; k < 500 && !client().Get("/api/session", headers()); ++k)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~BenchServer() {
    server->stop();
    thread.join();
  }
  httplib::Headers headers() const {
    return {{"Authorization", "Bearer " + server->token()}, {"X-CSRF-Token", server->csrf()}};
  }
  httplib::Client client() const {
    httplib::Client c("127.0.0.1", server->port());
    c.set_connection_timeout(5);
    c.set_tcp_nodelay(true);
    c.set_read_timeout(30);
    return c;
  }
  std::unique_ptr<zel::serve::Server> server;
  std::thread thread;
};

BenchServer& benchServer() {
  static BenchServer s;
  return s;
}

void get(benchmark::State& state, const std::string& path, int expected = 200) {
  BenchServer& s = benchServer();
  httplib::Client c = s.client();
  c.set_keep_alive(true);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const httplib::Result r = c.Get(path.c_str(), s.headers());
    if (!r || r->status != expected) {
      state.SkipWithError(("no answer " + std::to_string(expected) + " to " + path).c_str());
      return;
    }
    bytes = r->body.size();
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_ServeRecordsPage(benchmark::State& state, const char* query) {
  get(state, std::string("/api/records?limit=100&") + query);
}

// The first page under a filter not asked before, its total counted with
// it: every record of the million, from a date before the first of them
// that is new each time.
void BM_ServeRecordsFirstPage(benchmark::State& state) {
  BenchServer& s = benchServer();
  httplib::Client c = s.client();
  c.set_keep_alive(true);
  int day = 0;
  for (auto _ : state) {
    const int k = day++;
    char from[16];
    std::snprintf(from, sizeof from, "%04d-%02d-%02d", 1980 + k / 336 % 30, 1 + k / 28 % 12, 1 + k % 28);
    const httplib::Result r = c.Get(("/api/records?limit=100&from=" + std::string(from)).c_str(), s.headers());
    if (!r || r->status != 200) state.SkipWithError("no page");
  }
}

void BM_ServePageSvg(benchmark::State& state) { get(state, "/api/records/500000/page.svg"); }

void BM_ServeSpectrumOpen(benchmark::State& state) {
  BenchServer& s = benchServer();
  httplib::Client c = s.client();
  c.set_keep_alive(true);
  for (auto _ : state) {
    const httplib::Result r = c.Post("/api/records/500000/spectrum", s.headers(), "", "application/json");
    if (!r || r->status != 200) state.SkipWithError("the spectrum did not open");
  }
}

std::uint64_t statusKilobytes(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stoull(line.substr(std::string(key).size()));
  return 0;
}

void BM_ServeLoad(benchmark::State& state) {
  BenchServer& s = benchServer();
  const std::uint64_t rssBefore = statusKilobytes("VmRSS:");
  std::atomic<int> errors{0};
  std::vector<std::vector<double>> latencies(kLoadClients);
  const auto deadline = std::chrono::steady_clock::now() + kLoadDeadline;
  for (auto _ : state) {
    std::vector<std::thread> clients;
    for (int t = 0; t < kLoadClients; ++t)
      clients.emplace_back([&, t] {
        httplib::Client c = s.client();
        for (int k = 0; k < kLoadRequests && std::chrono::steady_clock::now() < deadline; ++k) {
          const int id = 1 + (t * 7919 + k * 104729) % 1000000;
          std::string path;
          switch (k % 4) {
            case 0: path = "/api/records?limit=100&offset=" + std::to_string(k * 100) + "&device=" + std::to_string(1100 + t % 50); break;
            case 1: path = "/api/records/" + std::to_string(id); break;
            case 2: path = "/api/records/" + std::to_string(id) + "/page.svg"; break;
            default: path = "/api/records?limit=100&sort=date&dir=desc&offset=" + std::to_string(k); break;
          }
          const auto start = std::chrono::steady_clock::now();
          const httplib::Result r = c.Get(path.c_str(), s.headers());
          latencies[t].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
          if (!r || r->status != 200) ++errors;
        }
      });
    for (std::thread& c : clients) c.join();
  }
  std::vector<double> all;
  for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  std::sort(all.begin(), all.end());
  state.counters["requests"] = static_cast<double>(all.size());
  state.counters["errors"] = errors.load();
  state.counters["p50_ms"] = all.empty() ? 0 : all[all.size() / 2];
  state.counters["p99_ms"] = all.empty() ? 0 : all[all.size() * 99 / 100];
  state.counters["peak_rss_MiB"] = static_cast<double>(statusKilobytes("VmHWM:")) / 1024;
  state.counters["rss_growth_MiB"] =
      (static_cast<double>(statusKilobytes("VmRSS:")) - static_cast<double>(rssBefore)) / 1024;
}

}  // namespace

BENCHMARK_CAPTURE(BM_ServeRecordsPage, all_by_date, "")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ServeRecordsPage, all_by_date_desc_deep, "sort=date&dir=desc&offset=500000")
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ServeRecordsPage, object, "object=Object%2042")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ServeRecordsPage, object_room_by_value, "object=Object%2042&room=Room%202&sort=value")
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ServeRecordsPage, device_month, "device=1117&from=2016-03-01&to=2016-03-31")
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ServeRecordsPage, mode, "mode=14")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ServeRecordsPage, all_by_value, "sort=value&dir=desc")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ServeRecordsPage, unassigned, "unassigned=1")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ServeRecordsFirstPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ServePageSvg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ServeSpectrumOpen)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ServeLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
