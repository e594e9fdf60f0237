// XTEAMod over many blocks at once. Blocks are independent, so whole groups of them go
// through the cipher rounds side by side in SIMD lanes; the per-round key words are
// worked out once per call (the schedule) instead of once per block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace xtea_batch {

// Cycles up to this count run on the batch paths; more fall back to one block at a time.
constexpr std::uint32_t kMaxScheduledRounds = 64;
// The pad repeats every 128 blocks.
constexpr std::uint32_t kPeriodBlocks = 128;

// The whitening of one pad period, as the two words of each block: what is XORed into
// a block before its cipher step and what after it (zero where the block is whitened
// on the other side).
struct Whitening {
  alignas(32) std::uint32_t before[2 * kPeriodBlocks];
  alignas(32) std::uint32_t after[2 * kPeriodBlocks];
};

// The sum + key word of every half-round, in the order the direction applies them.
struct Schedule {
  std::uint32_t rounds = 0;
  std::uint32_t words[2 * kMaxScheduledRounds] = {};
};

enum class Path { OneByOne, Sse2, Avx2 };

// The widest path this processor runs.
Path BestPath();
bool PathAvailable(Path path);
const char* PathName(Path path);

Schedule EncipherSchedule(std::uint32_t rounds, const std::uint32_t key[4]);
Schedule DecipherSchedule(std::uint32_t rounds, const std::uint32_t key[4]);

// blocks whole blocks from the start of buffer; block 0 takes pad words 0 and 1.
// schedule.rounds must not exceed kMaxScheduledRounds.
void Encipher(Path path, std::uint8_t* buffer, std::size_t blocks, const Schedule& schedule, const Whitening& whitening);
void Decipher(Path path, std::uint8_t* buffer, std::size_t blocks, const Schedule& schedule, const Whitening& whitening);

}  // namespace xtea_batch
