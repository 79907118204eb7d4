// SHA-256, from the platform's own cryptography (libcrypto on Linux, CNG on
// Windows): of a record's 688 bytes, its identity in the archive, and of a
// whole file, which tells a file already imported.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace zel::archive {

using Digest = std::array<std::uint8_t, 32>;

Digest sha256(const std::uint8_t* data, std::size_t size);
// Lower-case hex of a file's contents; throws std::runtime_error with the
// reason when the file cannot be read.
std::string sha256FileHex(const std::filesystem::path& file);
std::string hexText(const std::uint8_t* data, std::size_t size);

}  // namespace zel::archive
