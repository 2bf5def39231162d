// Processes Windows cannot live without. Stopping one, even for a moment, freezes the
// whole desktop (Tovrel's own window included) when Tovrel runs elevated, so such a
// process is handled like one that cannot be opened.
#pragma once

#include <optional>
#include <string_view>

namespace tovrel {

// The system's own processes are known by their full path in the system folder (a copy
// of csrss.exe anywhere else is an ordinary program), or by the critical flag where the
// system lets it be read (none: it could not be).
bool IsCriticalSystemProcess(std::u16string_view imagePath, std::u16string_view systemFolder,
                             std::optional<bool> criticalFlag);

}  // namespace tovrel
