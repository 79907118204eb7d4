#include <windows.h>

#include "viewer/frame/win32/viewer_frame.h"
#include "viewer/pages/pages.h"

namespace {

constexpr zel::viewer::ViewerProgram kProgram{
    "ZelV_07", 7, zel::pages::drawResultPage07, zel::viewer::SpectrumVariant::ThreeBoundary,
    /*classIcon=*/true, /*largeFont=*/false};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return zel::viewer::win32::runViewer(kProgram); }
