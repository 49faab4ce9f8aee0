// Number helpers of the maker.
#pragma once

#include <cstdint>

namespace maker {

// Nearest integer, halves away from zero: the integer part of x + 0.5 for
// x >= 0, of x - 0.5 otherwise, the sum formed in long double. So 2.5 gives
// 3, -2.5 gives -3, -0.5 gives -1 and 0.49999999999999994 gives 0.
// Values beyond the 32-bit range are clamped to it.
inline int32_t RoundHalfAway(long double x) {
  const long double r = x >= 0 ? x + 0.5L : x - 0.5L;
  if (!(r == r)) return 0;  // not a number
  if (r >= 2147483647.0L) return INT32_MAX;
  if (r <= -2147483648.0L) return INT32_MIN;
  return int32_t(r);  // truncates toward zero
}

}  // namespace maker
