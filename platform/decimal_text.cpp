#include "platform/decimal_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

std::optional<double> ParseDecimalText(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  const std::string s = text.substr(b, e - b);
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const size_t start = i;
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  bool negativeExponent = false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    size_t expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  // from_chars takes no leading sign and ignores the locale.
  const char* first = s.data() + start;
  const char* last = s.data() + s.size();
  double v = 0;
  const auto r = std::from_chars(first, last, v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Beyond a double's range either way: read wider to tell a number too
    // small (the nearest double) from one too large (no number).
    long double wide = 0;
    const auto rw = std::from_chars(first, last, wide, std::chars_format::general);
    if (rw.ec == std::errc() && std::fabs(wide) <= std::numeric_limits<double>::max())
      v = double(wide);
    else if (rw.ec == std::errc::result_out_of_range && negativeExponent)
      v = 0;
    else
      return std::nullopt;
  } else if (r.ec != std::errc() || r.ptr != last) {
    return std::nullopt;
  }
  return negative ? -v : v;
}

}  // namespace platform
