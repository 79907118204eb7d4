#include "viewer/pages/pages.h"

namespace zel::pages {
namespace {

constexpr ResultPage kPages[] = {
    {1, drawResultPage01, true},   {2, drawResultPage02, true},   {3, drawResultPage03, false},
    {4, drawResultPage04, true},   {5, drawResultPage05, true},   {6, drawResultPage06, true},
    {7, drawResultPage07, false},  {10, drawResultPage10, false}, {12, drawResultPage12, true},
    {13, drawResultPage13, true},  {14, drawResultPage14, false}, {15, drawResultPage15, false},
    {18, drawResultPage18, true},  {19, drawResultPage19, true},  {20, drawResultPage20, true},
    {21, drawResultPage21, false}, {22, drawResultPage22, false}, {24, drawResultPage24, true},
    {25, drawResultPage25, false}, {26, drawResultPage26, true},
};

}  // namespace

const ResultPage* resultPageOf(int modeCode) {
  for (const ResultPage& p : kPages)
    if (p.modeCode == modeCode) return &p;
  return nullptr;
}

bool pageUsesLargeFont(int modeCode) {
  const ResultPage* p = resultPageOf(modeCode);
  return p != nullptr && p->largeFont;
}

}  // namespace zel::pages
