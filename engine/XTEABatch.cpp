#include "engine/XTEABatch.h"

#include "engine/LittleEndian.h"
#include "engine/XTEA.h"

#if defined(__x86_64__) || defined(__i386__)
#define QUELLOR_XTEA_X86 1
#include <immintrin.h>
#endif

namespace xtea_batch {

namespace {

constexpr std::size_t kBlockWords = 2;

inline std::uint32_t Mix(std::uint32_t v) { return ((v << 4) ^ (v >> 5)) + v; }

// Blocks [first, end) one at a time; also the tail behind the SIMD groups.
template <bool kDecipher>
void OneByOne(std::uint8_t* buffer, std::size_t first, std::size_t end, const Schedule& schedule,
              const Whitening& whitening) {
  const std::uint32_t* keys = schedule.words;
  for (std::size_t i = first; i < end; ++i) {
    std::uint8_t* at = buffer + i * XTEA::kBlockSize;
    const std::size_t j = (i % kPeriodBlocks) * kBlockWords;
    std::uint32_t w0 = LoadLE32(at) ^ whitening.before[j];
    std::uint32_t w1 = LoadLE32(at + 4) ^ whitening.before[j + 1];
    for (std::uint32_t r = 0; r < schedule.rounds; ++r) {
      if constexpr (kDecipher) {
        w1 -= Mix(w0) ^ keys[2 * r];
        w0 -= Mix(w1) ^ keys[2 * r + 1];
      } else {
        w0 += Mix(w1) ^ keys[2 * r];
        w1 += Mix(w0) ^ keys[2 * r + 1];
      }
    }
    StoreLE32(at, w0 ^ whitening.after[j]);
    StoreLE32(at + 4, w1 ^ whitening.after[j + 1]);
  }
}

#ifdef QUELLOR_XTEA_X86

inline __m128i EvenWords(__m128i lo, __m128i hi) {
  return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(lo), _mm_castsi128_ps(hi), _MM_SHUFFLE(2, 0, 2, 0)));
}
inline __m128i OddWords(__m128i lo, __m128i hi) {
  return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(lo), _mm_castsi128_ps(hi), _MM_SHUFFLE(3, 1, 3, 1)));
}
inline __m128i Mix(__m128i w) { return _mm_add_epi32(_mm_xor_si128(_mm_slli_epi32(w, 4), _mm_srli_epi32(w, 5)), w); }

__attribute__((target("avx2"))) inline __m256i EvenWords(__m256i lo, __m256i hi) {
  return _mm256_castps_si256(
      _mm256_shuffle_ps(_mm256_castsi256_ps(lo), _mm256_castsi256_ps(hi), _MM_SHUFFLE(2, 0, 2, 0)));
}
__attribute__((target("avx2"))) inline __m256i OddWords(__m256i lo, __m256i hi) {
  return _mm256_castps_si256(
      _mm256_shuffle_ps(_mm256_castsi256_ps(lo), _mm256_castsi256_ps(hi), _MM_SHUFFLE(3, 1, 3, 1)));
}
__attribute__((target("avx2"))) inline __m256i Mix(__m256i w) {
  return _mm256_add_epi32(_mm256_xor_si256(_mm256_slli_epi32(w, 4), _mm256_srli_epi32(w, 5)), w);
}

