// Named values of one control instance inside its window's layout data. Names compare
// without regard to case; a value equal to its default is not kept.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace tovrel {

struct Font {
  std::u16string name = u"宋体";
  double size = 9.0;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  std::int16_t weight = 400;
  std::int16_t charset = 134;  // GB2312
  friend bool operator==(const Font&, const Font&) = default;
};
using FontRef = std::shared_ptr<Font>;

// A stored value: a number, a text or a font (the store keeps what was written).
using StoredValue = std::variant<double, std::u16string, Font>;

class PropertyStore {
 public:
  // The default when the name is absent. A value that cannot become the asked type
  // raises the type-mismatch error, one outside its range the overflow error.
  std::int32_t ReadLong(std::string_view name, std::int32_t def) const;
  std::int16_t ReadInteger(std::string_view name, std::int16_t def) const;
  std::int16_t ReadBool(std::string_view name, std::int16_t def) const;
  std::u16string ReadString(std::string_view name, const std::u16string& def) const;
  Font ReadFont(std::string_view name, const Font& def) const;

  // Kept only when different from the default; an equal value removes the name.
  void WriteLong(std::string_view name, std::int32_t value, std::int32_t def);
  void WriteString(std::string_view name, const std::u16string& value, const std::u16string& def);
  // Fonts are always kept.
  void WriteFont(std::string_view name, const Font& value);

  // Raw access, for layout data and for tests that plant corrupt values.
  void Set(std::string_view name, StoredValue value);
  bool Contains(std::string_view name) const;
  const StoredValue* Find(std::string_view name) const;
  std::size_t size() const { return values_.size(); }
  const std::map<std::string, StoredValue>& values() const { return values_; }

 private:
  std::map<std::string, StoredValue> values_;  // keys in lower case
};

}  // namespace tovrel
