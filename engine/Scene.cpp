#include "engine/Scene.h"

#include <cmath>
#include <limits>

namespace {

// Truncates toward zero. A component may sit anywhere (even at NaN or far outside the
// int range), so out-of-range differences saturate instead of overflowing.
std::int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  constexpr double low = std::numeric_limits<std::int32_t>::min();
  constexpr double high = std::numeric_limits<std::int32_t>::max();
  if (value <= low) return std::numeric_limits<std::int32_t>::min();
  if (value >= high) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

bool IsPointerMovement(std::int32_t kind) {
  return kind == CTEvent::MouseMove || kind == CTEvent::MouseIn || kind == CTEvent::MouseOut;
}

bool IsPointerAction(std::int32_t kind) {
  return kind == CTEvent::MouseDown || kind == CTEvent::MouseUp || kind == CTEvent::MouseWheel;
}

}  // namespace

CTScene::~CTScene() = default;

void CTScene::Initialize() {
  ForEachComponent([](CTComponent* component) { component->Initialize(); });
}

void CTScene::Shutdown() {
  ForEachComponent([](CTComponent* component) { component->Shutdown(); });
}

void CTScene::Enter() {
  ForEachComponent([](CTComponent* component) { component->Enter(); });
}

void CTScene::Leave() {
  ForEachComponent([](CTComponent* component) { component->Leave(); });
}

void CTScene::Update() {
  ForEachComponent([](CTComponent* component) { component->Update(); });
}

void CTScene::Draw() {
  ForEachComponent([](CTComponent* component) {
    if (component->IsVisible()) component->Draw();
  });
}

void CTScene::Pause() {
  ForEachComponent([](CTComponent* component) { component->Pause(); });
}

void CTScene::Resume() {
  ForEachComponent([](CTComponent* component) { component->Resume(); });
}

SceneId CTScene::GetId() { return NoScene; }

SceneId CTScene::GetNextScene() { return NoScene; }

void CTScene::OnEvent(CTEvent event) {
  const bool movement = IsPointerMovement(event.kind);
  if (!movement && !IsPointerAction(event.kind)) return;

  ForEachComponent([&](CTComponent* component) {
    const bool hit = component->HitTest(static_cast<float>(event.x), static_cast<float>(event.y));
    std::int32_t delivered = 0;
    if (movement) {
      // Whatever the incoming kind, each component sees its own crossing.
      if (hit) {
        delivered = component->mouseInside ? CTEvent::MouseMove : CTEvent::MouseIn;
        component->mouseInside = 1;
      } else if (component->mouseInside) {
        delivered = CTEvent::MouseOut;
        component->mouseInside = 0;
      }
    } else if (hit) {
      delivered = event.kind;
    }
    if (delivered == 0) return;

    CTEvent relative = event;
    relative.kind = delivered;
    relative.x = TruncateToInt32(static_cast<double>(event.x) - static_cast<double>(component->GetX()));
    relative.y = TruncateToInt32(static_cast<double>(event.y) - static_cast<double>(component->GetY()));
    component->OnEvent(relative);
  });
}

void CTScene::AddComponent(CTComponent* component) { components.push_back(component); }
