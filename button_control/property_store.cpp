#include "button_control/property_store.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/run_time_error.h"

namespace tovrel {
namespace {

std::string KeyOf(std::string_view name) {
  std::string key(name);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// A decimal number in plain notation, as the forms layer converts a stored text
// to a number: optional blanks and sign, digits with an optional fraction and
// exponent. Hexadecimal, infinities and NaN are not numbers here.
bool ParseDecimal(const std::u16string& text, double& out) {
  std::size_t i = 0, n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (n > i && IsBlank(text[n - 1])) --n;
  bool negative = false;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  const std::size_t start = i;
  std::size_t digits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++digits;
  if (i < n && text[i] == u'.') {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    std::size_t expDigits = 0;
    while (i < n && IsDigit(text[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != n) return false;
  // Everything left is ASCII, so a narrowing copy is exact.
  std::string ascii(text.begin() + static_cast<std::ptrdiff_t>(start), text.begin() + static_cast<std::ptrdiff_t>(n));
  double value = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (end != ascii.data() + ascii.size()) return false;
  if (ec == std::errc::result_out_of_range) throw RunTimeError(kErrOverflow);
  if (ec != std::errc()) return false;
  out = negative ? -value : value;
  return true;
}

double NumberOf(const StoredValue& v) {
  if (const double* d = std::get_if<double>(&v)) return *d;
  if (const std::u16string* s = std::get_if<std::u16string>(&v)) {
    double parsed = 0;
    if (ParseDecimal(*s, parsed)) return parsed;
  }
  throw RunTimeError(kErrTypeMismatch);
}

// Whole numbers from stored numbers round half to even; out of range is overflow.
std::int64_t RoundedWithin(double v, double lo, double hi) {
  const double r = std::nearbyint(v);
  if (!(r >= lo && r <= hi)) throw RunTimeError(kErrOverflow);
  return static_cast<std::int64_t>(r);
}

std::u16string TextOf(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec != std::errc()) throw RunTimeError(kErrOverflow);
  return std::u16string(buf, end);
}

}  // namespace

std::int32_t PropertyStore::ReadLong(std::string_view name, std::int32_t def) const {
  const StoredValue* v = Find(name);
  if (v == nullptr) return def;
  return static_cast<std::int32_t>(RoundedWithin(NumberOf(*v), std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

std::int16_t PropertyStore::ReadInteger(std::string_view name, std::int16_t def) const {
  const StoredValue* v = Find(name);
  if (v == nullptr) return def;
  return static_cast<std::int16_t>(RoundedWithin(NumberOf(*v), std::numeric_limits<std::int16_t>::min(),
                                                 std::numeric_limits<std::int16_t>::max()));
}

std::int16_t PropertyStore::ReadBool(std::string_view name, std::int16_t def) const {
  const StoredValue* v = Find(name);
  if (v == nullptr) return def;
  const double d = NumberOf(*v);
  if (std::isnan(d)) throw RunTimeError(kErrTypeMismatch);
  return d != 0 ? kVbTrue : kVbFalse;
}

std::u16string PropertyStore::ReadString(std::string_view name, const std::u16string& def) const {
  const StoredValue* v = Find(name);
  if (v == nullptr) return def;
  if (const std::u16string* s = std::get_if<std::u16string>(v)) return *s;
  if (const double* d = std::get_if<double>(v)) return TextOf(*d);
  throw RunTimeError(kErrTypeMismatch);
}

Font PropertyStore::ReadFont(std::string_view name, const Font& def) const {
  const StoredValue* v = Find(name);
  if (v == nullptr) return def;
  if (const Font* f = std::get_if<Font>(v)) return *f;
  throw RunTimeError(kErrTypeMismatch);
}

void PropertyStore::WriteLong(std::string_view name, std::int32_t value, std::int32_t def) {
  if (value == def) {
    values_.erase(KeyOf(name));
  } else {
    Set(name, static_cast<double>(value));
  }
}

void PropertyStore::WriteString(std::string_view name, const std::u16string& value, const std::u16string& def) {
  if (value == def) {
    values_.erase(KeyOf(name));
  } else {
    Set(name, value);
  }
}

void PropertyStore::WriteFont(std::string_view name, const Font& value) { Set(name, value); }

void PropertyStore::Set(std::string_view name, StoredValue value) { values_[KeyOf(name)] = std::move(value); }

bool PropertyStore::Contains(std::string_view name) const { return values_.contains(KeyOf(name)); }

const StoredValue* PropertyStore::Find(std::string_view name) const {
  auto it = values_.find(KeyOf(name));
  return it == values_.end() ? nullptr : &it->second;
}

}  // namespace tovrel
