#include "browser/viewer_launch.h"

#include "common/mode_table.h"
#include "common/text_format.h"

namespace zel::browser {

std::optional<ViewerLaunch> viewerLaunch(std::string_view programDirectory, std::string_view loadedName,
                                         std::uint16_t modeCode, std::uint32_t recordIndex) {
  if (modeCode >= kModeCount) return std::nullopt;
  ViewerLaunch launch;
  char name[16];
  char* end = formatViewerProgramName(name, modeCode);
  launch.programPath.reserve(programDirectory.size() + 1 + static_cast<std::size_t>(end - name) + 4);
  launch.programPath.append(programDirectory).append(1, '\\').append(name, end).append(".exe");

  char index[kMaxDwordText];
  end = formatDword(index, recordIndex);
  launch.parameters.reserve(loadedName.size() + 1 + kMaxDwordText);
  launch.parameters.append(loadedName).append(1, ',').append(index, end);
  return launch;
}

}  // namespace zel::browser
