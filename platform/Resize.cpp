// Smooth resizing by area averaging, for thumbnails stretched or shrunk to a
// fixed size.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <numeric>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/Bitmap.h"

namespace {

// How the target pixels along one axis cover the source pixels. Positions are
// counted in units that divide both pixel sizes (a source pixel is to / g
// units long, a target pixel from / g), so every overlap is a whole number and
// the weights of every target pixel add up to `total`: the average is exact,
// and the divisor of a pixel is the product of the two axes' totals.
struct Axis {
  std::vector<int> first;         // first source pixel under each target pixel
  std::vector<size_t> begin;      // where its weights start; begin[to] ends the last
  std::vector<uint32_t> weights;  // overlap with first, first + 1, ...
  uint64_t total = 0;
};

Axis Cover(int from, int to) {
  const int64_t common = std::gcd(from, to);
  const int64_t sourceLength = to / common;
  const int64_t targetLength = from / common;
  Axis axis;
  axis.total = static_cast<uint64_t>(targetLength);
  axis.first.resize(static_cast<size_t>(to));
  axis.begin.resize(static_cast<size_t>(to) + 1);
  axis.weights.reserve(static_cast<size_t>(from) + static_cast<size_t>(to));
  for (int t = 0; t < to; ++t) {
    const int64_t low = t * targetLength;
    const int64_t high = low + targetLength;
    const int64_t first = low / sourceLength;
    const int64_t end = (high + sourceLength - 1) / sourceLength;
    axis.first[t] = static_cast<int>(first);
    axis.begin[t] = axis.weights.size();
    for (int64_t s = first; s < end; ++s) {
      const int64_t overlap = std::min(high, (s + 1) * sourceLength) - std::max(low, s * sourceLength);
      axis.weights.push_back(static_cast<uint32_t>(overlap));
    }
  }
  axis.begin[to] = axis.weights.size();
  return axis;
}

const uint8_t* SourceRow(const Bitmap& source, int row) {
  return source.bits.data() + static_cast<size_t>(row) * static_cast<size_t>(source.stride);
}

uint8_t* TargetRow(Bitmap& target, int row) {
  return target.bits.data() + static_cast<size_t>(row) * static_cast<size_t>(target.stride);
}

// --- Any size -------------------------------------------------------------

// sum / divisor rounded to nearest, halves up. A double estimate is at most
// one off, and one exact comparison settles it.
class Divider {
 public:
  explicit Divider(uint64_t divisor)
      : divisor_(divisor), half_(divisor / 2), inverse_(1.0 / static_cast<double>(divisor)) {}

  uint8_t operator()(uint64_t sum) const {
    const uint64_t n = sum + half_;
    uint64_t q = static_cast<uint64_t>(static_cast<double>(n) * inverse_);
    if (q * divisor_ > n) {
      --q;
    } else if ((q + 1) * divisor_ <= n) {
      ++q;
    }
    return static_cast<uint8_t>(q);
  }

