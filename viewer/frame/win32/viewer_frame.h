#pragma once

#include "viewer/frame/viewer_program.h"

namespace zel::viewer::win32 {

// Runs one viewer program: its window, its record, its page; returns the
// exit code of the quit message.
int runViewer(const ViewerProgram& program);

}  // namespace zel::viewer::win32
