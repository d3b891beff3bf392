// The filters run over row pointers with loops the compiler vectorises;
// each such kernel is built twice, for AVX2 and for the x86-64 baseline, and
// the loader picks the one the processor runs. Table lookups and sums, which
// the vectoriser does not find, are written with intrinsics and chosen at
// run time the same way.
#include "clipview/filters.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include <immintrin.h>

// The loader makes that choice by running a resolver before the thread
// sanitizer has started, which it cannot survive: under it the kernels are
// built once, for the baseline.
#if defined(__SANITIZE_THREAD__)
#define CLIPVIEW_KERNEL
#else
#define CLIPVIEW_KERNEL __attribute__((target_clones("avx2", "default")))
#endif

namespace clipview {

namespace {

bool Grey(const ImageClass& image) { return image.HasPixels() && image.m_nFormat == ImageClass::kGrey; }

bool Alike(const ImageClass& a, const ImageClass& b) {
  return a.HasPixels() && b.HasPixels() && a.m_nFormat == b.m_nFormat && a.SameSize(b);
}

// Interior gradients of one row: row b with its neighbours a (above) and c
// (below); entry i is the pixel at x = i + 1. Each sum lies within
// +-1020, so its eighth (truncated toward zero) fits 16 bits.
CLIPVIEW_KERNEL
void Gradients(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c, LONG n,
               std::int16_t* __restrict gx, std::int16_t* __restrict gy) {
  for (LONG i = 0; i < n; ++i) {
    const std::int16_t y = static_cast<std::int16_t>(2 * (c[i + 1] - a[i + 1]) + c[i] + c[i + 2] - a[i] - a[i + 2]);
    const std::int16_t x = static_cast<std::int16_t>(2 * (b[i + 2] - b[i]) + a[i + 2] + c[i + 2] - c[i] - a[i]);
    gy[i] = static_cast<std::int16_t>(y / 8);
    gx[i] = static_cast<std::int16_t>(x / 8);
  }
}

// gx^2 + gy^2 is at most 2 x 127^2, which a float holds exactly and whose
// truncated square root a float computes exactly.
CLIPVIEW_KERNEL
void Magnitudes(const std::int16_t* __restrict gx, const std::int16_t* __restrict gy, LONG n, BYTE* __restrict out) {
  for (LONG i = 0; i < n; ++i) {
    const int s = gx[i] * gx[i] + gy[i] * gy[i];
    out[i] = static_cast<BYTE>(static_cast<int>(__builtin_sqrtf(static_cast<float>(s))));
  }
}

// 4 x the direction code of every (gx, gy) with |gx|, |gy| < 128, indexed
// by the two values' low bytes.
const std::array<BYTE, 65536>& DirectionTable() {
  static const auto* table = [] {
    auto* t = new std::array<BYTE, 65536>;
    for (int gx = -128; gx < 128; ++gx)
      for (int gy = -128; gy < 128; ++gy)
        (*t)[(static_cast<unsigned>(gx & 0xFF) << 8) | static_cast<unsigned>(gy & 0xFF)] =
            static_cast<BYTE>(4 * DirectionCode(gx, gy));
    return t;
  }();
  return *table;
}

CLIPVIEW_KERNEL
void DirectionIndexes(const std::int16_t* __restrict gx, const std::int16_t* __restrict gy, LONG n,
                      std::uint16_t* __restrict index) {
  for (LONG i = 0; i < n; ++i)
    index[i] = static_cast<std::uint16_t>(((gx[i] & 0xFF) << 8) | (gy[i] & 0xFF));
}

void Directions(const std::uint16_t* index, LONG n, BYTE* out) {
  const BYTE* table = DirectionTable().data();
  LONG i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t v = 0;
    for (int k = 0; k < 8; ++k) v |= std::uint64_t{table[index[i + k]]} << (8 * k);
    std::memcpy(out + i, &v, 8);
  }
  for (; i < n; ++i) out[i] = table[index[i]];
}

// With a result that is also the source, each source row is copied before
// the row above it is overwritten; three rows are kept.
bool Sobel(const ImageClass& source, ImageClass& result, ImageClass* direction) {
  if (!Grey(source) || !Grey(result) || !source.SameSize(result)) return false;
  if (direction && (!Grey(*direction) || !source.SameSize(*direction))) return false;
  const LONG width = source.m_nWidth, height = source.m_nHeight;
  if (width < 3 || height < 3) return true;
  const LONG n = width - 2;
  std::vector<std::int16_t> gx(static_cast<std::size_t>(n)), gy(static_cast<std::size_t>(n));
  std::vector<std::uint16_t> index(direction ? static_cast<std::size_t>(n) : 0);
  const bool inPlace = &result == &source || direction == &source;
  std::vector<BYTE> kept(inPlace ? 3 * static_cast<std::size_t>(width) : 0);
  auto keep = [&](LONG y) {
    BYTE* slot = kept.data() + static_cast<std::size_t>(y % 3) * static_cast<std::size_t>(width);
    std::memcpy(slot, source.Row(y), static_cast<std::size_t>(width));
    return slot;
  };
  auto keptRow = [&](LONG y) { return kept.data() + static_cast<std::size_t>(y % 3) * static_cast<std::size_t>(width); };
  if (inPlace) keep(0), keep(1);
  for (LONG y = 1; y < height - 1; ++y) {
    const BYTE *above, *row, *below;
    if (inPlace) {
      below = keep(y + 1);
      above = keptRow(y - 1);
      row = keptRow(y);
    } else {
      above = source.Row(y - 1), row = source.Row(y), below = source.Row(y + 1);
    }
    Gradients(above, row, below, n, gx.data(), gy.data());
    Magnitudes(gx.data(), gy.data(), n, result.Row(y) + 1);
    if (direction) {
      DirectionIndexes(gx.data(), gy.data(), n, index.data());
      Directions(index.data(), n, direction->Row(y) + 1);
    }
  }
  return true;
}

CLIPVIEW_KERNEL
void AbsoluteDifference(const BYTE* a, const BYTE* b, BYTE* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<BYTE>(a[i] > b[i] ? a[i] - b[i] : b[i] - a[i]);
}

CLIPVIEW_KERNEL
void Binarise(const BYTE* in, BYTE level, BYTE* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) out[i] = in[i] > level ? 255 : 0;
}

