#include "browser/viewer_launch.h"

#include <gtest/gtest.h>

#include <string>

namespace zel::browser {
namespace {

struct LaunchCase {
  const char* directory;
  const char* file;
  std::uint16_t mode;
  std::uint32_t index;
  const char* program;
  const char* parameters;
};

class ViewerLaunchTest : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(ViewerLaunchTest, NamesTheModesViewerAndTheRecord) {
  const LaunchCase& c = GetParam();
  const std::optional<ViewerLaunch> launch = viewerLaunch(c.directory, c.file, c.mode, c.index);
  ASSERT_TRUE(launch.has_value());
  EXPECT_EQ(launch->programPath, c.program);
  EXPECT_EQ(launch->parameters, c.parameters);
}

INSTANTIATE_TEST_SUITE_P(
    Records, ViewerLaunchTest,
    ::testing::Values(
        LaunchCase{"C:\\prog", "C:\\data\\m.kvd", 3, 42, "C:\\prog\\ZelV_03.exe", "C:\\data\\m.kvd,42"},
        LaunchCase{"C:\\prog", "m.kvd", 5, 0, "C:\\prog\\ZelV_05.exe", "m.kvd,0"},
        LaunchCase{"C:\\prog", "m.kvd", 26, 123, "C:\\prog\\ZelV_26.exe", "m.kvd,123"},
        LaunchCase{"C:\\prog", "m.kvd", 14, 65535, "C:\\prog\\ZelV_14.exe", "m.kvd,65535"},
        LaunchCase{"C:\\prog", "m.kvd", 14, 6242686, "C:\\prog\\ZelV_14.exe", "m.kvd,6242686"},
        // Modes without a viewer are started all the same; the shell's call
        // fails quietly.
        LaunchCase{"C:\\prog", "m.kvd", 0, 1, "C:\\prog\\ZelV_00.exe", "m.kvd,1"},
        LaunchCase{"C:\\prog", "m.kvd", 23, 1, "C:\\prog\\ZelV_23.exe", "m.kvd,1"},
        // Blanks and commas pass unquoted: the viewer takes its whole argument
        // and splits it at the last comma.
        LaunchCase{"C:\\my prog", "C:\\my data\\a,b.kvd", 20, 7, "C:\\my prog\\ZelV_20.exe",
                   "C:\\my data\\a,b.kvd,7"},
        LaunchCase{".", "m.kvd", 1, 2, ".\\ZelV_01.exe", "m.kvd,2"}));

class UnknownModeTest : public ::testing::TestWithParam<std::uint16_t> {};

// The low byte of these codes names another mode's viewer (259 would start
// ZelV_03): nothing starts.
TEST_P(UnknownModeTest, StartsNothing) { EXPECT_FALSE(viewerLaunch("C:\\prog", "m.kvd", GetParam(), 0)); }

INSTANTIATE_TEST_SUITE_P(Codes, UnknownModeTest, ::testing::Values(27, 99, 256, 259, 276, 65535));

}  // namespace
}  // namespace zel::browser
