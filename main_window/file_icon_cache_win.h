// Small icons of executables kept between refreshes, so a refresh asks the shell only
// for the paths it has not seen.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <list>
#include <string>
#include <unordered_map>

#include "platform/handles_win.h"
#include "platform/picture_win.h"

namespace tovrel {

class FileIconCache {
 public:
  static constexpr std::size_t kCapacity = 256;
  // Where icons come from: the small icon of a path as a picture (GetFileIcon).
  using IconSource = std::function<win::Picture(const std::u16string& path)>;

  explicit FileIconCache(IconSource source = {}, std::size_t capacity = kCapacity);
  FileIconCache(const FileIconCache&) = delete;
  FileIconCache& operator=(const FileIconCache&) = delete;

  // The small icon of a lower-case path, or null when it has none. The cache keeps
  // owning it: copy it before the next call, which may drop it.
  HICON SmallIcon(const std::u16string& path);
  // Whether the shell's answer for the path is kept, without asking it.
  bool Knows(const std::u16string& path) const { return byPath_.count(path) != 0; }
  std::size_t size() const { return byPath_.size(); }

 private:
  struct Entry {
    std::u16string path;
    win::UniqueIcon icon;  // a copy; the shell's own goes with its picture
  };
  IconSource source_;
  std::size_t capacity_;
  std::list<Entry> recent_;  // most recently used first
  std::unordered_map<std::u16string, std::list<Entry>::iterator> byPath_;
};

}  // namespace tovrel
