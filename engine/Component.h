// Base of everything drawn inside a scene: a rectangle in client pixels, visibility,
// alpha and a three-state life cycle whose misuse ends the program with a logged error.
#pragma once

#include <cstdint>

#include "engine/Event.h"

class CTComponent {
 public:
  enum State : std::int32_t { Uninitialized = 0, Paused = 1, Running = 2 };

  struct Position {
    float x;
    float y;
  };
  struct Size {
    float width;
    float height;
  };
  struct Rect {
    float x;
    float y;
    float width;
    float height;
  };

  CTComponent() = default;
  CTComponent(const CTComponent&) = delete;
  CTComponent& operator=(const CTComponent&) = delete;
  virtual ~CTComponent();

  // Life cycle. Overrides call the base first and do their own work only when it
  // reports a change.
  virtual void Initialize();
  virtual void Shutdown();
  virtual bool Enter();
  virtual bool Leave();
  virtual void Update();
  virtual void Draw();
  virtual bool Pause();
  virtual bool Resume();

  // Left edge inside, top, right and bottom edges outside.
  virtual bool HitTest(float px, float py) const;
  virtual void OnEvent(CTEvent event);

  virtual float GetX() const;
  virtual float GetY() const;
  virtual float GetWidth() const;
  virtual float GetHeight() const;
  virtual Position GetPosition() const;
  virtual Size GetSize() const;
  virtual Rect GetRect() const;
  virtual std::uint8_t IsVisible() const;
  virtual std::uint8_t GetAlpha() const;

  // Setters store what they are given in any state and return the component so that
  // calls chain.
  virtual CTComponent& SetX(float value);
  virtual CTComponent& SetY(float value);
  virtual CTComponent& SetWidth(float value);
  virtual CTComponent& SetHeight(float value);
  virtual CTComponent& SetPosition(float newX, float newY);
  virtual CTComponent& SetSize(float newWidth, float newHeight);
  virtual CTComponent& SetRect(float newX, float newY, float newWidth, float newHeight);
  virtual CTComponent& Show();
  virtual CTComponent& Hide();
  virtual CTComponent& SetVisible(std::uint8_t value);
  virtual CTComponent& SetAlpha(std::uint8_t value);

  State GetState() const { return static_cast<State>(state); }
  bool IsEntered() const { return entered != 0; }
  bool IsMouseInside() const { return mouseInside != 0; }

 protected:
  // Hover tracking belongs to the scene that routes the pointer events.
  friend class CTScene;

  std::uint8_t mouseInside = 0;
  float x = 0.0f;
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
  std::uint8_t entered = 0;
  std::uint8_t visible = 1;
  std::uint8_t alpha = 255;
  std::int32_t state = Uninitialized;
};
