// Inputs replayed through the probe of their fuzz target, each of which must pass the
// probe's checks (and, in the sanitizer build, run without a sanitizer report): the
// sample distribution's files and the test data, which also seed the fuzz corpora, and
// the inputs that fuzzing found faults with, kept in tests/data/regressions/<target>/.
// QUELLOR_REPLAY_DIR points the last at another folder of <target>/ folders, such as a
// fuzz run's corpora, so that they can be replayed under g++'s sanitizers too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "fuzz/probes/Probes.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(Replay, EveryKnownInputPassesItsProbe) {
  const fs::path dist = QUELLOR_DIST_DIR, data = QUELLOR_TEST_DATA_DIR;
  std::vector<std::pair<std::string, fs::path>> inputs = {
      {"config", dist / "Config.xml"}, {"config", dist / "Inst" / "Config.xml"}, {"pack", dist / "Common.pak"},
      {"pack", dist / "Local.pak"}, {"picture", dist / "Splash.png"}, {"config", data / "foundation" / "Config.xml"}};
  const char* other = std::getenv("QUELLOR_REPLAY_DIR");
  const fs::path kept = other != nullptr && *other != '\0' ? fs::path(other) : data / "regressions";
  for (const char* target : {"pack", "pack_image", "config", "picture", "picture_format", "font", "device_path"}) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(kept / target, error)) inputs.emplace_back(target, entry.path());
  }
  for (const auto& [target, path] : inputs) {
    const fuzzprobe::Probe probe = fuzzprobe::ProbeNamed(target);
    ASSERT_NE(probe, nullptr) << target;
    const std::vector<std::uint8_t> input = testsupport::ReadBytes(path);
    ASSERT_FALSE(input.empty()) << path;
    EXPECT_EQ(probe(input), "") << target << ": " << path;
  }
}

}  // namespace
