#include "engine/Label.h"

#include <utility>

CTCLabel::~CTCLabel() = default;

void CTCLabel::Shutdown() {
  CTComponent::Shutdown();
  font = nullptr;
}

void CTCLabel::Draw() {
  CTComponent::Draw();
  if (font == nullptr) return;
  if (alignment == Left) {
    DrawAt(x, y);
    return;
  }
  // Nothing is cached: the text, font or scale may have changed since the last frame.
  const float textWidth = font->MeasureText(text, scale);
  if (alignment == Center) {
    DrawAt(x + (width - textWidth) * 0.5f, y);
  } else if (alignment == Right) {
    DrawAt(x + width - textWidth, y);
  }
}

bool CTCLabel::Pause() {
  const bool changed = CTComponent::Pause();
  if (changed && font != nullptr) font->ReleaseGlyphs();
  return changed;
}

void CTCLabel::SetText(std::wstring newText) { text = std::move(newText); }

void CTCLabel::Setup(CTFont* newFont, float newScale, std::uint8_t newAlpha, RGB newColour,
                     std::uint32_t newAlignment, std::wstring newText) {
  font = newFont;
  scale = newScale;
  alpha = newAlpha;
  text = std::move(newText);
  width = 0.0f;
  height = 0.0f;
  colour = newColour;
  alignment = newAlignment;
  effect = None;
}

void CTCLabel::Setup(CTFont* newFont, float newScale, std::uint8_t newAlpha, RGB newColour,
                     std::uint32_t newAlignment) {
  Setup(newFont, newScale, newAlpha, newColour, newAlignment, std::wstring());
}

void CTCLabel::Create(CTFont* newFont, float newScale, std::uint8_t newAlpha, RGB newColour,
                      std::uint32_t newAlignment, std::wstring newText) {
  CTComponent::Initialize();
  Setup(newFont, newScale, newAlpha, newColour, newAlignment, std::move(newText));
}

void CTCLabel::Create(CTFont* newFont, float newScale, std::uint8_t newAlpha, RGB newColour,
                      std::uint32_t newAlignment) {
  Create(newFont, newScale, newAlpha, newColour, newAlignment, std::wstring());
}

void CTCLabel::SetFont(CTFont* newFont) { font = newFont; }
void CTCLabel::SetScale(float newScale) { scale = newScale; }
void CTCLabel::SetColour(RGB newColour) { colour = newColour; }
void CTCLabel::SetAlignment(std::uint32_t newAlignment) { alignment = newAlignment; }
std::wstring CTCLabel::GetText() const { return text; }

void CTCLabel::SetEffect(std::uint32_t newEffect, RGB newEffectColour, float newEffectOffset) {
  effect = newEffect;
  effectColour = newEffectColour;
  effectOffset = newEffectOffset;
}

void CTCLabel::DrawAt(float penX, float penY) {
  if (font == nullptr) return;
  const float d = effectOffset;
  if (effect == Outline) {
    // A sixth of the alpha per copy: four faint copies add up to a soft outline.
    const auto copyAlpha = static_cast<std::uint8_t>(alpha / 6);
    font->DrawText(text, scale, penX + d, penY + d, copyAlpha, effectColour);
    font->DrawText(text, scale, penX + d, penY - d, copyAlpha, effectColour);
    font->DrawText(text, scale, penX - d, penY - d, copyAlpha, effectColour);
    font->DrawText(text, scale, penX - d, penY + d, copyAlpha, effectColour);
  } else if (effect == Shadow) {
    font->DrawText(text, scale, penX + d, penY + d, static_cast<std::uint8_t>(alpha / 4), effectColour);
  }
  // The text goes last so that it lies on top of its copies.
  font->DrawText(text, scale, penX, penY, alpha, colour);
}
