#include "throttling/critical_processes.h"

#include <string>

namespace tovrel {

namespace {

// Marked critical by Windows itself: ending or stopping one stops the system.
constexpr std::u16string_view kCriticalNames[] = {u"csrss.exe",    u"wininit.exe", u"smss.exe",   u"services.exe",
                                                  u"lsass.exe",    u"winlogon.exe", u"lsaiso.exe"};

// Windows paths compare without regard to case; the system's own are plain ASCII.
std::u16string Folded(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c == u'/') c = u'\\';
  }
  return out;
}

}  // namespace

bool IsCriticalSystemProcess(std::u16string_view imagePath, std::u16string_view systemFolder,
                             std::optional<bool> criticalFlag) {
  if (criticalFlag.value_or(false)) return true;
  if (systemFolder.empty()) return false;
  std::u16string folder = Folded(systemFolder);
  while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  const std::u16string path = Folded(imagePath);
  if (path.size() <= folder.size() + 1 || path.compare(0, folder.size(), folder) != 0 || path[folder.size()] != u'\\')
    return false;
  const std::u16string_view name = std::u16string_view(path).substr(folder.size() + 1);
  for (std::u16string_view critical : kCriticalNames)
    if (name == critical) return true;
  return false;
}

}  // namespace tovrel
