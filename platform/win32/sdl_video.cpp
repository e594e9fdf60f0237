#include "platform/win32/sdl_video.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/win32/window_internal.h"

namespace layer {
namespace {

std::vector<SdlEventSink*>& Sinks() {
  static std::vector<SdlEventSink*> sinks;
  return sinks;
}

bool IsWindowMessageSource(Uint32 type) {
  return type == SDL_WINDOWEVENT || type == SDL_TEXTINPUT || type == SDL_QUIT;
}

}  // namespace

bool EnsureVideo() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!ok) return;
    // Headless drivers keep window pixels in memory; building them through an OpenGL
    // context would load a GL driver for nothing.
    if (IsHeadlessVideoDriver(SDL_GetCurrentVideoDriver())) {
      SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    }
    // Typed characters arrive as text input; SDL only reports it while started.
    SDL_StartTextInput();
  });
  return ok;
}

void AddSdlEventSink(SdlEventSink* sink) { Sinks().push_back(sink); }

void RemoveSdlEventSink(SdlEventSink* sink) {
  auto& sinks = Sinks();
  sinks.erase(std::remove(sinks.begin(), sinks.end(), sink), sinks.end());
}

void PumpSdlEvents() {
  if (!EnsureVideo()) return;
  SDL_PumpEvents();
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
    if (IsWindowMessageSource(event.type)) {
      RouteWindowEvent(event);
      continue;
    }
    // A sink may add or remove sinks while it runs, so walk a copy (kept between
    // events: mouse motion comes in floods and should not allocate).
    static std::vector<SdlEventSink*> sinks;
    sinks.assign(Sinks().begin(), Sinks().end());
    for (SdlEventSink* sink : sinks) {
      const auto& live = Sinks();
      if (std::find(live.begin(), live.end(), sink) != live.end()) sink->OnSdlEvent(event);
    }
  }
}

void DiscardSdlEvents() {
  if (!EnsureVideo()) return;
  SDL_PumpEvents();
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

}  // namespace layer
