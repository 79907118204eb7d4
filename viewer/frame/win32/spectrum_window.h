// The viewer's spectrum panel window, its zoom buttons and its read-out
// window: the Win32 side of the panel model.
#pragma once

#include <windows.h>

#include "common/record.h"
#include "common/win32/gdi_objects.h"
#include "viewer/frame/viewer_program.h"

namespace zel::viewer::win32 {

class SpectrumWindow {
 public:
  void init(const ViewerProgram& program, const MeasurementRecord& record, const zel::win32::GdiObjects& objects);
  bool isOpen() const;
  // Opens the panel over the main window unless it is open.
  void open(HWND owner);
  // Whether a message for this window belongs to the panel, and if so handles
  // it and sets `result`.
  bool handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Copies the panel and the read-out bitmaps to the screen.
  void paint();

 private:
  const ViewerProgram* program_ = nullptr;
  const MeasurementRecord* record_ = nullptr;
  const zel::win32::GdiObjects* objects_ = nullptr;
};

}  // namespace zel::viewer::win32
