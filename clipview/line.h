// Integer Bresenham lines, clipped to a width x height area: the points of
// the plain walk from (x0, y0) to (x1, y1), end points included, that lie
// inside, found without walking the points outside. The walk's error terms
// are 64-bit (a difference of two 32-bit coordinates needs 33 bits, its
// double 34), and the walk starts at the first step inside the area, with
// the state the plain walk would have there.
#ifndef CLIPVIEW_LINE_H
#define CLIPVIEW_LINE_H

#include "platform/types.h"

namespace clipview {

namespace line_detail {

using Wide = __int128;

inline LONGLONG FloorDiv(Wide a, Wide b) {  // b > 0
  Wide q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return static_cast<LONGLONG>(q);
}

// The walk along the major axis (a) with the minor axis (b): da2 and db2
// are twice the distances (db2 <= da2, da2 > 0), e0 = db2 - da2 / 2.
// After n steps the minor axis has moved m(n) times and the error is e(n);
// both follow from the invariant db2 - da2 <= e < db2.
struct Walk {
  LONGLONG da2, db2, e0;
  LONGLONG Moves(LONGLONG n) const { return FloorDiv(Wide(e0) - db2 + da2 + Wide(n) * db2, da2); }
  LONGLONG Error(LONGLONG n) const { return static_cast<LONGLONG>(Wide(e0) + Wide(n) * db2 - Wide(Moves(n)) * da2); }
  // First n in [lo, hi] with Moves(n) >= target (hi + 1 when none).
  LONGLONG FirstReaching(LONGLONG lo, LONGLONG hi, LONGLONG target) const {
    while (lo <= hi) {
      const LONGLONG mid = lo + (hi - lo) / 2;
      if (Moves(mid) >= target)
        hi = mid - 1;
      else
        lo = mid + 1;
    }
    return lo;
  }
};

}  // namespace line_detail

template <typename Plot>
void WalkLine(LONG x0, LONG y0, LONG x1, LONG y1, LONG width, LONG height, Plot&& plot) {
  using namespace line_detail;
  const LONGLONG dx = LONGLONG{x1} - x0, dy = LONGLONG{y1} - y0;
  const LONGLONG dx2 = 2 * (dx < 0 ? -dx : dx), dy2 = 2 * (dy < 0 ? -dy : dy);
  const bool xMajor = dy2 < dx2;
  // Major axis a, minor axis b, with their starts, steps and extents.
  const LONGLONG a0 = xMajor ? x0 : y0, b0 = xMajor ? y0 : x0;
  const LONGLONG sa = (xMajor ? dx : dy) < 0 ? -1 : 1, sb = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const LONGLONG aMax = xMajor ? width : height, bMax = xMajor ? height : width;
  const LONGLONG da2 = xMajor ? dx2 : dy2, db2 = xMajor ? dy2 : dx2;
  const LONGLONG steps = da2 / 2;
  auto put = [&](LONGLONG a, LONGLONG b) {
    if (xMajor)
      plot(static_cast<LONG>(a), static_cast<LONG>(b));
    else
      plot(static_cast<LONG>(b), static_cast<LONG>(a));
  };
  if (aMax <= 0 || bMax <= 0) return;
  if (steps == 0) {
    if (a0 >= 0 && a0 < aMax && b0 >= 0 && b0 < bMax) put(a0, b0);
    return;
  }
  // Steps whose major coordinate is inside: a0 + sa * n in [0, aMax).
  LONGLONG lo = sa > 0 ? -a0 : a0 - (aMax - 1), hi = sa > 0 ? aMax - 1 - a0 : a0;
  lo = lo < 0 ? 0 : lo;
  hi = hi > steps ? steps : hi;
  if (lo > hi) return;
  // Steps whose minor coordinate is inside: the move count in [mLo, mHi];
  // the count never falls as n grows.
  const Walk walk{da2, db2, db2 - steps};
  const LONGLONG mLo = sb > 0 ? -b0 : b0 - (bMax - 1), mHi = sb > 0 ? bMax - 1 - b0 : b0;
  const LONGLONG first = walk.FirstReaching(lo, hi, mLo);
  const LONGLONG last = walk.FirstReaching(first, hi, mHi + 1) - 1;
  if (first > last) return;
  LONGLONG a = a0 + sa * first, b = b0 + sb * walk.Moves(first), e = walk.Error(first);
  for (LONGLONG n = first; n <= last; ++n) {
    put(a, b);
    if (e >= 0) {
      b += sb;
      e -= da2;
    }
    a += sa;
    e += db2;
  }
}

}  // namespace clipview

#endif
