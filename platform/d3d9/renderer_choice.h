// Which SDL renderer the devices draw with. Where OpenGL is only a software rasteriser
// (Mesa's llvmpipe, softpipe or swrast: virtual machines, remote desktops, Xvfb),
// drawing through it costs several times the memory, start-up and CPU of SDL's own
// software renderer putting the window's pixels straight into the X server. Needs SDL
// and Xlib only: the bare programs of bench/ make their windows with it too.
#pragma once

#include <SDL.h>

#include <functional>

namespace layer {

// What tells, without loading OpenGL, how OpenGL on an X display would draw.
struct OpenGlFacts {
  bool softwareForced = false;  // LIBGL_ALWAYS_SOFTWARE asks Mesa for its rasteriser
  bool glx = false;             // the X server offers GLX at all
  bool vendorGlx = false;       // a GPU maker's own GLX (NVIDIA's NV-GLX)
  bool dri = false;             // the X server offers DRI3 or DRI2
  bool drmDevice = false;       // this machine has a graphics device node (/dev/dri)
};

// An environment variable's value that asks for something: set, and neither "0" nor
// "false".
bool SaysYes(const char* value);
// What the X server offers, asked one extension at a time (GLX, NV-GLX, DRI3, DRI2).
OpenGlFacts ServerFacts(const std::function<bool(const char* extension)>& offers);
// A folder of device nodes (/dev/dri) holds a graphics card's or a render node.
bool HasDrmDevice(const char* folder);

// Mesa draws on a GPU only through the server's DRI and a local device node; without
// them it falls back to its software rasterisers. A maker's own GLX needs neither.
bool IsSoftwareOpenGl(const OpenGlFacts& facts);

// Called before a window's first renderer. On the X11 driver, when OpenGL is software,
// asks SDL for its software renderer and for window pixels that do not go through
// OpenGL, as defaults: a user's SDL_RENDER_DRIVER or SDL_FRAMEBUFFER_ACCELERATION still
// wins. Decides once per process; other drivers are left as they are.
void ChooseRenderer(SDL_Window* window);

}  // namespace layer
