#include "viewer/pages/pages.h"

namespace zel::pages {

bool pageUsesLargeFont(int modeCode) {
  switch (modeCode) {
    case 1: case 2: case 4: case 5: case 6: case 12: case 13:
    case 18: case 19: case 20: case 24: case 26:
      return true;
    default:
      return false;
  }
}

}  // namespace zel::pages
