// The shell icon of a file, owned by exactly one picture object.
#pragma once

#include <windows.h>

#include <string>

#include "platform/picture_win.h"

namespace tovrel {

using win::Picture;

// Nothing when the picture cannot be made; the icon is then destroyed here so that no
// handle is left without an owner.
Picture IconToPicture(HICON icon);
// small: true gives the 16 x 16 icon, false the 32 x 32 one.
Picture GetFileIcon(const std::u16string& path, bool small);

}  // namespace tovrel
