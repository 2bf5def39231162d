// Handles with exactly one owner. Each kind knows its own invalid value and how it is
// let go: a toolhelp snapshot is invalid at INVALID_HANDLE_VALUE, a thread or process
// handle at null; a mapped view is unmapped, not closed.
#pragma once

#include <windows.h>

#include <system_error>
#include <utility>

namespace tovrel::win {

// Kind supplies `static T Invalid()` (INVALID_HANDLE_VALUE is no constant expression)
// and `static void Close(T)`.
template <typename T, typename Kind>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  ~UniqueResource() { reset(); }
  UniqueResource(UniqueResource&& other) noexcept : value_(std::exchange(other.value_, Kind::Invalid())) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Kind::Invalid()));
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Kind::Invalid(); }
  T release() { return std::exchange(value_, Kind::Invalid()); }
  void reset(T value = Kind::Invalid()) {
    if (value_ != Kind::Invalid()) Kind::Close(value_);
    value_ = value;
  }

 private:
  T value_ = Kind::Invalid();
};

// Invalid at null, let go by `Free`.
template <typename T, auto Free>
struct NullInvalid {
  static T Invalid() { return nullptr; }
  static void Close(T value) { Free(value); }
};
struct SnapshotKind {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};

using UniqueHandle = UniqueResource<HANDLE, NullInvalid<HANDLE, &::CloseHandle>>;
using UniqueSnapshot = UniqueResource<HANDLE, SnapshotKind>;
using UniqueIcon = UniqueResource<HICON, NullInvalid<HICON, &::DestroyIcon>>;
using UniqueDc = UniqueResource<HDC, NullInvalid<HDC, &::DeleteDC>>;
using UniqueView = UniqueResource<void*, NullInvalid<void*, &::UnmapViewOfFile>>;
template <typename T>
using UniqueGdi = UniqueResource<T, NullInvalid<T, &::DeleteObject>>;

// A failed call that leaves nothing sensible to do, as an exception with its error code.
[[noreturn]] inline void ThrowLastError(const char* call) {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), call);
}

}  // namespace tovrel::win
