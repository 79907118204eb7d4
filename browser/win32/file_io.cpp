#include "browser/win32/file_io.h"

#include <algorithm>

namespace zel::browser::win32 {

namespace {
// ReadFile and WriteFile count in 32 bits; a request is cut well below that.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
}  // namespace

bool HandleFileSource::open(const char* name) {
  close();
  file_ = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE, nullptr);
  return file_ != INVALID_HANDLE_VALUE;
}

std::uint64_t HandleFileSource::size() {
  LARGE_INTEGER s;
  if (file_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(file_, &s) || s.QuadPart < 0) return 0;
  return static_cast<std::uint64_t>(s.QuadPart);
}

std::size_t HandleFileSource::read(std::uint8_t* out, std::size_t count) {
  if (file_ == INVALID_HANDLE_VALUE) return 0;
  std::size_t done = 0;
  while (done < count) {
    const auto want = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
    DWORD got = 0;
    if (!ReadFile(file_, out + done, want, &got, nullptr) || got == 0) break;
    done += got;
  }
  return done;
}

void HandleFileSource::close() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

bool HandleByteSink::create(const char* name) {
  close();
  file_ = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_ARCHIVE, nullptr);
  return file_ != INVALID_HANDLE_VALUE;
}

bool HandleByteSink::write(const char* data, std::size_t size) {
  if (file_ == INVALID_HANDLE_VALUE) return false;
  std::size_t done = 0;
  while (done < size) {
    const auto want = static_cast<DWORD>(std::min(size - done, kMaxTransfer));
    DWORD put = 0;
    if (!WriteFile(file_, data + done, want, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
}

bool HandleByteSink::close() {
  if (file_ == INVALID_HANDLE_VALUE) return true;
  const bool ok = CloseHandle(file_) != 0;
  file_ = INVALID_HANDLE_VALUE;
  return ok;
}

}  // namespace zel::browser::win32
