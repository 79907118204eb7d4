#include "kvd/io/output_file.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

#include "browser/file_name.h"
#include "kvd/io/platform.h"

namespace zel::cli {

namespace {

namespace fs = std::filesystem;

std::string systemReason(int error) { return std::generic_category().message(error); }

// A name no other file has, in the target's folder: plain ASCII, whatever
// the target is called, so that libraries that open files by narrow names
// take it; it does not end in .kvd, so no measurement-file tool takes it for
// one.
fs::path temporaryName(const fs::path& target, unsigned attempt) {
  static std::mt19937_64 random{std::random_device{}()};
  return target.parent_path() /
         (".kvd-part-" + std::to_string(random() % 1000000000u) + "-" + std::to_string(attempt) + ".tmp");
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::create(const fs::path& target, std::string& why) {
  discard();
  target_ = target;
  std::error_code ec;
  if (fs::is_directory(target, ec)) {
    why = "is a directory";
    return false;
  }
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = temporaryName(target, attempt);
    if (fs::exists(fs::symlink_status(candidate, ec))) continue;
    // Armed before the file exists: an interrupt that comes while it is
    // being made still removes it.
    platform::setInterruptCleanup(candidate);
    errno = 0;
    std::FILE* f = platform::createFile(candidate);
    if (f == nullptr) {
      const int error = errno;
      platform::clearInterruptCleanup();
      why = "cannot be written (" + systemReason(error) + ")";
      return false;
    }
    stream_ = f;
    temporary_ = candidate;
    active_ = true;
    return true;
  }
  why = "no temporary file could be made beside it";
  return false;
}

void OutputFile::closeStream() {
  if (stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
}

bool OutputFile::commit(std::string& why) {
  if (!active_) {
    why = "nothing was written";
    return false;
  }
  if (stream_ != nullptr) {
    const bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
    const int error = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!ok || !closed) {
      why = "cannot be written (" + systemReason(error != 0 ? error : EIO) + ")";
      discard();
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temporary_, target_, ec);
  if (ec) {
    why = "cannot be written (" + ec.message() + ")";
    discard();
    return false;
  }
  active_ = false;
  platform::clearInterruptCleanup();
  return true;
}

void OutputFile::discard() {
  closeStream();
  if (active_) {
    std::error_code ec;
    fs::remove(temporary_, ec);
    active_ = false;
    platform::clearInterruptCleanup();
  }
}

bool sameFile(const fs::path& output, const fs::path& input) {
  std::error_code ec;
  if (fs::exists(output, ec) && fs::exists(input, ec)) {
    const bool same = fs::equivalent(output, input, ec);
    if (!ec) return same;
  }
  const fs::path a = fs::weakly_canonical(output, ec);
  if (ec) return output == input;
  const fs::path b = fs::weakly_canonical(input, ec);
  if (ec) return output == input;
  return a == b;
}

std::string outputRefusal(const FileName& output, const std::vector<FileName>& inputs) {
  if (browser::hasKvdExtension(output.text()))
    return "the output " + output.text() + " is named like a measurement file; kvd writes one only as kvd archive export, and never over a file";
  for (const FileName& name : inputs)
    if (sameFile(output.path(), name.path()))
      return "the output " + output.text() + " is one of the inputs (" + name.text() + ")";
  return {};
}

}  // namespace zel::cli
