// The layer's one connection to SDL's video and event subsystems (internal). SDL's
// event queue has a single reader, PumpSdlEvents, which hands every event to the part
// of the layer it concerns: window events and typed text become window messages,
// keyboard and mouse events feed DirectInput's state, render resets lose the device.
#pragma once

#include <SDL.h>

namespace layer {

// A video driver without a display (offscreen, dummy: tests, benchmarks), which keeps
// window pixels in memory.
inline bool IsHeadlessVideoDriver(const char* driver) {
  return driver != nullptr && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
}

// Starts SDL's video subsystem once; false when there is no video driver at all.
bool EnsureVideo();

class SdlEventSink {
 public:
  virtual void OnSdlEvent(const SDL_Event& event) = 0;

 protected:
  ~SdlEventSink() = default;
};

void AddSdlEventSink(SdlEventSink* sink);
void RemoveSdlEventSink(SdlEventSink* sink);

// Takes every event SDL holds and routes it. UI thread only (SDL's rule).
void PumpSdlEvents();
// Throws away every event SDL holds without routing it (test kit).
void DiscardSdlEvents();

}  // namespace layer