// SSE2 (every x86-64 has it): 4 blocks per register, two registers per step so the
// two dependency chains overlap. Returns the number of blocks done.
template <bool kDecipher>
std::size_t Sse2Groups(std::uint8_t* buffer, std::size_t blocks, const Schedule& schedule,
                       const Whitening& whitening) {
  constexpr std::size_t kGroup = 8;
  const std::uint32_t* keys = schedule.words;
  std::size_t i = 0;
  for (; i + kGroup <= blocks; i += kGroup) {
    auto* at = reinterpret_cast<__m128i*>(buffer + i * XTEA::kBlockSize);
    const std::size_t j = (i % kPeriodBlocks) * kBlockWords;
    auto* before = reinterpret_cast<const __m128i*>(whitening.before + j);
    auto* after = reinterpret_cast<const __m128i*>(whitening.after + j);
    __m128i v[4];
    for (int k = 0; k < 4; ++k) v[k] = _mm_xor_si128(_mm_loadu_si128(at + k), _mm_load_si128(before + k));
    // Word 0 of every block into x, word 1 into y.
    __m128i x0 = EvenWords(v[0], v[1]), y0 = OddWords(v[0], v[1]);
    __m128i x1 = EvenWords(v[2], v[3]), y1 = OddWords(v[2], v[3]);
    for (std::uint32_t r = 0; r < schedule.rounds; ++r) {
      const __m128i k0 = _mm_set1_epi32(static_cast<int>(keys[2 * r]));
      const __m128i k1 = _mm_set1_epi32(static_cast<int>(keys[2 * r + 1]));
      if constexpr (kDecipher) {
        y0 = _mm_sub_epi32(y0, _mm_xor_si128(Mix(x0), k0));
        y1 = _mm_sub_epi32(y1, _mm_xor_si128(Mix(x1), k0));
        x0 = _mm_sub_epi32(x0, _mm_xor_si128(Mix(y0), k1));
        x1 = _mm_sub_epi32(x1, _mm_xor_si128(Mix(y1), k1));
      } else {
        x0 = _mm_add_epi32(x0, _mm_xor_si128(Mix(y0), k0));
        x1 = _mm_add_epi32(x1, _mm_xor_si128(Mix(y1), k0));
        y0 = _mm_add_epi32(y0, _mm_xor_si128(Mix(x0), k1));
        y1 = _mm_add_epi32(y1, _mm_xor_si128(Mix(x1), k1));
      }
    }
    v[0] = _mm_unpacklo_epi32(x0, y0);
    v[1] = _mm_unpackhi_epi32(x0, y0);
    v[2] = _mm_unpacklo_epi32(x1, y1);
    v[3] = _mm_unpackhi_epi32(x1, y1);
    for (int k = 0; k < 4; ++k) _mm_storeu_si128(at + k, _mm_xor_si128(v[k], _mm_load_si128(after + k)));
  }
  return i;
}

// AVX2: 8 blocks per register, two registers per step. The in-lane shuffle scrambles
// the block order across lanes, and the unpack puts it back exactly, so the whitening
// is applied in memory order on either side.
template <bool kDecipher>
__attribute__((target("avx2"))) std::size_t Avx2Groups(std::uint8_t* buffer, std::size_t blocks,
                                                       const Schedule& schedule, const Whitening& whitening) {
  constexpr std::size_t kGroup = 16;
  const std::uint32_t* keys = schedule.words;
  std::size_t i = 0;
  for (; i + kGroup <= blocks; i += kGroup) {
    auto* at = reinterpret_cast<__m256i*>(buffer + i * XTEA::kBlockSize);
    const std::size_t j = (i % kPeriodBlocks) * kBlockWords;
    auto* before = reinterpret_cast<const __m256i*>(whitening.before + j);
    auto* after = reinterpret_cast<const __m256i*>(whitening.after + j);
    __m256i v[4];
    for (int k = 0; k < 4; ++k)
      v[k] = _mm256_xor_si256(_mm256_loadu_si256(at + k), _mm256_load_si256(before + k));
    __m256i x0 = EvenWords(v[0], v[1]), y0 = OddWords(v[0], v[1]);
    __m256i x1 = EvenWords(v[2], v[3]), y1 = OddWords(v[2], v[3]);
    for (std::uint32_t r = 0; r < schedule.rounds; ++r) {
      const __m256i k0 = _mm256_set1_epi32(static_cast<int>(keys[2 * r]));
      const __m256i k1 = _mm256_set1_epi32(static_cast<int>(keys[2 * r + 1]));
      if constexpr (kDecipher) {
        y0 = _mm256_sub_epi32(y0, _mm256_xor_si256(Mix(x0), k0));
        y1 = _mm256_sub_epi32(y1, _mm256_xor_si256(Mix(x1), k0));
        x0 = _mm256_sub_epi32(x0, _mm256_xor_si256(Mix(y0), k1));
        x1 = _mm256_sub_epi32(x1, _mm256_xor_si256(Mix(y1), k1));
      } else {
        x0 = _mm256_add_epi32(x0, _mm256_xor_si256(Mix(y0), k0));
        x1 = _mm256_add_epi32(x1, _mm256_xor_si256(Mix(y1), k0));
        y0 = _mm256_add_epi32(y0, _mm256_xor_si256(Mix(x0), k1));
        y1 = _mm256_add_epi32(y1, _mm256_xor_si256(Mix(x1), k1));
      }
    }
    v[0] = _mm256_unpacklo_epi32(x0, y0);
    v[1] = _mm256_unpackhi_epi32(x0, y0);
    v[2] = _mm256_unpacklo_epi32(x1, y1);
    v[3] = _mm256_unpackhi_epi32(x1, y1);
    for (int k = 0; k < 4; ++k)
      _mm256_storeu_si256(at + k, _mm256_xor_si256(v[k], _mm256_load_si256(after + k)));
  }
  return i;
}

