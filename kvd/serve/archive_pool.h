// The reading connections of kvd serve. Each request takes one of its own
// for as long as it runs, so that an export, a protocol or the first count of
// a new filter in one browser does not hold up the pages of another, nor an
// import their reading: SQLite's write-ahead log lets readers go on beside
// the one writer, and PostgreSQL serves every connection by itself.
// Connections are opened when the requests at once need them, up to a few,
// and kept.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "kvd/archive/archive.h"

namespace zel::serve {

class ArchivePool {
 public:
  using Opener = std::function<std::unique_ptr<archive::Archive>()>;
  ArchivePool(Opener open, std::size_t most);

  // Runs `body` on a connection that no other request uses meanwhile.
  template <typename F>
  auto with(F&& body) {
    Lease lease(*this);
    return body(*lease.archive);
  }

 private:
  struct Lease {
    explicit Lease(ArchivePool& pool) : pool(pool), archive(pool.take()) {}
    ~Lease() { pool.give(std::move(archive)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ArchivePool& pool;
    std::unique_ptr<archive::Archive> archive;
  };

  std::unique_ptr<archive::Archive> take();
  void give(std::unique_ptr<archive::Archive> archive);

  Opener open_;
  std::size_t most_;
  std::size_t opened_ = 0;
  std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<std::unique_ptr<archive::Archive>> idle_;
};

}  // namespace zel::serve
