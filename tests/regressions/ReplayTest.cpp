// Inputs that fuzzing found faults with, kept in tests/data/regressions/<target>/ and
// replayed through the probe of that fuzz target: each must now pass the probe's checks
// (and, in the sanitizer build, run without a sanitizer report). QUELLOR_REPLAY_DIR
// points the replay at another folder of <target>/ folders, such as a fuzz run's
// corpora, so that they can be replayed under g++'s sanitizers too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/probes/Probes.h"

namespace {

namespace fs = std::filesystem;

fs::path ReplayFolder() {
  const char* other = std::getenv("QUELLOR_REPLAY_DIR");
  return other != nullptr && *other != '\0' ? fs::path(other) : fs::path(QUELLOR_TEST_DATA_DIR) / "regressions";
}

std::vector<fs::path> InputsOf(const std::string& target) {
  std::vector<fs::path> inputs;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(ReplayFolder() / target, error)) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

std::vector<std::uint8_t> Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const char* const kTargets[] = {"pack", "pack_image", "config", "picture", "picture_format", "font", "device_path"};

TEST(Replay, EveryKeptInputPassesItsProbe) {
  std::size_t replayed = 0;
  for (const std::string target : kTargets) {
    const fuzzprobe::Probe probe = fuzzprobe::ProbeNamed(target);
    ASSERT_NE(probe, nullptr) << target;
    for (const fs::path& input : InputsOf(target)) {
      EXPECT_EQ(probe(Read(input)), "") << target << "/" << input.filename().string();
      ++replayed;
    }
  }
  if (replayed == 0) GTEST_SKIP() << "no kept inputs in " << ReplayFolder();
}

}  // namespace
