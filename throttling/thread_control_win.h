// Thread suspension on the real toolhelp and thread calls.
#pragma once

#include "throttling/thread_control.h"

namespace tovrel {

class Win32ThreadControl : public ThreadControl {
 public:
  SuspendedThreads SuspendAllThreads(std::int32_t processId) override;
  void ResumeAllThreads(const SuspendedThreads& suspended) override;
};

}  // namespace tovrel
