// Listing the running processes into the main window's list.
#pragma once

#include <cstdint>
#include <string>

#include "platform/controls_win.h"

namespace tovrel {

// Lower-case, trimmed path of the first module whose path contains the executable's
// name (compared without regard to case), or the empty text.
std::u16string GetProcessImagePath(std::int32_t processId, const std::u16string& exeName);

// Clears and refills the list and its small icons, in snapshot order. Returns the
// system time just after the snapshot: every listed process was created by then.
std::uint64_t ListProcesses(win::ListView& list, win::KeyedImageList& images);

}  // namespace tovrel
