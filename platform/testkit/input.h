// Test kit: input as the user would give it. Everything goes in as SDL events (or, for
// the cursor position, the layer's cursor), so it reaches the window procedure and
// DirectInput exactly as real input does: when the layer next looks at its events.
#pragma once

#include <string>

#include "platform/win32/window_types.h"

namespace testkit {

// scancode: an SDL_Scancode (physical key).
void PressKey(int scancode);
void ReleaseKey(int scancode);
// button: DirectInput's index, 0 left, 1 right, 2 middle, 3 fourth.
void PressMouseButton(int button);
void ReleaseMouseButton(int button);
// Notches away from the user are positive.
void TurnWheel(float notches);
// The cursor moves to a screen position (also outside every window).
void MoveCursorTo(int screenX, int screenY);
// The cursor moves to a position in the window's client coordinates.
void MoveCursorToClient(HWND window, int x, int y);
// Typed text as the keyboard's text input delivers it (UTF-8).
void TypeText(const std::string& utf8);
void GainFocus(HWND window);
void LoseFocus(HWND window);
// The user closes the window (the close button of its caption).
void CloseWindow(HWND window);

}  // namespace testkit
