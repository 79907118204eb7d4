// The server's connections: its port is its own, a change shows at once in
// every reading connection (each keeps the totals of its pages), and the
// reading connections are opened as needed, up to their number, and never
// lost to a connection that failed to open.
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "kvd/serve/archive_pool.h"
#include "tests/serve/serve_fixture.h"

namespace zel::serve::test {
namespace {

class ServeConnections : public ServeTest {
 protected:
  // The same page asked by many clients at once, so that every reading
  // connection answers some; the totals they gave.
  std::vector<std::uint64_t> totalsAtOnce(const std::string& path) const {
    std::vector<std::uint64_t> totals(8);
    std::vector<std::thread> clients;
    for (std::size_t k = 0; k < totals.size(); ++k)
      clients.emplace_back([&, k] {
        const Json page = json(get(path));
        totals[k] = page.contains("total") ? page["total"].get<std::uint64_t>() : 999999;
      });
    for (std::thread& c : clients) c.join();
    return totals;
  }
};

TEST_F(ServeConnections, EveryChangeShowsAtOnceInEveryReader) {
  const std::string path = "/api/records?unassigned=1&limit=1";
  const std::vector<std::uint64_t> none(8, 0), demo(8, 27), assigned(8, 25);
  EXPECT_EQ(totalsAtOnce(path), none);

  ASSERT_EQ(upload({{"demo.kvd", kvdBytes()}})->status, 200);  // through the server's writer
  EXPECT_EQ(totalsAtOnce(path), demo);

  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}})->status, 201);
  ASSERT_EQ(post("/api/assign", Json{{"object", "School 5"}, {"room", "A"}, {"records", {1, 2}}})->status, 200);
  EXPECT_EQ(totalsAtOnce(path), assigned);

  {
    // Another program changes the archive while the server runs.
    archive::Archive other = openArchive();
    archive::Selection both;
    both.recordIds = {1, 2};
    other.unassign(both);
  }
  EXPECT_EQ(totalsAtOnce(path), demo);
}

TEST_F(ServeConnections, ASecondServerCannotTakeThePort) {
  ServeSettings settings{archivePath_.string(), "", "", server_->port()};
  Server second(settings, std::make_unique<archive::Archive>(archive::openLocation(archivePath_.string(), false)), "test");
  std::string why;
  EXPECT_FALSE(second.bind(why));
  EXPECT_NE(why.find(std::to_string(server_->port())), std::string::npos) << why;
  EXPECT_EQ(get("/api/session")->status, 200);
}

TEST_F(ServeConnections, ReadersAreOpenedAsNeededUpToTheirNumber) {
  std::atomic<int> opened{0}, failures{1}, inUse{0}, mostInUse{0};
  ArchivePool pool(
      [&] {
        if (failures-- > 0) throw std::runtime_error("the archive cannot be opened now");
        ++opened;
        return std::make_unique<archive::Archive>(archive::openLocation(archivePath_.string(), false));
      },
      2);
  EXPECT_THROW(pool.with([](archive::Archive&) { return 0; }), std::runtime_error);

  // Each request keeps its connection until two are in use at once (or a
  // minute has passed, when the pool never lends a second one), so that the
  // pool is asked for more than it holds however the threads are scheduled.
  std::vector<std::thread> requests;
  for (int k = 0; k < 6; ++k)
    requests.emplace_back([&] {
      pool.with([&](archive::Archive& a) {
        const int now = ++inUse;
        for (int seen = mostInUse; now > seen && !mostInUse.compare_exchange_weak(seen, now);) {
        }
        a.countRecords({});
        const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (mostInUse < 2 && std::chrono::steady_clock::now() < until)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        --inUse;
        return 0;
      });
    });
  for (std::thread& r : requests) r.join();
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(mostInUse, 2);
}

}  // namespace
}  // namespace zel::serve::test
