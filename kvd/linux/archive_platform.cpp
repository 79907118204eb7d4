// The archive's platform functions on Linux: libcrypto's SHA-256, the XDG
// data folder, the login and host names.
#include <openssl/evp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "kvd/archive/location.h"
#include "kvd/archive/sha256.h"

namespace zel::archive {

namespace {

// The algorithm fetched once: fetched again for every record, as
// EVP_sha256() is, it takes a third as long as hashing the record.
const EVP_MD* sha256Algorithm() {
  static EVP_MD* const algorithm = EVP_MD_fetch(nullptr, "SHA256", nullptr);
  return algorithm != nullptr ? algorithm : EVP_sha256();
}

}  // namespace

Digest sha256(const std::uint8_t* data, std::size_t size) {
  Digest out{};
  unsigned int length = 0;
  EVP_Digest(data, size, out.data(), &length, sha256Algorithm(), nullptr);
  return out;
}

std::string sha256FileHex(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(std::strerror(errno));
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  EVP_DigestInit_ex(context.get(), sha256Algorithm(), nullptr);
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  while (in) {
    in.read(buffer.get(), 1 << 16);
    if (in.gcount() > 0) EVP_DigestUpdate(context.get(), buffer.get(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw std::runtime_error("read error");
  Digest out{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(context.get(), out.data(), &length);
  return hexText(out.data(), out.size());
}

std::filesystem::path defaultArchivePath() {
  std::filesystem::path data;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
    data = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
      const passwd* entry = getpwuid(getuid());
      home = entry != nullptr ? entry->pw_dir : "/";
    }
    data = std::filesystem::path(home) / ".local" / "share";
  }
  return data / "zelviewer" / "archive.sqlite";
}

std::string userName() {
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr) return entry->pw_name;
  if (const char* user = std::getenv("USER"); user != nullptr && user[0] != '\0') return user;
  return "unknown";
}

std::string hostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "unknown";
  return name;
}

std::string localTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace zel::archive
