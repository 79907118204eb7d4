// The browser's file access over Win32 handles: the measurement file read
// once from its start, the export written anew.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "browser/dif_export.h"
#include "browser/summary_list.h"

namespace zel::browser::win32 {

// Read sharing only: a file another program still writes is not taken.
class HandleFileSource : public FileSource {
 public:
  ~HandleFileSource() override { close(); }
  bool open(const char* name) override;
  std::uint64_t size() override;
  std::size_t read(std::uint8_t* out, std::size_t count) override;
  void close() override;

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// The export file, created anew so that a longer old export loses its tail.
class HandleByteSink : public ByteSink {
 public:
  ~HandleByteSink() override { close(); }
  bool create(const char* name);
  bool write(const char* data, std::size_t size) override;
  // False when the last buffered bytes could not be written out.
  bool close();

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace zel::browser::win32