CLIPVIEW_KERNEL
void RowRange(const BYTE* __restrict p, LONG n, BYTE& lowest, BYTE& highest) {
  BYTE lo = lowest, hi = highest;
  for (LONG i = 0; i < n; ++i) {
    lo = std::min(lo, p[i]);
    hi = std::max(hi, p[i]);
  }
  lowest = lo, highest = hi;
}

// A 256-entry byte table applied to a row. With 512-bit byte permutes the
// table is four registers and 64 pixels take two permutes and a blend;
// otherwise eight lookups make one 64-bit store.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void LookupPermute(const BYTE* in, const BYTE* table, LONG n,
                                                                           BYTE* out) {
  const __m512i t0 = _mm512_loadu_si512(table), t1 = _mm512_loadu_si512(table + 64);
  const __m512i t2 = _mm512_loadu_si512(table + 128), t3 = _mm512_loadu_si512(table + 192);
  for (LONG i = 0; i < n; i += 64) {
    const LONG left = n - i;
    const __mmask64 mask = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
    const __m512i index = _mm512_maskz_loadu_epi8(mask, in + i);
    const __m512i low = _mm512_permutex2var_epi8(t0, index, t1);  // index bit 6 picks the register
    const __m512i high = _mm512_permutex2var_epi8(t2, index, t3);
    const __m512i value = _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);  // bit 7
    _mm512_mask_storeu_epi8(out + i, mask, value);
  }
}

void LookupScalar(const BYTE* in, const BYTE* table, LONG n, BYTE* out) {
  LONG i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t v = 0;
    for (int k = 0; k < 8; ++k) v |= std::uint64_t{table[in[i + k]]} << (8 * k);
    std::memcpy(out + i, &v, 8);
  }
  for (; i < n; ++i) out[i] = table[in[i]];
}

bool HasBytePermute() {
  static const bool has = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
  return has;
}

