// The clickable text of the scenes. It draws its text through a label of its own over
// its whole rectangle; while the pointer is over it the text pulses from opaque to
// transparent and back. A press and a release over an enabled button call its click
// handler with the button's address.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Color.h"
#include "engine/Component.h"
#include "engine/Font.h"
#include "engine/Label.h"

class CTCBlinkButton;

// A plain function: a scene installs one for all its buttons and tells them apart by
// the address it is given.
using ClickHandler = void (*)(CTCBlinkButton* button);

class CTCBlinkButton : public CTComponent {
 public:
  enum Mode : std::int32_t { Disabled = 0, Normal = 1, Hover = 2, Pressed = 3 };

  // The pulse runs through 512 phases: opaque at 0 and 511, transparent at 255 and 256.
  static constexpr std::int32_t PhaseCount = 512;
  static constexpr std::int32_t PhaseStep = 15;
  static constexpr std::uint8_t DisabledAlpha = 127;

  CTCBlinkButton() = default;
  ~CTCBlinkButton() override;

  // Creates the label afresh (no font, empty text), so Setup comes after it. A disabled
  // button stays disabled.
  void Initialize() override;
  void Shutdown() override;
  // Advances the pulse; it does not check the state, as it draws nothing.
  void Update() override;
  void Draw() override;
  // The label follows the button's state changes, so it runs exactly while the button does.
  bool Pause() override;
  bool Resume() override;
  void OnEvent(CTEvent event) override;

  virtual void Setup(std::wstring text, CTFont* font, float scale, std::uint32_t alignment, RGB colour,
                     std::uint32_t effect, RGB effectColour, float effectOffset);
  virtual void Enable();
  virtual void Disable();
  virtual void SetClickHandler(ClickHandler handler);

  // Alpha of the text at a pulse phase in 0..511.
  static std::uint8_t PhaseAlpha(std::int32_t phase);

  Mode GetMode() const { return static_cast<Mode>(mode); }
  bool IsPressed() const { return pressed != 0; }
  bool IsHovered() const { return hovered != 0; }
  std::int32_t GetPhase() const { return phase; }
  const CTCLabel& GetLabel() const { return label; }

 protected:
  // The label's alpha for the current mode and phase.
  std::uint8_t LabelAlpha() const;

  std::uint8_t pressed = 0;
  std::uint8_t hovered = 0;
  std::int32_t mode = Normal;
  RGB colour{};
  std::uint32_t effect = CTCLabel::None;
  RGB effectColour{};
  float effectOffset = 0.0f;
  ClickHandler clickHandler = nullptr;
  CTCLabel label;
  std::int32_t phase = 0;
};
