// The set-percent dialog as the limit command fills and shows it.
#pragma once

#include <cstdint>
#include <string>

namespace tovrel {

class LimitDialogPort {
 public:
  virtual ~LimitDialogPort() = default;
  // Fires the slider's Change when the value differs.
  virtual void SetSliderValue(std::int32_t value) = 0;
  // Change mode shows CommandModify and CommandFree, add mode CommandOK and CommandCancel.
  virtual void SetChangeMode(bool change) = 0;
  // The process id as the row shows it, and the executable's path; the dialog shows the
  // path's large icon too.
  virtual void SetProcess(const std::u16string& pidText, const std::u16string& path) = 0;
  // Modal, with the main window as owner; returns once the dialog has unloaded.
  virtual void ShowModal() = 0;
};

}  // namespace tovrel
