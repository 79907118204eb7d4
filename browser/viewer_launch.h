// Opening a record: the viewer program of its mode, in the browser's own
// directory, with the file name and the record's index.
//
// The shell passes both texts to ShellExecuteA(NULL, "open", programPath,
// parameters, NULL, SW_SHOWNORMAL), does not wait and does not look at the
// result: a mode without a viewer program simply starts nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zel::browser {

struct ViewerLaunch {
  std::string programPath;  // directory "\ZelV_" two digits ".exe"
  std::string parameters;   // file name "," index, no quotes, no blanks added
};

// Nothing for a mode code outside the table: its low byte would name the
// viewer of another mode (code 259 would open ZelV_03 on a record that is no
// mode-3 record).
// The index is 0-based, in decimal without leading zeros. The viewer splits
// the parameters at their last comma, so a file name with commas reaches it
// whole.
std::optional<ViewerLaunch> viewerLaunch(std::string_view programDirectory, std::string_view loadedName,
                                         std::uint16_t modeCode, std::uint32_t recordIndex);

}  // namespace zel::browser