#endif  // QUELLOR_XTEA_X86

template <bool kDecipher>
void Run(Path path, std::uint8_t* buffer, std::size_t blocks, const Schedule& schedule, const Whitening& whitening) {
  std::size_t done = 0;
#ifdef QUELLOR_XTEA_X86
  if (path == Path::Avx2 && PathAvailable(Path::Avx2)) {
    done = Avx2Groups<kDecipher>(buffer, blocks, schedule, whitening);
  } else if (path != Path::OneByOne) {
    done = Sse2Groups<kDecipher>(buffer, blocks, schedule, whitening);
  }
#else
  (void)path;
#endif
  OneByOne<kDecipher>(buffer, done, blocks, schedule, whitening);
}

}  // namespace

bool PathAvailable(Path path) {
#ifdef QUELLOR_XTEA_X86
  __builtin_cpu_init();  // needed when asked before the program's constructors have run
#endif
  switch (path) {
    case Path::OneByOne: return true;
#ifdef QUELLOR_XTEA_X86
    case Path::Sse2: return __builtin_cpu_supports("sse2");
    case Path::Avx2: return __builtin_cpu_supports("avx2");
#else
    default: return false;
#endif
  }
  return false;
}

Path BestPath() {
  if (PathAvailable(Path::Avx2)) return Path::Avx2;
  if (PathAvailable(Path::Sse2)) return Path::Sse2;
  return Path::OneByOne;
}

const char* PathName(Path path) {
  switch (path) {
    case Path::OneByOne: return "one-by-one";
    case Path::Sse2: return "sse2";
    case Path::Avx2: return "avx2";
  }
  return "?";
}

Schedule EncipherSchedule(std::uint32_t rounds, const std::uint32_t key[4]) {
  Schedule schedule;
  schedule.rounds = rounds < kMaxScheduledRounds ? rounds : kMaxScheduledRounds;
  std::uint32_t sum = 0;
  for (std::uint32_t r = 0; r < schedule.rounds; ++r) {
    schedule.words[2 * r] = sum + key[sum & 3];
    sum += XTEA::kDelta;
    schedule.words[2 * r + 1] = sum + key[(sum >> 11) & 3];
  }
  return schedule;
}

Schedule DecipherSchedule(std::uint32_t rounds, const std::uint32_t key[4]) {
  Schedule schedule;
  schedule.rounds = rounds < kMaxScheduledRounds ? rounds : kMaxScheduledRounds;
  std::uint32_t sum = schedule.rounds * XTEA::kDelta;
  for (std::uint32_t r = 0; r < schedule.rounds; ++r) {
    schedule.words[2 * r] = sum + key[(sum >> 11) & 3];
    sum -= XTEA::kDelta;
    schedule.words[2 * r + 1] = sum + key[sum & 3];
  }
  return schedule;
}

void Encipher(Path path, std::uint8_t* buffer, std::size_t blocks, const Schedule& schedule,
              const Whitening& whitening) {
  Run<false>(path, buffer, blocks, schedule, whitening);
}

void Decipher(Path path, std::uint8_t* buffer, std::size_t blocks, const Schedule& schedule,
              const Whitening& whitening) {
  Run<true>(path, buffer, blocks, schedule, whitening);
}

}  // namespace xtea_batch
