#include "engine/BlinkButton.h"

#include <utility>

CTCBlinkButton::~CTCBlinkButton() = default;

void CTCBlinkButton::Initialize() {
  CTComponent::Initialize();
  label.Create(nullptr, 0.0f, 255, RGB{0, 0, 0}, CTCLabel::Center, std::wstring());
  label.SetRect(x, y, width, height);
  label.SetVisible(visible);
  pressed = 0;
  hovered = 0;
  phase = 0;
  if (mode != Disabled) mode = Normal;
}

void CTCBlinkButton::Shutdown() {
  CTComponent::Shutdown();
  label.Shutdown();
}

void CTCBlinkButton::Update() {
  if (mode == Disabled) return;
  // At rest with the pointer outside, the pulse stays at rest.
  if (phase != 0 || hovered) phase += PhaseStep;
  if (phase >= PhaseCount) {
    // Hovered, the pulse goes on with the remainder; otherwise it ends back at opaque.
    phase = hovered ? phase - PhaseCount : 0;
  }
}

void CTCBlinkButton::Draw() {
  if (!visible) return;
  label.SetRect(x, y, width, height);
  label.SetEffect(effect, effectColour, effectOffset);
  label.SetColour(colour);
  label.SetAlpha(LabelAlpha());
  label.Draw();
  CTComponent::Draw();
}

bool CTCBlinkButton::Pause() {
  const bool changed = CTComponent::Pause();
  if (changed) label.Pause();
  return changed;
}

bool CTCBlinkButton::Resume() {
  const bool changed = CTComponent::Resume();
  if (changed) label.Resume();
  return changed;
}

void CTCBlinkButton::OnEvent(CTEvent event) {
  if (mode == Disabled) return;
  switch (event.kind) {
    case CTEvent::MouseDown:
      if (hovered) {
        phase = 0;
        pressed = 1;
        mode = Pressed;
      }
      break;
    case CTEvent::MouseUp:
      if (pressed && hovered && clickHandler != nullptr) clickHandler(this);
      pressed = 0;
      // Read after the handler: it runs inside the scene's dispatch and may change things.
      mode = hovered ? Hover : Normal;
      break;
    case CTEvent::MouseIn:
      // A press survives leaving and coming back only while the left button stays down.
      if (event.leftDown == 0) pressed = 0;
      hovered = 1;
      mode = pressed ? Pressed : Hover;
      break;
    case CTEvent::MouseOut:
      mode = Normal;
      hovered = 0;
      break;
    default:
      break;
  }
}

void CTCBlinkButton::Setup(std::wstring text, CTFont* font, float scale, std::uint32_t alignment, RGB newColour,
                           std::uint32_t newEffect, RGB newEffectColour, float newEffectOffset) {
  label.SetAlignment(alignment);
  label.SetFont(font);
  label.SetScale(scale);
  label.SetText(std::move(text));
  effectOffset = newEffectOffset;
  colour = newColour;
  effect = newEffect;
  effectColour = newEffectColour;
}

void CTCBlinkButton::Enable() {
  if (mode != Disabled) return;
  if (hovered) {
    // Enabled under the pointer: the pulse starts at its transparent point.
    phase = 255;
    mode = pressed ? Pressed : Hover;
  } else {
    mode = Normal;
    phase = 0;
  }
}

void CTCBlinkButton::Disable() { mode = Disabled; }

void CTCBlinkButton::SetClickHandler(ClickHandler handler) { clickHandler = handler; }

std::uint8_t CTCBlinkButton::PhaseAlpha(std::int32_t pulsePhase) {
  return static_cast<std::uint8_t>(pulsePhase < 256 ? 255 - pulsePhase : pulsePhase - 256);
}

std::uint8_t CTCBlinkButton::LabelAlpha() const {
  switch (mode) {
    case Disabled:
      return DisabledAlpha;
    case Pressed:
      return 255;
    default:
      return PhaseAlpha(phase);
  }
}