void Lookup(const BYTE* in, const BYTE* table, LONG n, BYTE* out) {
  if (HasBytePermute())
    LookupPermute(in, table, n, out);
  else
    LookupScalar(in, table, n, out);
}

// Sums of absolute differences from zero add 16 or 32 bytes at a time into
// 64-bit lanes.
__attribute__((target("avx2"))) ULONGLONG RowSumWide(const BYTE* p, LONG n) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i a = zero, b = zero;
  LONG i = 0;
  for (; i + 64 <= n; i += 64) {
    a = _mm256_add_epi64(a, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)), zero));
    b = _mm256_add_epi64(b, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 32)), zero));
  }
  alignas(32) ULONGLONG lanes[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), _mm256_add_epi64(a, b));
  ULONGLONG total = lanes[0] + lanes[1] + lanes[2] + lanes[3];
  for (; i < n; ++i) total += p[i];
  return total;
}

ULONGLONG RowSumNarrow(const BYTE* p, LONG n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = zero, b = zero;
  LONG i = 0;
  for (; i + 32 <= n; i += 32) {
    a = _mm_add_epi64(a, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), zero));
    b = _mm_add_epi64(b, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16)), zero));
  }
  alignas(16) ULONGLONG lanes[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_add_epi64(a, b));
  ULONGLONG total = lanes[0] + lanes[1];
  for (; i < n; ++i) total += p[i];
  return total;
}

ULONGLONG RowSum(const BYTE* p, LONG n) {
  static const bool wide = __builtin_cpu_supports("avx2");
  return wide ? RowSumWide(p, n) : RowSumNarrow(p, n);
}

void GatherGrey(const BYTE* __restrict row, const LONG* __restrict offsets, LONG n, BYTE* __restrict out) {
  LONG k = 0;
  for (; k + 8 <= n; k += 8) {
    std::uint64_t v = 0;
    for (int j = 0; j < 8; ++j) v |= std::uint64_t{row[offsets[k + j]]} << (8 * j);
    std::memcpy(out + k, &v, 8);
  }
  for (; k < n; ++k) out[k] = row[offsets[k]];
}

void GatherColour(const BYTE* __restrict row, const LONG* __restrict offsets, LONG n, BYTE* __restrict out) {
  for (LONG k = 0; k < n; ++k, out += 3) {
    const BYTE* p = row + offsets[k];
    out[0] = p[0], out[1] = p[1], out[2] = p[2];
  }
}

// The source index of destination index i: truncated 1 / (to / from) x i,
// as the scale was always computed, kept inside the source.
LONG SourceIndex(double factor, LONG i, LONG from) {
  const auto index = static_cast<LONGLONG>(factor * i);
  return static_cast<LONG>(std::min<LONGLONG>(index, from - 1));
}

struct Area {
  LONG x0, y0, x1, y1;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Area Clip(const ImageClass& image, LONG x0, LONG y0, LONG x1, LONG y1) {
  return {std::clamp<LONG>(x0, 0, image.m_nWidth), std::clamp<LONG>(y0, 0, image.m_nHeight),
          std::clamp<LONG>(x1, 0, image.m_nWidth), std::clamp<LONG>(y1, 0, image.m_nHeight)};
}

}  // namespace

int DirectionCode(int gx, int gy) {
  if (gx == 0) return gy < 0 ? 32 : 0;
  if (gy == 0) return gx > 0 ? 16 : 48;
  static constexpr int kBounds[] = {5, 15, 25, 35, 47, 60, 74, 90, 110, 135, 166, 211, 279, 399, 674, 2035};
  const int r = (gx < 0 ? -gx : gx) * 100 / (gy < 0 ? -gy : gy);
  int k = 0;
  for (int bound : kBounds) k += r >= bound;
  if (gx > 0) return gy > 0 ? k : 32 - k;
  return gy < 0 ? 32 + k : (k == 0 ? 0 : 64 - k);
}

bool SobelMagnitude(const ImageClass& source, ImageClass& result) { return Sobel(source, result, nullptr); }

bool SobelDirection(const ImageClass& source, ImageClass& result, ImageClass& direction) {
  return Sobel(source, result, &direction);
}

