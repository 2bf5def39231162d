// The executable paths of the listed processes, read once per process: a process's
// executable never changes while it lives, so a process seen at an earlier refresh with
// the same creation time is listed with the path read then. An id with another creation
// time belongs to a newer process, whose path is read afresh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tovrel {

class ProcessPaths {
 public:
  struct Process {
    std::uint32_t id = 0;
    std::uint64_t createdAt = 0;  // 0: not known yet, so never taken for the same process
    std::u16string exeName;
  };
  // The path of a process, or the empty text when it cannot be read.
  using ReadPath = std::function<std::u16string(std::uint32_t id, const std::u16string& exeName)>;

  // The path of each process in the list, in its order ("" where none could be read: the
  // process is not listed, and it is read again next time). Only processes not seen
  // before are read; what is kept of processes no longer in the list is dropped.
  std::vector<std::u16string> Refresh(const std::vector<Process>& processes, const ReadPath& read);
  std::size_t size() const { return byId_.size(); }

 private:
  struct Known {
    std::uint64_t createdAt;
    std::u16string path;
  };
  std::unordered_map<std::uint32_t, Known> byId_;
};

}  // namespace tovrel