 private:
  uint64_t divisor_;
  uint64_t half_;
  double inverse_;
};

// Target row by target row: the source rows under it are summed down into
// `column`, then across. No sum exceeds 255 times the divisor, which is at
// most the number of source pixels, so 64 bits always hold it.
void AverageAnySize(const Bitmap& source, Bitmap& target, const Axis& across, const Axis& down) {
  const Divider divide(across.total * down.total);
  const size_t values = static_cast<size_t>(source.width) * 3;
  std::vector<uint64_t> column(values);
  for (int y = 0; y < target.height; ++y) {
    std::fill(column.begin(), column.end(), 0);
    int row = down.first[y];
    for (size_t k = down.begin[y]; k < down.begin[y + 1]; ++k, ++row) {
      const uint8_t* from = SourceRow(source, row);
      for (size_t i = 0; i < values; ++i) column[i] += uint64_t{down.weights[k]} * from[i];
    }
    uint8_t* out = TargetRow(target, y);
    for (int x = 0; x < target.width; ++x) {
      for (int channel = 0; channel < 3; ++channel) {
        uint64_t sum = 0;
        size_t i = static_cast<size_t>(across.first[x]) * 3 + channel;
        for (size_t k = across.begin[x]; k < across.begin[x + 1]; ++k, i += 3) {
          sum += across.weights[k] * column[i];
        }
        *out++ = divide(sum);
      }
    }
  }
}

// --- Thumbnail sizes -------------------------------------------------------

#if defined(__SSE2__)
// The same averaging in SSE2, which every x86-64 has (the compiler does not
// vectorise these loops by itself at the project's optimisation level), for
// sizes whose sums stay small:
//  - a column sum is at most 255 times the vertical total, which fits 16 bits
//    when that total is at most 257;
//  - every product and pixel sum is a whole number of at most 255 times the
//    divisor D, which floats hold exactly while that stays below 2^24, so
//    float multiplies stand in for the 32-bit integer multiply SSE2 lacks;
//  - the rounded mean floor((n + 0.5) / D), with n = sum + D / 2, lies at
//    least 0.5 / D from the nearest whole number. The roundings of
//    (n + 0.5) * (1 / D) err by less than 2^-15 in floats and 2^-44 in
//    doubles, so truncating it is exact: floats serve up to D = 4096 (a margin
//    of four below 2^14), doubles beyond.
// Sizes that share a factor keep both totals small: 320 x 180 to 170 x 96
// divides by 32 * 15, 640 x 360 by 64 * 15, 120 x 90 by 12 * 15.
constexpr bool HaveFastPath = true;
constexpr uint64_t FastMaxDown = 257;
constexpr uint64_t FastMaxDivisor = ((1 << 24) - 1) / 255;
constexpr uint64_t FloatMaxDivisor = 4096;

// The source rows under one target row, weighted and summed down sixteen
// values at a time in registers, and stored as floats for the sums across.
void SumDown(const Bitmap& source, const Axis& down, int y, float* column, size_t values) {
  const size_t stride = static_cast<size_t>(source.stride);
  const uint8_t* rows = SourceRow(source, down.first[y]);
  const uint32_t* weights = down.weights.data() + down.begin[y];
  const size_t count = down.begin[y + 1] - down.begin[y];
  const __m128i zero = _mm_setzero_si128();
  size_t i = 0;
  for (; i + 16 <= values; i += 16) {
    __m128i low = zero;
    __m128i high = zero;
    const uint8_t* from = rows + i;
    for (size_t k = 0; k < count; ++k, from += stride) {
      const __m128i weight = _mm_set1_epi16(static_cast<int16_t>(weights[k]));
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
      low = _mm_add_epi16(low, _mm_mullo_epi16(_mm_unpacklo_epi8(bytes, zero), weight));
      high = _mm_add_epi16(high, _mm_mullo_epi16(_mm_unpackhi_epi8(bytes, zero), weight));
    }
    _mm_storeu_ps(column + i, _mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero)));
    _mm_storeu_ps(column + i + 4, _mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero)));
    _mm_storeu_ps(column + i + 8, _mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero)));
    _mm_storeu_ps(column + i + 12, _mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero)));
  }
  for (; i < values; ++i) {
    uint32_t sum = 0;
    for (size_t k = 0; k < count; ++k) sum += weights[k] * rows[k * stride + i];
    column[i] = static_cast<float>(sum);
  }
}

// The rounded means of one pixel's sums, in the low three bytes.
template <bool Doubles>
uint32_t Means(__m128 sum, uint64_t divisor) {
  __m128i mean;
  if constexpr (Doubles) {
    const __m128d inverse = _mm_set1_pd(1.0 / static_cast<double>(divisor));
    const __m128d offset = _mm_set1_pd(static_cast<double>(divisor / 2) + 0.5);
    const __m128d low = _mm_mul_pd(_mm_add_pd(_mm_cvtps_pd(sum), offset), inverse);
    const __m128d high = _mm_mul_pd(_mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(sum, sum)), offset), inverse);
    mean = _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
  } else {
    const __m128 inverse = _mm_set1_ps(1.0f / static_cast<float>(divisor));
    const __m128 offset = _mm_set1_ps(static_cast<float>(divisor / 2) + 0.5f);
    mean = _mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(sum, offset), inverse));
  }
  const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(mean, mean), mean);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
}

