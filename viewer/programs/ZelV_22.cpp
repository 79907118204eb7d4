#include <windows.h>

#include "viewer/frame/win32/viewer_frame.h"
#include "viewer/pages/pages.h"

namespace {

constexpr zel::viewer::ViewerProgram kProgram{
    "ZelV_22", 22, zel::pages::drawResultPage22, zel::viewer::SpectrumVariant::ThreeBoundary,
    /*classIcon=*/true, /*largeFont=*/false};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return zel::viewer::win32::runViewer(kProgram); }
