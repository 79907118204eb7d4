#include <windows.h>

#include "viewer/frame/win32/viewer_frame.h"
#include "viewer/pages/pages.h"

namespace {

constexpr zel::viewer::ViewerProgram kProgram{
    "ZelV_06", 6, zel::pages::drawResultPage06, zel::viewer::SpectrumVariant::TwoBoundary,
    /*classIcon=*/false, /*largeFont=*/true};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return zel::viewer::win32::runViewer(kProgram); }
