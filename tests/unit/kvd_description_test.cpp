// The sample generator's description: shapes with arguments far outside the
// spectrum, and files too large to build in memory.
#include "tools/kvdgen/kvd_description.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zel::kvd {
namespace {

MeasurementRecord recordOf(const std::string& line) {
  std::vector<std::uint8_t> bytes;
  ParseError error;
  EXPECT_TRUE(buildFile(line, bytes, error)) << error.message;
  MeasurementRecord r;
  if (bytes.size() == kRecordSize) std::copy(bytes.begin(), bytes.end(), r.bytes.begin());
  return r;
}

TEST(KvdDescription, PeakCentredFarOutsideTheChannelsAddsNothing) {
  for (const char* centre : {"-9223372036854775808", "9223372036854775807", "-100000"}) {
    const MeasurementRecord r = recordOf(std::string("spectrum=flat(3)+peak(") + centre + ",60000,2)");
    for (int k = 0; k < kSpectrumChannels; ++k) ASSERT_EQ(r.spectrum(k), 3) << centre << " channel " << k;
  }
}

TEST(KvdDescription, DecayFromAChannelPastTheSpectrumAddsNothing) {
  // 4294967301 is 5 in its low 32 bits: the decay must not start at channel 5.
  for (const char* from : {"4294967301", "256", "-1", "9223372036854775807"}) {
    const MeasurementRecord r = recordOf(std::string("spectrum=decay(") + from + ",100,10)");
    for (int k = 0; k < kSpectrumChannels; ++k) ASSERT_EQ(r.spectrum(k), 0) << from << " channel " << k;
  }
}

TEST(KvdDescription, DecayStartsAtItsChannel) {
  const MeasurementRecord r = recordOf("spectrum=decay(250,100,1000)");
  EXPECT_EQ(r.spectrum(249), 0);
  EXPECT_EQ(r.spectrum(250), 100);
  EXPECT_EQ(r.spectrum(255), 100);  // 100 * e^(-5/1000), rounded
}

TEST(KvdDescription, FileLargerThanTheLimitIsRefusedWithItsLine) {
  std::vector<std::uint8_t> bytes;
  ParseError error;
  EXPECT_FALSE(buildFile("mode=1\n# many\nmode=2 repeat=10000000\n", bytes, error));
  EXPECT_EQ(error.line, 3);
  EXPECT_NE(error.message.find("256 MiB"), std::string::npos) << error.message;
}

TEST(KvdDescription, RecordsUpToTheLimitAreBuilt) {
  const std::uint64_t records = kMaxFileSize / kRecordSize;
  std::vector<std::uint8_t> bytes;
  ParseError error;
  // The trailing bytes that would pass the limit by one are refused.
  const std::uint64_t room = kMaxFileSize - records * kRecordSize;
  const std::string description = "mode=1 repeat=" + std::to_string(records) + "\n";
  EXPECT_FALSE(buildFile(description + "trailing=" + std::to_string(room + 1) + "\n", bytes, error));
  EXPECT_EQ(error.line, 2);
  ASSERT_TRUE(buildFile(description + "trailing=" + std::to_string(room) + "\n", bytes, error)) << error.message;
  EXPECT_EQ(bytes.size(), kMaxFileSize);
}

}  // namespace
}  // namespace zel::kvd
