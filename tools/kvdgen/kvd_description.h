// Sample measurement files from a small readable description, one record per
// line:
//
//   mode=14 date=05.07.2019 time=09:04:07 temperature=23 humidity=45
//     pressure=745 eecRn=123 eecRnError=10 bounds=44,46,80
//     spectrum=peak(60,500,3)+peak(100,200,4)+flat(2)
//
// Any field of the record is set by its name (integers in decimal or 0x hex,
// negative ones in two's complement; the coefficients as decimal fractions).
// `mode`, `date`, `time` and `bounds` are shorthands; `byte@OFFSET=V` sets a
// raw byte (the reserved regions, too). The spectrum is a sum of shapes:
// peak(centre,height,width), flat(level), channel(k,count), decay(from,height,tau).
// `repeat=N` writes the line's record N times. Lines starting with # are
// comments. A line `trailing=K` appends K bytes that form no whole record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/record.h"

namespace zel::kvd {

struct ParseError {
  int line = 0;
  std::string message;
};

// The file is built in memory: a description of a larger file is refused
// rather than left to exhaust the memory (a test of a large file needs a few
// tens of megabytes; 65,535 records are 45 MB).
inline constexpr std::uint64_t kMaxFileSize = 256u << 20;

// Builds the file's bytes from a description; on a mistake returns false and
// says which line and why.
bool buildFile(std::string_view description, std::vector<std::uint8_t>& out, ParseError& error);

// Applies one record line to `record` (fields not named stay as they are).
bool applyLine(std::string_view line, MeasurementRecord& record, int& repeat, std::string& error);

// The built-in demo: plausible records for every mode code 0 ... 26.
std::string demoDescription();

}  // namespace zel::kvd
