#include "main_window/file_icon_cache_win.h"

#include "main_window/file_icon_win.h"

namespace tovrel {

FileIconCache::FileIconCache(IconSource source, std::size_t capacity)
    : source_(source ? std::move(source) : [](const std::u16string& path) { return GetFileIcon(path, true); }),
      capacity_(capacity) {}

HICON FileIconCache::SmallIcon(const std::u16string& path) {
  if (const auto found = byPath_.find(path); found != byPath_.end()) {
    recent_.splice(recent_.begin(), recent_, found->second);
    return found->second->icon.get();
  }
  if (byPath_.size() >= capacity_) {
    byPath_.erase(recent_.back().path);
    recent_.pop_back();
  }
  // A path without an icon is remembered too, so the shell is not asked again.
  const win::Picture picture = source_(path);
  win::UniqueIcon copy(picture ? ::CopyIcon(picture.icon()) : nullptr);
  recent_.push_front(Entry{path, std::move(copy)});
  byPath_.emplace(path, recent_.begin());
  return recent_.front().icon.get();
}

}  // namespace tovrel
