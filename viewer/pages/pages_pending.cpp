// Hooks of the pages that are not drawn yet: the frame calls them once and
// they leave the page panel in its page colour.
#include "viewer/pages/pages.h"

namespace zel::pages {

void drawResultPage01(Surface&, const MeasurementRecord&) {}
void drawResultPage02(Surface&, const MeasurementRecord&) {}
void drawResultPage03(Surface&, const MeasurementRecord&) {}
void drawResultPage04(Surface&, const MeasurementRecord&) {}
void drawResultPage05(Surface&, const MeasurementRecord&) {}
void drawResultPage06(Surface&, const MeasurementRecord&) {}
void drawResultPage07(Surface&, const MeasurementRecord&) {}
void drawResultPage10(Surface&, const MeasurementRecord&) {}
void drawResultPage12(Surface&, const MeasurementRecord&) {}
void drawResultPage13(Surface&, const MeasurementRecord&) {}
void drawResultPage14(Surface&, const MeasurementRecord&) {}
void drawResultPage15(Surface&, const MeasurementRecord&) {}
void drawResultPage18(Surface&, const MeasurementRecord&) {}
void drawResultPage19(Surface&, const MeasurementRecord&) {}
void drawResultPage20(Surface&, const MeasurementRecord&) {}
void drawResultPage21(Surface&, const MeasurementRecord&) {}
void drawResultPage22(Surface&, const MeasurementRecord&) {}
void drawResultPage24(Surface&, const MeasurementRecord&) {}
void drawResultPage25(Surface&, const MeasurementRecord&) {}
void drawResultPage26(Surface&, const MeasurementRecord&) {}

}  // namespace zel::pages
