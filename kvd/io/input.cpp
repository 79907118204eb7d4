#include "kvd/io/input.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "browser/file_name.h"
#include "kvd/io/platform.h"

namespace zel::cli {

namespace {

namespace fs = std::filesystem;

// Records per read: few system calls, and a chunk of moderate size.
constexpr std::size_t kChunkRecords = 256;

std::string sizeText(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::vector<FileName> expandFileArguments(const std::vector<std::string>& arguments) {
  std::vector<FileName> names;
  for (const std::string& argument : arguments)
    for (FileName& name : platform::expandWildcards(argument)) names.push_back(std::move(name));
  return names;
}

std::string recordSizeRefusal(std::uint64_t size) {
  if (size == 0) return "is empty: no records";
  if (size < kRecordSize)
    return "holds no whole record (" + sizeText(size, "byte", "bytes") + ", a record has " +
           std::to_string(kRecordSize) + ")";
  return {};
}

bool RecordFile::open(const FileName& file, Diagnostics& diagnostics) {
  const std::string& name = file.text();
  name_ = name;
  path_ = file.path();
  delivered_ = 0;
  chunkRecords_ = chunkAt_ = 0;
  shortRead_ = false;
  // The record browser's rule: the name ends in .kvd, in any mix of cases.
  if (!browser::hasKvdExtension(name)) {
    diagnostics.fileFailed(name, "not a measurement file: the name does not end in .kvd");
    return false;
  }
  std::error_code ec;
  const fs::file_status status = fs::status(path_, ec);
  if (ec || !fs::exists(status)) {
    diagnostics.fileFailed(name, ec && ec != std::errc::no_such_file_or_directory
                                     ? "cannot be read (" + ec.message() + ")"
                                     : std::string("no such file"));
    return false;
  }
  if (fs::is_directory(status)) {
    diagnostics.fileFailed(name, "is a directory, not a measurement file");
    return false;
  }
  if (!fs::is_regular_file(status)) {
    diagnostics.fileFailed(name, "is not a regular file");
    return false;
  }
  errno = 0;
  in_.open(path_, std::ios::in | std::ios::binary);
  if (!in_) {
    const int why = errno;
    diagnostics.fileFailed(name, std::string("cannot be read") +
                                     (why != 0 ? " (" + std::generic_category().message(why) + ")" : ""));
    return false;
  }
  size_ = fs::file_size(path_, ec);
  if (ec) {
    diagnostics.fileFailed(name, "cannot be read (" + ec.message() + ")");
    in_.close();
    return false;
  }
  if (const std::string why = recordSizeRefusal(size_); !why.empty()) {
    diagnostics.fileFailed(name, why);
    in_.close();
    return false;
  }
  if (!chunk_) chunk_.reset(new std::uint8_t[kChunkRecords * kRecordSize]);
  return true;
}

bool RecordFile::fill() {
  const std::uint64_t left = recordCount() - delivered_;
  if (left == 0 || shortRead_) return false;
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunkRecords));
  in_.read(reinterpret_cast<char*>(chunk_.get()), static_cast<std::streamsize>(want * kRecordSize));
  const auto got = static_cast<std::size_t>(in_.gcount());
  chunkRecords_ = got / kRecordSize;
  chunkAt_ = 0;
  if (chunkRecords_ < want) shortRead_ = true;
  return chunkRecords_ > 0;
}

bool RecordFile::next(MeasurementRecord& record) {
  if (chunkAt_ == chunkRecords_ && !fill()) return false;
  std::memcpy(record.bytes.data(), chunk_.get() + chunkAt_ * kRecordSize, kRecordSize);
  ++chunkAt_;
  ++delivered_;
  return true;
}

bool RecordFile::readAt(std::uint64_t index, MeasurementRecord& record) {
  if (index >= recordCount()) return false;
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(index * kRecordSize));
  in_.read(reinterpret_cast<char*>(record.bytes.data()), kRecordSize);
  if (static_cast<std::size_t>(in_.gcount()) != kRecordSize) {
    shortRead_ = true;
    return false;
  }
  // Sequential reading starts over from the record after this one.
  chunkRecords_ = chunkAt_ = 0;
  delivered_ = index + 1;
  return true;
}

void RecordFile::finish(Diagnostics& diagnostics) {
  if (shortRead_) {
    diagnostics.note(name_, "the file ended before its size said (it changed while it was read); " +
                                sizeText(delivered_, "record was", "records were") + " read");
  }
  const std::uint64_t partial = size_ % kRecordSize;
  if (partial != 0) {
    const char* const verb = partial == 1 ? " forms no whole record and is ignored"
                                          : " form no whole record and are ignored";
    diagnostics.note(name_, "the last " + sizeText(partial, "byte", "bytes") + verb +
                                ", as the record browser ignores them");
  }
  in_.close();
}

bool PathFileSource::open(const char*) {
  in_.open(path_, std::ios::in | std::ios::binary);
  std::error_code ec;
  size_ = in_ ? fs::file_size(path_, ec) : 0;
  return static_cast<bool>(in_) && !ec;
}

std::uint64_t PathFileSource::size() { return size_; }

std::size_t PathFileSource::read(std::uint8_t* out, std::size_t count) {
  in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
  return static_cast<std::size_t>(in_.gcount());
}

void PathFileSource::close() { in_.close(); }

}  // namespace zel::cli
