#include "button_control/button_layout.h"

#include <cmath>

namespace tovrel {
namespace {

// 1440 twips to the inch, 2540 hundredths of a millimetre to the inch.
double HimetricOf(double twips) { return std::nearbyint(twips * 2540.0 / 1440.0); }

}  // namespace

PropertyStore ButtonLayoutData(double widthTwips, double heightTwips, const Font& font,
                               const std::u16string& caption) {
  PropertyStore store;
  store.Set("_extentx", HimetricOf(widthTwips));
  store.Set("_extenty", HimetricOf(heightTwips));
  store.Set("font", font);
  store.Set("caption", caption);
  return store;
}

}  // namespace tovrel
