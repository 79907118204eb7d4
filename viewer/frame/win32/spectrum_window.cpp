#include "viewer/frame/win32/spectrum_window.h"

namespace zel::viewer::win32 {

void SpectrumWindow::init(const ViewerProgram& program, const MeasurementRecord& record,
                          const zel::win32::GdiObjects& objects) {
  program_ = &program;
  record_ = &record;
  objects_ = &objects;
}

bool SpectrumWindow::isOpen() const { return false; }

void SpectrumWindow::open(HWND) {}

bool SpectrumWindow::handleMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void SpectrumWindow::paint() {}

}  // namespace zel::viewer::win32
