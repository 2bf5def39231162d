// Handles with exactly one owner. Each type knows its own invalid value: a toolhelp
// snapshot is invalid at INVALID_HANDLE_VALUE, a thread or process handle at null.
#pragma once

#include <windows.h>

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

inline const HANDLE kInvalidHandle = INVALID_HANDLE_VALUE;

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
class UniqueGdi {
 public:
  UniqueGdi() = default;
  explicit UniqueGdi(T h) : h_(h) {}
  ~UniqueGdi() { reset(); }
  UniqueGdi(UniqueGdi&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueGdi& operator=(UniqueGdi&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  UniqueGdi(const UniqueGdi&) = delete;
  UniqueGdi& operator=(const UniqueGdi&) = delete;
  T get() const { return h_; }
  T release() { return std::exchange(h_, nullptr); }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(T h = nullptr) {
    if (h_) ::DeleteObject(h_);
    h_ = h;
  }

 private:
  T h_ = nullptr;
};

// Selects an object into a DC for one scope and puts the old one back.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
  ~ScopedSelect() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace tovrel::win
