#include "platform/d3d9/renderer_choice.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <dirent.h>

#include <cstdlib>
#include <cstring>

namespace layer {
namespace {

// One round trip to the server per extension; a GL context to read its renderer
// string would load Mesa's driver instead, tens of milliseconds and of MiB.
OpenGlFacts AskDisplay(Display* display) {
  OpenGlFacts facts = ServerFacts([display](const char* extension) {
    int opcode = 0, event = 0, error = 0;
    return XQueryExtension(display, extension, &opcode, &event, &error) != False;
  });
  facts.softwareForced = SaysYes(std::getenv("LIBGL_ALWAYS_SOFTWARE"));
  facts.drmDevice = HasDrmDevice("/dev/dri");
  return facts;
}

}  // namespace

bool SaysYes(const char* value) {
  return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0 && std::strcmp(value, "false") != 0;
}

OpenGlFacts ServerFacts(const std::function<bool(const char* extension)>& offers) {
  OpenGlFacts facts;
  facts.glx = offers("GLX");
  facts.vendorGlx = offers("NV-GLX");
  facts.dri = offers("DRI3") || offers("DRI2");
  return facts;
}

bool HasDrmDevice(const char* folder) {
  DIR* nodes = opendir(folder);
  if (nodes == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(nodes)) {
    if (std::strncmp(entry->d_name, "card", 4) == 0 || std::strncmp(entry->d_name, "renderD", 7) == 0) {
      found = true;
      break;
    }
  }
  closedir(nodes);
  return found;
}

bool IsSoftwareOpenGl(const OpenGlFacts& facts) {
  if (facts.softwareForced || !facts.glx) return true;
  if (facts.vendorGlx) return false;
  return !(facts.dri && facts.drmDevice);
}

void ChooseRenderer(SDL_Window* window) {
  static bool chosen = false;
  if (chosen || window == nullptr) return;
  chosen = true;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "x11") != 0) return;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  if (!IsSoftwareOpenGl(AskDisplay(info.info.x11.display))) return;
  SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "software", SDL_HINT_DEFAULT);
  SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
}

}  // namespace layer
