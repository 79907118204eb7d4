// An output file written under a temporary name in its own folder and
// renamed to its name only once it is complete: a failed or interrupted
// export leaves no half file, and an older file of that name stays as it was
// until the new one replaces it whole.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "kvd/io/file_name.h"

namespace zel::cli {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Removes the temporary file unless it was committed.
  ~OutputFile();

  // Creates the temporary file beside `target`; false with the reason.
  bool create(const std::filesystem::path& target, std::string& why);
  // The temporary file, open for writing in binary mode.
  std::FILE* stream() { return stream_; }
  const std::filesystem::path& temporaryPath() const { return temporary_; }
  // Closes the stream, for writers that open the temporary path themselves.
  void closeStream();
  // Closes and renames to the target; false with the reason (the temporary
  // file is then removed).
  bool commit(std::string& why);
  // Closes and removes the temporary file.
  void discard();

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::FILE* stream_ = nullptr;
  bool active_ = false;
};

// Whether `output` names the same file as `input`: the same file on disk
// where both exist, else the same weakly canonical path.
bool sameFile(const std::filesystem::path& output, const std::filesystem::path& input);

// Why a command must not write `output`, given its input files: a name like
// a measurement file's (kvd never writes one, so no measurement is ever
// overwritten), or one of the inputs. Empty when it may.
std::string outputRefusal(const FileName& output, const std::vector<FileName>& inputs);

}  // namespace zel::cli
