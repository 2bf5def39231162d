// Handles with exactly one owner. Each type knows its own invalid value: a toolhelp
// snapshot is invalid at INVALID_HANDLE_VALUE, a thread or process handle at null.
#pragma once

#include <windows.h>

#include <system_error>
#include <utility>

namespace tovrel::win {

template <typename T, T Invalid, typename Closer>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  ~UniqueResource() { reset(); }
  UniqueResource(UniqueResource&& other) noexcept : value_(std::exchange(other.value_, Invalid)) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Invalid));
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Invalid; }
  T release() { return std::exchange(value_, Invalid); }
  void reset(T value = Invalid) {
    if (value_ != Invalid) Closer{}(value_);
    value_ = value;
  }

 private:
  T value_ = Invalid;
};

struct CloseHandleFn {
  void operator()(HANDLE h) const { ::CloseHandle(h); }
};
struct DeleteObjectFn {
  void operator()(HGDIOBJ h) const { ::DeleteObject(h); }
};
struct DestroyIconFn {
  void operator()(HICON h) const { ::DestroyIcon(h); }
};
struct DeleteDcFn {
  void operator()(HDC h) const { ::DeleteDC(h); }
};

using UniqueHandle = UniqueResource<HANDLE, nullptr, CloseHandleFn>;
using UniqueIcon = UniqueResource<HICON, nullptr, DestroyIconFn>;
using UniqueDc = UniqueResource<HDC, nullptr, DeleteDcFn>;

// INVALID_HANDLE_VALUE is not a constant expression, so the snapshot type spells it out.
class UniqueSnapshot {
 public:
  explicit UniqueSnapshot(HANDLE h) : h_(h) {}
  ~UniqueSnapshot() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  UniqueSnapshot(const UniqueSnapshot&) = delete;
  UniqueSnapshot& operator=(const UniqueSnapshot&) = delete;
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

template <typename T>
using UniqueGdi = UniqueResource<T, nullptr, DeleteObjectFn>;

// A failed call that leaves nothing sensible to do, as an exception with its error code.
[[noreturn]] inline void ThrowLastError(const char* call) {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), call);
}

}  // namespace tovrel::win
