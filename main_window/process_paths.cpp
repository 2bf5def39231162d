#include "main_window/process_paths.h"

namespace tovrel {

std::vector<std::u16string> ProcessPaths::Refresh(const std::vector<Process>& processes, const ReadPath& read) {
  std::unordered_map<std::uint32_t, Known> kept;
  kept.reserve(processes.size());
  std::vector<std::u16string> paths;
  paths.reserve(processes.size());
  for (const Process& process : processes) {
    const auto known = byId_.find(process.id);
    if (process.createdAt != 0 && known != byId_.end() && known->second.createdAt == process.createdAt) {
      paths.push_back(known->second.path);
      kept.emplace(process.id, known->second);
      continue;
    }
    paths.push_back(read(process.id, process.exeName));
    if (process.createdAt != 0 && !paths.back().empty()) kept.emplace(process.id, Known{process.createdAt, paths.back()});
  }
  byId_ = std::move(kept);
  return paths;
}

}  // namespace tovrel
