// Why a process cannot be held for a limit; the user is told instead of being shown a
// percentage that limits nothing.
#pragma once

namespace tovrel {

enum class LimitRefusal {
  kNone,      // it can be held
  kTovrel,    // Tovrel itself or its guard
  kCritical,  // a process Windows cannot live without
  kEnded,     // the process the list showed has ended (its id may be another's now)
  kNoAccess,  // it may not be opened, or none of its threads suspended
};

}  // namespace tovrel
