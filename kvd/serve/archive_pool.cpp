#include "kvd/serve/archive_pool.h"

namespace zel::serve {

ArchivePool::ArchivePool(Opener open, std::size_t most) : open_(std::move(open)), most_(most) {}

std::unique_ptr<archive::Archive> ArchivePool::take() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [&] { return !idle_.empty() || opened_ < most_; });
  if (!idle_.empty()) {
    std::unique_ptr<archive::Archive> archive = std::move(idle_.back());
    idle_.pop_back();
    return archive;
  }
  // Opened outside the lock: a connection to a server may take a moment.
  ++opened_;
  lock.unlock();
  try {
    return open_();
  } catch (...) {
    lock.lock();
    --opened_;
    returned_.notify_one();
    throw;
  }
}

void ArchivePool::give(std::unique_ptr<archive::Archive> archive) {
  {
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(archive));
  }
  returned_.notify_one();
}

}  // namespace zel::serve
