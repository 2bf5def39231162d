// Numbered run-time errors of the forms layer, one exception type so callers and
// tests can assert on the number.
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace tovrel {

enum ErrorNumber : int {
  kErrOverflow = 6,
  kErrTypeMismatch = 13,
  kErrInvalidPropertyValue = 380,
  kErrNotSupportedAtRunTime = 382,
  kErrSetNotPermitted = 387,
};

class RunTimeError : public std::runtime_error {
 public:
  explicit RunTimeError(int number)
      : std::runtime_error("run-time error " + std::to_string(number)), number_(number) {}
  int number() const noexcept { return number_; }

 private:
  int number_;
};

// 32-bit and 16-bit arithmetic with the overflow error instead of wrap-around.
inline std::int32_t CheckedInt32(std::int64_t v) {
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    throw RunTimeError(kErrOverflow);
  return static_cast<std::int32_t>(v);
}
inline std::int16_t CheckedInt16(std::int64_t v) {
  if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
    throw RunTimeError(kErrOverflow);
  return static_cast<std::int16_t>(v);
}
inline std::int32_t Add32(std::int32_t a, std::int32_t b) { return CheckedInt32(std::int64_t{a} + b); }
inline std::int32_t Sub32(std::int32_t a, std::int32_t b) { return CheckedInt32(std::int64_t{a} - b); }
inline std::int32_t Mul32(std::int32_t a, std::int32_t b) { return CheckedInt32(std::int64_t{a} * b); }

// Stored and compared booleans keep the old convention: true = -1, false = 0.
using VbBool = std::int16_t;
constexpr VbBool kVbTrue = -1;
constexpr VbBool kVbFalse = 0;
constexpr VbBool ToVb(bool b) { return b ? kVbTrue : kVbFalse; }

}  // namespace tovrel