bool Difference(const ImageClass& first, const ImageClass& second, ImageClass& result) {
  if (!Alike(first, second) || !Alike(first, result)) return false;
  AbsoluteDifference(second.m_pData, first.m_pData, result.m_pData, static_cast<std::size_t>(first.m_nSize));
  return true;
}

bool Threshold(const ImageClass& source, SHORT threshold, ImageClass& result) {
  if (!Grey(source) || !Alike(source, result)) return false;
  Binarise(source.m_pData, static_cast<BYTE>(threshold & 0xFF), result.m_pData, static_cast<std::size_t>(source.m_nSize));
  return true;
}

bool Normalize(const ImageClass& source, SHORT min, SHORT max, ImageClass& result) {
  if (!Grey(source) || !Alike(source, result)) return false;
  BYTE lowest = 255, highest = 0;
  for (LONG y = 0; y < source.m_nHeight; ++y) RowRange(source.Row(y), source.m_nWidth, lowest, highest);
  // Each result depends on the pixel value only: one table of 256.
  const int offset = min - lowest, divisor = highest + min - lowest;
  BYTE table[256];
  for (int p = 0; p < 256; ++p) {
    const double value = divisor == 0 ? 0.0 : static_cast<double>(p + offset) * max / divisor;
    table[p] = static_cast<BYTE>(static_cast<LONGLONG>(value) & 0xFF);
  }
  for (LONG y = 0; y < source.m_nHeight; ++y) Lookup(source.Row(y), table, source.m_nWidth, result.Row(y));
  return true;
}

bool Scale(const ImageClass& source, ImageClass& destination) {
  if (!source.HasPixels() || !destination.HasPixels() || source.m_nFormat != destination.m_nFormat) return false;
  const LONG w = source.m_nWidth, h = source.m_nHeight, w2 = destination.m_nWidth, h2 = destination.m_nHeight;
  const double fx = 1 / (static_cast<double>(w2) / w), fy = 1 / (static_cast<double>(h2) / h);
  const int bpp = source.BytesPerPixel();
  std::vector<LONG> offsets(static_cast<std::size_t>(w2));
  for (LONG k = 0; k < w2; ++k) offsets[static_cast<std::size_t>(k)] = SourceIndex(fx, k, w) * bpp;
  const std::size_t rowBytes = static_cast<std::size_t>(w2) * static_cast<std::size_t>(bpp);
  LONG previous = -1;
  for (LONG i = 0; i < h2; ++i) {
    const LONG sy = SourceIndex(fy, i, h);
    BYTE* out = destination.Row(i);
    if (sy == previous && &source != &destination) {
      std::memcpy(out, destination.Row(i - 1), rowBytes);
      continue;
    }
    if (bpp == 1)
      GatherGrey(source.Row(sy), offsets.data(), w2, out);
    else
      GatherColour(source.Row(sy), offsets.data(), w2, out);
    previous = sy;
  }
  return true;
}

LONGLONG SumArea(const ImageClass& image, LONG x0, LONG y0, LONG x1, LONG y1) {
  if (!Grey(image)) return 0;
  const Area area = Clip(image, x0, y0, x1, y1);
  if (area.Empty()) return 0;
  ULONGLONG sum = 0;
  for (LONG y = area.y0; y < area.y1; ++y) sum += RowSum(image.Row(y) + area.x0, area.x1 - area.x0);
  return static_cast<LONGLONG>(sum);
}

LONG MeanArea(const ImageClass& image, LONG x0, LONG y0, LONG x1, LONG y1) {
  const LONGLONG sum = SumArea(image, x0, y0, x1, y1);
  if (sum <= 0) return 0;
  const Area area = Clip(image, x0, y0, x1, y1);
  return static_cast<LONG>(sum / (LONGLONG{area.x1 - area.x0} * (area.y1 - area.y0)));
}

CLIPVIEW_KERNEL
void DifferenceAndKeep(const BYTE* source, BYTE* previous, BYTE* result, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const BYTE s = source[i], p = previous[i];
    previous[i] = s;
    result[i] = static_cast<BYTE>(s > p ? s - p : p - s);
  }
}

}  // namespace clipview
