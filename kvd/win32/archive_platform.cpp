// The archive's platform functions on Windows: SHA-256 from CNG (bcrypt),
// the user's local application data folder, the login and computer names.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <bcrypt.h>
#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "kvd/archive/location.h"
#include "kvd/archive/sha256.h"
#include "kvd/win32/wide_text.h"

namespace zel::archive {

namespace {

std::string utf8(const wchar_t* text, std::size_t length) {
  return cli::platform::codePageFromWide({text, length}, CP_UTF8);
}

// CNG's SHA-256 provider, opened once for the process: opened for each
// record it would take longer than hashing the record. A provider serves
// any number of hashes, from any thread.
BCRYPT_ALG_HANDLE sha256Provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    return BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 ? handle : nullptr;
  }();
  return provider;
}

// One SHA-256 computation through CNG.
class Hasher {
 public:
  Hasher() {
    const BCRYPT_ALG_HANDLE provider = sha256Provider();
    if (provider == nullptr || BCryptCreateHash(provider, &hash_, nullptr, 0, nullptr, 0, 0) != 0)
      throw std::runtime_error("the system's SHA-256 is not available");
  }
  ~Hasher() {
    if (hash_ != nullptr) BCryptDestroyHash(hash_);
  }
  Hasher(const Hasher&) = delete;
  Hasher& operator=(const Hasher&) = delete;
  void add(const void* data, std::size_t size) {
    BCryptHashData(hash_, static_cast<PUCHAR>(const_cast<void*>(data)), static_cast<ULONG>(size), 0);
  }
  Digest finish() {
    Digest out{};
    BCryptFinishHash(hash_, out.data(), static_cast<ULONG>(out.size()), 0);
    return out;
  }

 private:
  BCRYPT_HASH_HANDLE hash_ = nullptr;
};

}  // namespace

Digest sha256(const std::uint8_t* data, std::size_t size) {
  Hasher hasher;
  hasher.add(data, size);
  return hasher.finish();
}

std::string sha256FileHex(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot be read");
  Hasher hasher;
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  while (in) {
    in.read(buffer.get(), 1 << 16);
    if (in.gcount() > 0) hasher.add(buffer.get(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw std::runtime_error("read error");
  const Digest d = hasher.finish();
  return hexText(d.data(), d.size());
}

std::filesystem::path defaultArchivePath() {
  PWSTR folder = nullptr;
  std::filesystem::path base;
  if (SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder) == S_OK) base = folder;
  CoTaskMemFree(folder);
  if (base.empty()) {
    wchar_t value[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"LOCALAPPDATA", value, MAX_PATH) > 0) base = value;
  }
  return base / L"ZelViewer" / L"archive.sqlite";
}

std::string userName() {
  wchar_t name[257] = {};
  DWORD size = 257;
  if (!GetUserNameW(name, &size) || size <= 1) return "unknown";
  return utf8(name, size - 1);
}

std::string hostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size) || size == 0) return "unknown";
  return utf8(name, size);
}

std::string localTimeNow() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return text;
}

}  // namespace zel::archive
