// The floor under the installer's start-up and waiting: a program of its own that
// creates a 640x480 window with a renderer the way the installer's layer does (the same
// renderer choice), clears it and presents it once, with the drivers the environment
// names. Built twice: linked to SDL2 alone, and (BARE_WINDOW_WITH_XERCES) also linked
// to Xerces-C and initialising it first, as the installer does before its window. It
// links nothing else, so its process start is that of a real small program.
//
// bench_startup starts it with "--report-fd=N" and reads from N a line per mark:
// "main" when main starts, "frame" once the frame is presented. With "--hold=SECONDS"
// (bench_waiting_window) it then goes on as a still 60 fps loop drawing a window-sized
// picture, and after that hides its window and waits for events, reporting
// "renderer", "still_cpu", "rss_kib" and "idle_cpu" lines (CPU as a fraction of one
// core over SECONDS each).
#include <SDL.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3d9/renderer_choice.h"
#include "platform/win32/sdl_video.h"

#ifdef BARE_WINDOW_WITH_XERCES
#include <xercesc/util/PlatformUtils.hpp>
#endif

namespace {

int reportFd = -1;

double Now(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void Report(const char* name, const char* value) {
  char line[96];
  const int length = std::snprintf(line, sizeof line, "%s %s\n", name, value);
  if (reportFd >= 0 && length > 0 && ::write(reportFd, line, static_cast<std::size_t>(length)) != length) {
    std::_Exit(4);
  }
}

void Report(const char* name, double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9f", value);
  Report(name, text);
}

void Mark(const char* step) { Report(step, Now(CLOCK_MONOTONIC)); }

long ResidentKib() {
  FILE* status = std::fopen("/proc/self/status", "r");
  long kib = 0;
  char line[256];
  while (status && std::fgets(line, sizeof line, status)) {
    if (std::strncmp(line, "VmRSS:", 6) == 0) std::sscanf(line + 6, "%ld", &kib);
  }
  if (status) std::fclose(status);
  return kib;
}

// Runs step until `seconds` have passed and returns the CPU time used meanwhile as a
// fraction of one core.
template <typename Step>
double CpuWhile(double seconds, Step step) {
  const double start = Now(CLOCK_MONOTONIC), cpuStart = Now(CLOCK_PROCESS_CPUTIME_ID);
  while (Now(CLOCK_MONOTONIC) - start < seconds) step();
  return (Now(CLOCK_PROCESS_CPUTIME_ID) - cpuStart) / (Now(CLOCK_MONOTONIC) - start);
}

void DrainEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
  }
}

// A still window: a window-sized picture drawn and presented every frame, paced by
// vsync as the installer's device is; then the window hidden, waiting for events at
// most 100 ms at a time as the installer's loop does while inactive.
void Hold(SDL_Window* window, SDL_Renderer* renderer, double seconds) {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && !layer::IsHeadlessVideoDriver(driver)) SDL_RenderSetVSync(renderer, 1);
  std::vector<Uint32> pixels(640 * 480);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | static_cast<Uint32>(i * 2654435761u >> 8);
  SDL_Texture* picture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, 640, 480);
  SDL_UpdateTexture(picture, nullptr, pixels.data(), 640 * 4);
  auto frame = [renderer, picture] {
    DrainEvents();
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, picture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
  };
  CpuWhile(1.0, frame);  // settles
  Report("still_cpu", CpuWhile(seconds, frame));
  Report("rss_kib", static_cast<double>(ResidentKib()));
  SDL_HideWindow(window);
  auto wait = [] {
    SDL_WaitEventTimeout(nullptr, 100);
    DrainEvents();
  };
  CpuWhile(0.5, wait);
  Report("idle_cpu", CpuWhile(seconds, wait));
}

}  // namespace

int main(int argc, char** argv) {
  constexpr char kReportArgument[] = "--report-fd=";
  constexpr char kHoldArgument[] = "--hold=";
  double holdSeconds = 0.0;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kReportArgument, sizeof kReportArgument - 1) == 0) {
      reportFd = std::atoi(argv[i] + sizeof kReportArgument - 1);
    }
    if (std::strncmp(argv[i], kHoldArgument, sizeof kHoldArgument - 1) == 0) {
      holdSeconds = std::atof(argv[i] + sizeof kHoldArgument - 1);
    }
  }
  Mark("main");
#ifdef BARE_WINDOW_WITH_XERCES
  xercesc::XMLPlatformUtils::Initialize();
#endif
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 3;
  // As the layer does: a headless driver keeps the window's pixels in memory, without
  // an OpenGL context behind them.
  if (layer::IsHeadlessVideoDriver(SDL_GetCurrentVideoDriver())) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_Window* window =
      SDL_CreateWindow("Bare", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640, 480, SDL_WINDOW_SHOWN);
  if (window == nullptr) return 3;
  layer::ChooseRenderer(window);
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
  if (renderer == nullptr) return 3;
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  SDL_RenderPresent(renderer);
  Mark("frame");
  if (holdSeconds > 0.0) {
    SDL_RendererInfo info;
    SDL_GetRendererInfo(renderer, &info);
    Report("renderer", info.name);
    Hold(window, renderer, holdSeconds);
  }
  // Like the installer's run, the measurement ends at the first frame: no teardown.
  std::_Exit(0);
}
