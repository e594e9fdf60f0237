#include "engine/Component.h"

#include "engine/Log.h"

CTComponent::~CTComponent() = default;

void CTComponent::Initialize() {
  if (state != Uninitialized) FailWithError(L"Twice initialize");
  state = Paused;
  entered = 0;
}

void CTComponent::Shutdown() {
  if (state != Paused) Pause();
  if (entered) Leave();
}

bool CTComponent::Enter() {
  if (entered) return false;
  entered = 1;
  return true;
}

bool CTComponent::Leave() {
  if (!entered) return false;
  entered = 0;
  return true;
}

void CTComponent::Update() {
  if (state != Running) FailWithError(L"TComponent update in incorrect state");
}

void CTComponent::Draw() {
  if (state != Running) FailWithError(L"TComponent draw in incorrect state");
}

bool CTComponent::Pause() {
  if (state == Uninitialized) FailWithError(L"Pause without initialize");
  if (state == Paused) {
    WriteLog(LogWarning, L"Pause in notloaded state");
    return false;
  }
  state = Paused;
  return true;
}

bool CTComponent::Resume() {
  if (state == Uninitialized) FailWithError(L"Resume without initialize");
  if (state == Running) {
    WriteLog(LogWarning, L"Resume in loaded state");
    return false;
  }
  state = Running;
  return true;
}

bool CTComponent::HitTest(float px, float py) const {
  // Every comparison with a NaN is false, so a NaN anywhere counts as outside.
  return x <= px && px < x + width && y < py && py < y + height;
}

void CTComponent::OnEvent(CTEvent) {}

float CTComponent::GetX() const { return x; }
float CTComponent::GetY() const { return y; }
float CTComponent::GetWidth() const { return width; }
float CTComponent::GetHeight() const { return height; }
CTComponent::Position CTComponent::GetPosition() const { return {x, y}; }
CTComponent::Size CTComponent::GetSize() const { return {width, height}; }
CTComponent::Rect CTComponent::GetRect() const { return {x, y, width, height}; }
std::uint8_t CTComponent::IsVisible() const { return visible; }
std::uint8_t CTComponent::GetAlpha() const { return alpha; }

CTComponent& CTComponent::SetX(float value) {
  x = value;
  return *this;
}

CTComponent& CTComponent::SetY(float value) {
  y = value;
  return *this;
}

CTComponent& CTComponent::SetWidth(float value) {
  width = value;
  return *this;
}

CTComponent& CTComponent::SetHeight(float value) {
  height = value;
  return *this;
}

CTComponent& CTComponent::SetPosition(float newX, float newY) {
  x = newX;
  y = newY;
  return *this;
}

CTComponent& CTComponent::SetSize(float newWidth, float newHeight) {
  width = newWidth;
  height = newHeight;
  return *this;
}

CTComponent& CTComponent::SetRect(float newX, float newY, float newWidth, float newHeight) {
  x = newX;
  y = newY;
  width = newWidth;
  height = newHeight;
  return *this;
}

CTComponent& CTComponent::Show() {
  visible = 1;
  return *this;
}

CTComponent& CTComponent::Hide() {
  visible = 0;
  return *this;
}

CTComponent& CTComponent::SetVisible(std::uint8_t value) {
  visible = value;
  return *this;
}

CTComponent& CTComponent::SetAlpha(std::uint8_t value) {
  alpha = value;
  return *this;
}
