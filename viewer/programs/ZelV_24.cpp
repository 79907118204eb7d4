#include <windows.h>

#include "viewer/frame/win32/viewer_frame.h"
#include "viewer/pages/pages.h"

namespace {

constexpr zel::viewer::ViewerProgram kProgram{
    "ZelV_24", 24, zel::pages::drawResultPage24, zel::viewer::SpectrumVariant::TwoBoundary,
    /*classIcon=*/true, /*largeFont=*/true};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return zel::viewer::win32::runViewer(kProgram); }
