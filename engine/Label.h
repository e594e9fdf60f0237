// One line of text in a bitmap font inside a scene, placed in the component's
// rectangle by a horizontal alignment, optionally over an outline or a drop shadow.
// No line breaking, no vertical alignment, no clipping.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Color.h"
#include "engine/Component.h"
#include "engine/Font.h"

class CTCLabel : public CTComponent {
 public:
  // Stored as given; a value outside these lists draws nothing (alignment) or no copy
  // (effect).
  enum Alignment : std::uint32_t { Left = 0, Center = 1, Right = 2 };
  enum Effect : std::uint32_t { None = 0, Outline = 1, Shadow = 2 };

  CTCLabel() = default;
  ~CTCLabel() override;

  // Forgets the font after the base shutdown; the label draws nothing until it gets one.
  void Shutdown() override;
  void Draw() override;
  // Gives up the font's glyph textures when the label actually pauses. The font is
  // shared by the scene, so this releases them for every label that uses it.
  bool Pause() override;

  virtual void SetText(std::wstring newText);
  // Sets font, scale, alpha, text, colour and alignment, zeroes the size and turns the
  // effect off (its colour and offset stay). Position, visibility and state stay.
  virtual void Setup(CTFont* newFont, float newScale, std::uint8_t newAlpha, RGB newColour,
                     std::uint32_t newAlignment, std::wstring newText);
  virtual void Setup(CTFont* newFont, float newScale, std::uint8_t newAlpha, RGB newColour,
                     std::uint32_t newAlignment);
  // Initialize, then Setup: for labels that no scene initialises.
  virtual void Create(CTFont* newFont, float newScale, std::uint8_t newAlpha, RGB newColour,
                      std::uint32_t newAlignment, std::wstring newText);
  virtual void Create(CTFont* newFont, float newScale, std::uint8_t newAlpha, RGB newColour,
                      std::uint32_t newAlignment);
  virtual void SetFont(CTFont* newFont);
  virtual void SetScale(float newScale);
  virtual void SetColour(RGB newColour);
  virtual void SetAlignment(std::uint32_t newAlignment);
  virtual std::wstring GetText() const;
  virtual void SetEffect(std::uint32_t newEffect, RGB newEffectColour, float newEffectOffset);

  // Draws the effect copies and then the text with the pen (left edge of the first
  // glyph, top of the line) at (penX, penY).
  void DrawAt(float penX, float penY);

  std::uint32_t GetEffect() const { return effect; }
  CTFont* GetFont() const { return font; }
  float GetScale() const { return scale; }
  std::uint32_t GetAlignment() const { return alignment; }
  RGB GetColour() const { return colour; }
  RGB GetEffectColour() const { return effectColour; }
  float GetEffectOffset() const { return effectOffset; }

 protected:
  std::uint32_t effect = None;
  CTFont* font = nullptr;
  float scale = 0.0f;
  std::wstring text;
  std::uint32_t alignment = Left;
  RGB colour{};
  RGB effectColour{};
  float effectOffset = 0.0f;
};
