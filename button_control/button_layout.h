// The layout data a window keeps for one of its buttons: size, font and caption.
#pragma once

#include <string>

#include "button_control/property_store.h"

namespace tovrel {

// Size in twips becomes "_extentx" and "_extenty" in hundredths of a millimetre.
PropertyStore ButtonLayoutData(double widthTwips, double heightTwips, const Font& font,
                               const std::u16string& caption);

}  // namespace tovrel
