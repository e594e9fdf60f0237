#include "platform/testkit/layer.h"

#include "platform/d3d9/direct3d_switches.h"
#include "platform/dinput8/input_state.h"
#include "platform/testkit/display.h"
#include "platform/win32/cursor_internal.h"
#include "platform/win32/sdl_video.h"
#include "platform/win32/system_metrics_internal.h"
#include "platform/win32/window_internal.h"

namespace testkit {

void ResetLayer() {
  layer::DestroyAllWindowsQuietly();
  layer::WatchEmptyQueue(nullptr);
  layer::DiscardSdlEvents();
  layer::InputState::Instance().ReleaseAll();
  layer::ClearCursorOverride();
  layer::OverrideScreenSize(0, 0);
  layer::OverrideCleanBoot(0);
  layer::Switches() = layer::Direct3DSwitches{};
  ForgetLastFrame();
}

}  // namespace testkit
