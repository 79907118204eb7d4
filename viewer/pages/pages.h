// The result pages, one hook per viewer program.
#pragma once

#include "common/record.h"
#include "common/surface.h"

namespace zel::pages {

void drawResultPage01(Surface& s, const MeasurementRecord& r);
void drawResultPage02(Surface& s, const MeasurementRecord& r);
void drawResultPage03(Surface& s, const MeasurementRecord& r);
void drawResultPage04(Surface& s, const MeasurementRecord& r);
void drawResultPage05(Surface& s, const MeasurementRecord& r);
void drawResultPage06(Surface& s, const MeasurementRecord& r);
void drawResultPage07(Surface& s, const MeasurementRecord& r);
void drawResultPage10(Surface& s, const MeasurementRecord& r);
void drawResultPage12(Surface& s, const MeasurementRecord& r);
void drawResultPage13(Surface& s, const MeasurementRecord& r);
void drawResultPage14(Surface& s, const MeasurementRecord& r);
void drawResultPage15(Surface& s, const MeasurementRecord& r);
void drawResultPage18(Surface& s, const MeasurementRecord& r);
void drawResultPage19(Surface& s, const MeasurementRecord& r);
void drawResultPage20(Surface& s, const MeasurementRecord& r);
void drawResultPage21(Surface& s, const MeasurementRecord& r);
void drawResultPage22(Surface& s, const MeasurementRecord& r);
void drawResultPage24(Surface& s, const MeasurementRecord& r);
void drawResultPage25(Surface& s, const MeasurementRecord& r);
void drawResultPage26(Surface& s, const MeasurementRecord& r);

}  // namespace zel::pages
