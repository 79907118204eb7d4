#include "kvd/archive/sha256.h"

namespace zel::archive {

std::string hexText(const std::uint8_t* data, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out(size * 2, '0');
  for (std::size_t k = 0; k < size; ++k) {
    out[2 * k] = kDigits[data[k] >> 4];
    out[2 * k + 1] = kDigits[data[k] & 0x0F];
  }
  return out;
}

}  // namespace zel::archive
