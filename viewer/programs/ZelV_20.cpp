#include <windows.h>

#include "viewer/frame/win32/viewer_frame.h"
#include "viewer/pages/pages.h"

namespace {

constexpr zel::viewer::ViewerProgram kProgram{
    "ZelV_20", 20, zel::pages::drawResultPage20, zel::viewer::SpectrumVariant::ThreeBoundary,
    /*classIcon=*/true, /*largeFont=*/true};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return zel::viewer::win32::runViewer(kProgram); }
