#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/BlinkButton.h"
#include "engine/Scene.h"
#include "tests/textures/TextureTestKit.h"

namespace {

std::vector<CTCBlinkButton*> g_clicks;
void Record(CTCBlinkButton* button) { g_clicks.push_back(button); }
void RecordAndDisable(CTCBlinkButton* button) { Record(button), button->Disable(); }

// A running button at (10, 10), 50x20, fed by its scene.
class BlinkButton : public testing::Test {
 protected:
  BlinkButton() {
    g_clicks.clear();
    scene.AddComponent(&button);
    scene.Initialize();
    scene.Resume();
    button.SetRect(10.0f, 10.0f, 50.0f, 20.0f);
    button.SetClickHandler(Record);
  }
  static DIMOUSESTATE Buttons(BYTE left) { return DIMOUSESTATE{0, 0, 0, {left, 0, 0, 0}}; }
  void MoveTo(std::int32_t x, BYTE left = 0) { scene.OnEvent(CTEventMouseMove(Buttons(left), x, 20)); }
  void Down(std::int32_t x, std::uint8_t index = 0) { scene.OnEvent(CTEventMouseDown(Buttons(0x80), x, 20, index)); }
  void Up(std::int32_t x, std::uint8_t index = 0) { scene.OnEvent(CTEventMouseUp(Buttons(0), x, 20, index)); }
  void Updates(int count) { while (count-- > 0) scene.Update(); }
  int DrawnAlpha() {  // the label has no font: a draw only sets its alpha
    scene.Draw();
    return button.GetLabel().GetAlpha();
  }
  CTScene scene;
  CTCBlinkButton button;
};

TEST_F(BlinkButton, ClicksWhenAnyMouseButtonGoesDownAndUpOverIt) {
  using enum CTCBlinkButton::Mode;
  // Each step sends one event through the scene at x: 'M' a move with that left button
  // byte, 'D' and 'U' that mouse button down and up; then the mode and the clicks so far.
  const struct { char event; std::int32_t x; BYTE arg; CTCBlinkButton::Mode mode; std::size_t clicks; } steps[] = {
      {'D', 100, 0, Normal, 0}, {'M', 20, 0x80, Hover, 0}, {'U', 20, 0, Hover, 0},  // pressed outside, released inside
      {'D', 20, 1, Pressed, 0}, {'M', 100, 0x80, Normal, 0},  // dragged out: still pressed, ...
      {'M', 20, 0, Hover, 0},   {'U', 20, 1, Hover, 0},       // ... until it is back with the left button up
      {'D', 20, 0, Pressed, 0}, {'M', 100, 0x80, Normal, 0}, {'M', 20, 0x80, Pressed, 0},  // back with it down
      {'U', 20, 0, Hover, 1},   {'U', 20, 0, Hover, 1},
      {'D', 20, 2, Pressed, 1}, {'M', 100, 0x80, Normal, 1},  // released over it before a move brought the
      {'U', 20, 2, Normal, 1},                                // pointer back: it still counts as out
  };
  for (const auto& step : steps) {
    if (step.event == 'M') MoveTo(step.x, step.arg);
    if (step.event == 'D') Down(step.x, step.arg);
    if (step.event == 'U') Up(step.x, step.arg);
    EXPECT_EQ(std::tuple(button.GetMode(), g_clicks.size()), std::tuple(step.mode, step.clicks)) << &step - steps;
  }
  EXPECT_EQ(g_clicks, std::vector{&button});
  MoveTo(20);
  button.SetClickHandler(RecordAndDisable);  // its change is undone after it returns
  Down(20, 2);
  Up(20, 2);
  EXPECT_EQ(std::tuple(g_clicks.size(), button.GetMode()), std::tuple(2u, Hover));
}

TEST_F(BlinkButton, DisabledIgnoresEventsFreezesAndEnableDecidesByWhatItLastSaw) {
  MoveTo(20);
  Updates(2);
  button.Enable();  // enabled already: nothing changes
  EXPECT_EQ(button.GetPhase(), 30);
  button.Disable();
  MoveTo(100);
  Down(20);
  Up(20);
  Updates(5);
  EXPECT_EQ(std::tuple(g_clicks.size(), button.GetPhase(), DrawnAlpha()), std::tuple(0u, 30, 127));
  button.Enable();  // it still counts as hovered: the pulse restarts transparent
  EXPECT_EQ(std::tuple(button.GetMode(), DrawnAlpha()), std::tuple(CTCBlinkButton::Hover, 0));
  auto seenThenDisabledAndEnabled = [this](CTEvent event) { button.OnEvent(event), button.Disable(), button.Enable(); };
  seenThenDisabledAndEnabled(CTEventMouseDown(Buttons(0x80), 5, 5, 0));
  EXPECT_EQ(std::tuple(button.GetMode(), DrawnAlpha()), std::tuple(CTCBlinkButton::Pressed, 255));
  seenThenDisabledAndEnabled(CTEventMouseOut(Buttons(0), 100, 5));
  EXPECT_EQ(std::tuple(button.GetMode(), button.GetPhase()), std::tuple(CTCBlinkButton::Normal, 0));
}

// The phase steps by 15 while hovered and wraps at 512 keeping the remainder; the alpha
// falls from 255 at phase 0 to 0 at 255 and 256, and is back at 255 at 511.
TEST_F(BlinkButton, PulseRunsWhileHoveredAndFinishesAtRestAfterTheLeave) {
  for (auto [phase, alpha] : {std::pair{255, 0}, {256, 0}, {511, 255}}) EXPECT_EQ(CTCBlinkButton::PhaseAlpha(phase), alpha);
  button.Hide();
  Updates(3);
  EXPECT_EQ(button.GetPhase(), 0);  // at rest, pointer outside
  MoveTo(20);
  Updates(1);
  EXPECT_EQ(button.GetPhase(), 15);  // hidden buttons pulse too
  button.Show();
  // 512 updates of 15 end at 512 exactly; left at 300, the pulse runs on to 510, then rests at 0.
  const struct { int updates, phase, alpha; } pulse[] = {
      {17, 255, 0},   {18, 270, 14},  {34, 510, 254}, {35, 13, 242}, {36, 28, 227},
      {512, 0, 255},  {532, 300, 44}, {546, 510, 254}, {549, 0, 255}};
  for (int done = 1; const auto& row : pulse) {
    if (row.updates == 546) MoveTo(100);
    Updates(row.updates - std::exchange(done, row.updates));
    EXPECT_EQ(std::tuple(button.GetPhase(), DrawnAlpha()), std::tuple(row.phase, row.alpha)) << row.updates;
  }
}

TEST(BlinkButtonLifeCycle, InitializeRecreatesTheLabelWhichFollowsTheButton) {
  textures_test::LogCapture log;
  CTFont font;
  CTCBlinkButton button;
  button.Setup(L"lost", &font, 1.0f, CTCLabel::Left, RGB{}, CTCLabel::None, RGB{}, 0.0f);
  button.SetRect(1.0f, 2.0f, 3.0f, 4.0f).Hide();
  button.Disable();
  button.Draw();  // hidden: not even the state check
  button.Initialize();
  const CTCLabel& label = button.GetLabel();
  EXPECT_EQ(std::tuple(label.GetFont(), label.GetText(), int(label.GetAlignment()), label.GetWidth(), int(label.IsVisible()),
                       button.GetMode()),
            std::tuple(nullptr, L"", int(CTCLabel::Center), 3.0f, 0, CTCBlinkButton::Disabled));
  button.Setup(L"Go", &font, 2.0f, CTCLabel::Right, RGB{1, 2, 3}, CTCLabel::Shadow, RGB{4, 5, 6}, 1.5f);
  EXPECT_EQ((std::tuple{button.Resume(), button.Resume()}), std::tuple(true, false));
  EXPECT_EQ(log.Lines(), std::vector<std::wstring>{L"WARNING  Resume in loaded state"});  // the label was not resumed twice
  button.Show();
  button.Draw();  // hands colour and effect to the label
  EXPECT_EQ(std::tuple(label.GetColour(), int(label.GetEffect()), label.GetEffectColour(), label.GetText()),
            std::tuple(RGB{1, 2, 3}, int(CTCLabel::Shadow), RGB{4, 5, 6}, L"Go"));
  button.Shutdown();
  EXPECT_EQ(label.GetState(), CTComponent::Paused);
  EXPECT_DEATH(button.Draw(), "TComponent draw in incorrect state");
}

}  // namespace