// Across, one pixel (blue, green, red and the next pixel's blue, unused) per
// register, so the last pixel of a row reads one value past it and has its
// bytes stored one by one.
template <bool Doubles>
void AverageThumbnail(const Bitmap& source, Bitmap& target, const Axis& across, const Axis& down) {
  const uint64_t divisor = across.total * down.total;
  const size_t values = static_cast<size_t>(source.width) * 3;
  std::vector<float> weights;  // each one four times over, ready to load
  weights.reserve(across.weights.size() * 4);
  for (uint32_t w : across.weights) weights.insert(weights.end(), 4, static_cast<float>(w));
  std::vector<float> column(values + 1);

  for (int y = 0; y < target.height; ++y) {
    SumDown(source, down, y, column.data(), values);
    uint8_t* out = TargetRow(target, y);
    for (int x = 0; x < target.width; ++x, out += 3) {
      const float* from = column.data() + static_cast<size_t>(across.first[x]) * 3;
      __m128 sum = _mm_setzero_ps();
      for (size_t k = across.begin[x]; k < across.begin[x + 1]; ++k, from += 3) {
        sum = _mm_add_ps(sum, _mm_mul_ps(_mm_loadu_ps(from), _mm_loadu_ps(&weights[k * 4])));
      }
      const uint32_t bytes = Means<Doubles>(sum, divisor);
      if (x + 1 < target.width) {
        std::memcpy(out, &bytes, 4);  // the fourth byte is the next pixel's, written next
      } else {
        out[0] = static_cast<uint8_t>(bytes);
        out[1] = static_cast<uint8_t>(bytes >> 8);
        out[2] = static_cast<uint8_t>(bytes >> 16);
      }
    }
  }
}

void AverageThumbnail(const Bitmap& source, Bitmap& target, const Axis& across, const Axis& down) {
  if (across.total * down.total <= FloatMaxDivisor) {
    AverageThumbnail<false>(source, target, across, down);
  } else {
    AverageThumbnail<true>(source, target, across, down);
  }
}
#else
constexpr bool HaveFastPath = false;
constexpr uint64_t FastMaxDown = 0;
constexpr uint64_t FastMaxDivisor = 0;
void AverageThumbnail(const Bitmap&, Bitmap&, const Axis&, const Axis&) {}
#endif

}  // namespace

bool ResizeSmooth(const Bitmap& source, int width, int height, Bitmap& out) {
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > MaxPicturePixels) {
    return false;
  }
  if (source.width <= 0 || source.height <= 0 ||
      source.stride < static_cast<int64_t>(source.width) * 3) {
    return false;
  }
  // Every row must be there; the last one may lack its padding.
  const size_t rowBytes = static_cast<size_t>(source.width) * 3;
  const size_t stride = static_cast<size_t>(source.stride);
  const size_t rowsBefore = static_cast<size_t>(source.height) - 1;
  if (source.bits.size() / stride < rowsBefore || source.bits.size() - rowsBefore * stride < rowBytes) {
    return false;
  }

  try {
    // Built apart and moved in at the end: `out` may be `source` itself, and a
    // failure leaves it as it was.
    Bitmap result;
    result.width = width;
    result.height = height;
    result.stride = (width * 3 + 3) & ~3;
    result.bits.assign(static_cast<size_t>(result.stride) * height, 0);
    if (width == source.width && height == source.height) {
      for (int y = 0; y < height; ++y) std::memcpy(TargetRow(result, y), SourceRow(source, y), rowBytes);
    } else {
      const Axis across = Cover(source.width, width);
      const Axis down = Cover(source.height, height);
      if (HaveFastPath && down.total <= FastMaxDown && across.total * down.total <= FastMaxDivisor) {
        AverageThumbnail(source, result, across, down);
      } else {
        AverageAnySize(source, result, across, down);
      }
    }
    out = std::move(result);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}
