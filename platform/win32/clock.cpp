#include "platform/win32/clock_internal.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

std::atomic<bool> g_virtual{false};
std::atomic<std::uint64_t> g_virtualNow{0};
std::mutex g_fixedMutex;
bool g_fixed = false;
SYSTEMTIME g_fixedTime{};

std::uint64_t RealNowMs() {
  using namespace std::chrono;
  static const auto start = steady_clock::now();
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

}  // namespace

namespace layer {

std::uint64_t NowMs() { return g_virtual ? g_virtualNow.load() : RealNowMs(); }

void SleepMs(std::uint64_t ms) {
  if (g_virtual) {
    g_virtualNow += ms;
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool UsesVirtualTime() { return g_virtual; }

bool FixedLocalTime(SYSTEMTIME* out) {
  std::lock_guard<std::mutex> lock(g_fixedMutex);
  if (!g_fixed) return false;
  *out = g_fixedTime;
  return true;
}

void UseVirtualTime(bool on) {
  if (on && !g_virtual) g_virtualNow = RealNowMs();
  g_virtual = on;
}

void AdvanceVirtualTime(std::uint64_t ms) { g_virtualNow += ms; }

void FixLocalTime(const SYSTEMTIME* time) {
  std::lock_guard<std::mutex> lock(g_fixedMutex);
  g_fixed = time != nullptr;
  if (time) g_fixedTime = *time;
}

}  // namespace layer
