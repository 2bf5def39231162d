// A picture object that owns its icon: releasing the picture destroys the icon.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

namespace tovrel::win {

class Picture {
 public:
  Picture() = default;
  explicit Picture(IPicture* picture) : picture_(picture) {}
  ~Picture() { reset(); }
  Picture(Picture&& other) noexcept : picture_(other.picture_) { other.picture_ = nullptr; }
  Picture& operator=(Picture&& other) noexcept {
    if (this != &other) {
      reset();
      picture_ = other.picture_;
      other.picture_ = nullptr;
    }
    return *this;
  }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  explicit operator bool() const { return picture_ != nullptr; }
  HICON icon() const;
  void reset();

 private:
  IPicture* picture_ = nullptr;
};

}  // namespace tovrel::win
