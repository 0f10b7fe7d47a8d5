#include "render/MapKernel.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

// Products and sums may fuse here: the loop only has to be within rounding of the camera
// model, and its margins allow for it.
#if defined(__clang__)
#pragma clang fp contract(fast)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=fast")
#endif

#if defined(__GNUC__) || defined(__clang__)
#define VELMORA_VECTOR_KERNELS 1
#define VELMORA_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define VELMORA_ALWAYS_INLINE inline
#endif

#if defined(VELMORA_VECTOR_KERNELS) && defined(__x86_64__)
#define VELMORA_X86_KERNELS 1
#endif

// Unaligned loads of W doubles; no helper functions that take or return vectors, so the
// code is inlined into, and built for, each target's own function.
#define VELMORA_LOAD(v, at) std::memcpy(&(v), (at), sizeof(v))

namespace velmora {

namespace {

// The sign bits of W lanes.
template <std::size_t W>
struct LaneBits {
  using type = long long;
};
#if defined(VELMORA_VECTOR_KERNELS)
template <>
struct LaneBits<2> {
  typedef long long type __attribute__((vector_size(16)));
};
template <>
struct LaneBits<4> {
  typedef long long type __attribute__((vector_size(32)));
};
template <>
struct LaneBits<8> {
  typedef long long type __attribute__((vector_size(64)));
};
#endif

// The loop for W lanes of type V (plain double for W = 1). A pair is accepted when every
// quantity that must be negative has its sign bit set, and a chunk when all its pairs are
// and the sum of its gaps is finite (a NaN anywhere reaches a gap). Sign bits, not vector
// comparisons: some compilers take 512-bit comparisons apart lane by lane.
template <class V, std::size_t W>
VELMORA_ALWAYS_INLINE std::size_t SumChunks(const KernelPairs& p, const KernelFrame& f,
                                            std::size_t from, std::size_t chunkSize, double& sum) {
  static_assert(kPairChunk % W == 0 && kPairLanes % W == 0);
  using Bits = typename LaneBits<W>::type;
  const double a0 = f.a[0], a1 = f.a[1], a2 = f.a[2], c0 = f.c[0], c1 = f.c[1], c2 = f.c[2];
  const double k0 = f.k[0], k1 = f.k[1], k2 = f.k[2];
  const double bx = f.b[0], by = f.b[1], bz = f.b[2];
  // d1 . B = x (A . B) + y (C . B) + K . B
  const double ab = a0 * bx + a1 * by + a2 * bz, cb = c0 * bx + c1 * by + c2 * bz;
  const double kb = k0 * bx + k1 * by + k2 * bz;
  const V zero = {};
  std::size_t k = from;
  for (; k < p.padded; k += chunkSize) {
    const std::size_t end = std::min(k + chunkSize, p.padded);
    V chunk = zero;
    long long signs = -1;  // W == 1
    Bits laneSigns = {};   // W > 1
    laneSigns = ~laneSigns;
    for (std::size_t j = k; j < end; j += W) {
      V x, y, dx, dy, dz, limit, pad;
      VELMORA_LOAD(x, &p.x[j]), VELMORA_LOAD(y, &p.y[j]);
      VELMORA_LOAD(dx, &p.dx[j]), VELMORA_LOAD(dy, &p.dy[j]), VELMORA_LOAD(dz, &p.dz[j]);
      VELMORA_LOAD(limit, &p.parallelLimit[j]), VELMORA_LOAD(pad, &p.pad[j]);
      const V ax = x * a0 + (y * c0 + k0);
      const V ay = x * a1 + (y * c1 + k1);
      const V az = x * a2 + (y * c2 + k2);
      const V nx = ay * dz - az * dy, ny = az * dx - ax * dz, nz = ax * dy - ay * dx;
      const V wn = bx * nx + by * ny + bz * nz;
      const V dn = nx * nx + ny * ny + nz * nz;
      const V gap = wn * wn / (dn + pad);
      // Not near parallel, and not too large a gap.
      const V q1 = limit - dn, q2 = gap - kKernelHugeGap;
      if (p.skip) {
        // w = P1 - P2 = d1 + B - d2, so d1 . w and d2 . w need only two more dot products;
        // both numerators must be certainly positive.
        V aa, cc, tMin, sMin;
        VELMORA_LOAD(aa, &p.aa[j]), VELMORA_LOAD(cc, &p.cc[j]);
        VELMORA_LOAD(tMin, &p.tMin[j]), VELMORA_LOAD(sMin, &p.sMin[j]);
        const V bb = ax * dx + ay * dy + az * dz;
        const V e1 = (aa - bb) + (x * ab + (y * cb + kb));
        const V e2 = (bb - cc) + (dx * bx + dy * by + dz * bz);
        const V tNum = bb * e2 - cc * e1, sNum = aa * e2 - bb * e1;
        if constexpr (W == 1) {
          signs &= std::bit_cast<long long>(tMin - tNum) & std::bit_cast<long long>(sMin - sNum);
        } else {
          laneSigns &= (Bits)(tMin - tNum) & (Bits)(sMin - sNum);
        }
      }
      if constexpr (W == 1) {
        signs &= std::bit_cast<long long>(q1) & std::bit_cast<long long>(q2);
      } else {
        laneSigns &= (Bits)q1 & (Bits)q2;
      }
      chunk += gap;
    }
    double chunkSum = 0;
    if constexpr (W == 1) {
      chunkSum = chunk;
    } else {
      long long lanes[W];
      std::memcpy(lanes, &laneSigns, sizeof lanes);
      double gaps[W];
      std::memcpy(gaps, &chunk, sizeof gaps);
      for (std::size_t i = 0; i < W; ++i) signs &= lanes[i], chunkSum += gaps[i];
    }
    if (!(signs < 0 && chunkSum - chunkSum == 0)) break;
    sum += chunkSum;
  }
  return k;
}

std::size_t PlainKernel(const KernelPairs& p, const KernelFrame& f, std::size_t from,
                        std::size_t chunk, double& sum) {
  return SumChunks<double, 1>(p, f, from, chunk, sum);
}

#if defined(VELMORA_VECTOR_KERNELS)
using V2 = double __attribute__((vector_size(16)));
using V4 = double __attribute__((vector_size(32)));
using V8 = double __attribute__((vector_size(64)));

std::size_t BaselineKernel(const KernelPairs& p, const KernelFrame& f, std::size_t from,
                           std::size_t chunk, double& sum) {
  return SumChunks<V2, 2>(p, f, from, chunk, sum);
}
#endif

#if defined(VELMORA_X86_KERNELS)
__attribute__((target("arch=x86-64-v3"))) std::size_t Avx2FmaKernel(
    const KernelPairs& p, const KernelFrame& f, std::size_t from, std::size_t chunk, double& sum) {
  return SumChunks<V4, 4>(p, f, from, chunk, sum);
}

__attribute__((target("arch=x86-64-v4"))) std::size_t Avx512Kernel(const KernelPairs& p,
                                                                   const KernelFrame& f,
                                                                   std::size_t from,
                                                                   std::size_t chunk, double& sum) {
  return SumChunks<V8, 8>(p, f, from, chunk, sum);
}

bool Supports(KernelLevel level) {
  __builtin_cpu_init();
  switch (level) {
    case KernelLevel::kAvx512:
      if (!(__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
            __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw") &&
            __builtin_cpu_supports("avx512cd")))
        return false;
      [[fallthrough]];
    case KernelLevel::kAvx2Fma:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
             __builtin_cpu_supports("bmi2");
    default:
      return true;
  }
}

__attribute__((target("avx"))) void ZeroUpper() {
  __builtin_ia32_vzeroupper();
}
#endif

}  // namespace

PairKernel KernelFor(KernelLevel level) {
  switch (level) {
    case KernelLevel::kPlain:
      return &PlainKernel;
#if defined(VELMORA_VECTOR_KERNELS)
    case KernelLevel::kBaseline:
      return &BaselineKernel;
#endif
#if defined(VELMORA_X86_KERNELS)
    case KernelLevel::kAvx2Fma:
      return Supports(level) ? &Avx2FmaKernel : nullptr;
    case KernelLevel::kAvx512:
      return Supports(level) ? &Avx512Kernel : nullptr;
#endif
    default:
      return nullptr;
  }
}

KernelLevel BestKernelLevel() {
  static const KernelLevel best = [] {
    for (KernelLevel level : {KernelLevel::kAvx512, KernelLevel::kAvx2Fma, KernelLevel::kBaseline})
      if (KernelFor(level) != nullptr) return level;
    return KernelLevel::kPlain;
  }();
  return best;
}

const char* KernelLevelName(KernelLevel level) {
  switch (level) {
    case KernelLevel::kPlain:
      return "plain";
    case KernelLevel::kBaseline:
      return "x86-64 baseline";
    case KernelLevel::kAvx2Fma:
      return "x86-64-v3 (AVX2, FMA)";
    case KernelLevel::kAvx512:
      return "x86-64-v4 (AVX-512)";
  }
  return "?";
}

void ClearUpperVectorState() {
#if defined(VELMORA_X86_KERNELS)
  static const bool hasAvx = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
  }();
  if (hasAvx) ZeroUpper();
#endif
}

}  // namespace velmora
