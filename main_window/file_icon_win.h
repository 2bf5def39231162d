// The shell icon of a file, owned by exactly one picture object.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

namespace tovrel {

// A picture that owns its icon: releasing the picture destroys the icon.
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

// Nothing when the picture cannot be made; the icon is then destroyed here so that no
// handle is left without an owner.
Picture IconToPicture(HICON icon);
// small: true gives the 16 x 16 icon, false the 32 x 32 one.
Picture GetFileIcon(const std::u16string& path, bool small);

}  // namespace tovrel
