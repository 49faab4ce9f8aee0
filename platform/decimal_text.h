// Decimal number text as the hands files hold it, read the same whatever
// the locale.
#pragma once

#include <optional>
#include <string>

namespace platform {

// Blanks and tabs round "[sign] digits [. digits] [(e|E) [sign] digits]"
// with at least one mantissa digit; the decimal separator is always the
// point. A number too small for a double reads as the nearest double (a
// subnormal or 0); one too large, and any other text, gives nothing.
std::optional<double> ParseDecimalText(const std::string& text);

}  // namespace platform
