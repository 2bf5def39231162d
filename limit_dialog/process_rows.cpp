#include "limit_dialog/process_rows.h"

#include <cstdlib>
#include <string>

namespace tovrel {

std::u16string DecimalText(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string PercentText(std::int32_t cpuPercent) { return DecimalText(cpuPercent) + u"%"; }

double NumericValue(const std::u16string& text) {
  std::string ascii;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ascii += static_cast<char>(text[i++]);
  bool dot = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      ascii += static_cast<char>(c);
    } else if (c == u'.' && !dot) {
      dot = true;
      ascii += '.';
    } else {
      break;
    }
  }
  return std::strtod(ascii.c_str(), nullptr);
}

}  // namespace tovrel
