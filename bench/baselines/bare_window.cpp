// The floor under the installer's start-up: a program of its own that creates a
// 640x480 window with a renderer, clears it and presents it once, with the drivers the
// environment names. Built twice: linked to SDL2 alone, and (BARE_WINDOW_WITH_XERCES)
// also linked to Xerces-C and initialising it first, as the installer does before its
// window. It links nothing else, so its process start is that of a real small program.
//
// bench_startup starts it with "--report-fd=N" and reads from N a line per mark:
// "main" when main starts, "frame" once the frame is presented.
#include <SDL.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef BARE_WINDOW_WITH_XERCES
#include <xercesc/util/PlatformUtils.hpp>
#endif

namespace {

int reportFd = -1;

void Mark(const char* step) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  char line[64];
  const int length =
      std::snprintf(line, sizeof line, "%s %lld.%09ld\n", step, static_cast<long long>(now.tv_sec), now.tv_nsec);
  if (reportFd >= 0 && length > 0 && ::write(reportFd, line, static_cast<std::size_t>(length)) != length) {
    std::_Exit(4);
  }
}

}  // namespace

int main(int argc, char** argv) {
  constexpr char kReportArgument[] = "--report-fd=";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kReportArgument, sizeof kReportArgument - 1) == 0) {
      reportFd = std::atoi(argv[i] + sizeof kReportArgument - 1);
    }
  }
  Mark("main");
#ifdef BARE_WINDOW_WITH_XERCES
  xercesc::XMLPlatformUtils::Initialize();
#endif
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 3;
  // As the layer does: a headless driver keeps the window's pixels in memory, without
  // an OpenGL context behind them.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  }
  SDL_Window* window =
      SDL_CreateWindow("Bare", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640, 480, SDL_WINDOW_SHOWN);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
  if (renderer == nullptr) return 3;
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  SDL_RenderPresent(renderer);
  Mark("frame");
  // Like the installer's run, the measurement ends at the first frame: no teardown.
  std::_Exit(0);
}
