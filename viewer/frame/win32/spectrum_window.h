// The viewer's spectrum panel window, its zoom buttons and its read-out
// window: the Win32 side of the panel model.
#pragma once

#include <windows.h>

#include "common/record.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/offscreen_panel.h"
#include "viewer/frame/spectrum_panel.h"
#include "viewer/frame/viewer_program.h"

namespace zel::viewer::win32 {

class SpectrumWindow {
 public:
  // `record` is read later, when the panel opens: the frame loads it after
  // its window is up.
  void init(const ViewerProgram& program, const MeasurementRecord& record, const zel::win32::GdiObjects& objects);
  bool isOpen() const { return panel_.window != nullptr; }
  // Opens the panel over the main window unless it is open.
  void open(HWND owner);
  // Whether a message for this window belongs to the panel, and if so handles
  // it and sets `result`.
  bool handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Copies the panel and the read-out bitmaps to the screen.
  void paint();

 private:
  bool handlePanelMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void follow(PanelRequest request);
  void showReadOut();
  void releasePointer();
  void destroyed();

  const MeasurementRecord* record_ = nullptr;
  const zel::win32::GdiObjects* objects_ = nullptr;
  SpectrumPanel model_{0};
  HWND owner_ = nullptr;
  HWND downButton_ = nullptr;
  HWND upButton_ = nullptr;
  zel::win32::OffscreenPanel panel_;
  zel::win32::OffscreenPanel readOut_;
};

}  // namespace zel::viewer::win32
