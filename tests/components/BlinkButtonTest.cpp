#include <gtest/gtest.h>

#include <vector>

#include "engine/BlinkButton.h"
#include "engine/Scene.h"
#include "tests/components/LogCapture.h"

namespace {

std::vector<CTCBlinkButton*> g_clicks;
void RecordClick(CTCBlinkButton* button) { g_clicks.push_back(button); }
void DisableOnClick(CTCBlinkButton* button) {
  g_clicks.push_back(button);
  button->Disable();
}

CTEvent Kind(std::int32_t kind, bool leftDown = false) {
  CTEvent event;
  event.kind = kind;
  event.leftDown = leftDown ? 1 : 0;
  return event;
}

class BlinkButton : public testing::Test {
 protected:
  BlinkButton() {
    g_clicks.clear();
    button.Initialize();
    button.Resume();
    button.SetClickHandler(RecordClick);
  }
  void Send(std::int32_t kind, bool leftDown = false) { button.OnEvent(Kind(kind, leftDown)); }
  void Updates(int count) {
    for (int i = 0; i < count; ++i) button.Update();
  }
  // The alpha that the next draw gives the label (the label has no font, so nothing
  // reaches the device).
  std::uint8_t DrawnAlpha() {
    button.Draw();
    return button.GetLabel().GetAlpha();
  }

  CTCBlinkButton button;
};

TEST_F(BlinkButton, InMouseDownUpClicksOnceWithItsOwnAddress) {
  Send(CTEvent::MouseIn);
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Hover);
  Send(CTEvent::MouseDown);
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Pressed);
  EXPECT_TRUE(button.IsPressed());
  Send(CTEvent::MouseUp);
  EXPECT_EQ(g_clicks, (std::vector<CTCBlinkButton*>{&button}));
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Hover);
  EXPECT_FALSE(button.IsPressed());
  Send(CTEvent::MouseUp);  // a second release is no second click
  EXPECT_EQ(g_clicks.size(), 1u);
}

TEST_F(BlinkButton, ReleaseWithoutAPressOverItCallsNothing) {
  Send(CTEvent::MouseDown);  // not hovered: ignored
  EXPECT_FALSE(button.IsPressed());
  Send(CTEvent::MouseIn, /*leftDown=*/true);  // pressed outside, dragged in
  Send(CTEvent::MouseUp);
  EXPECT_TRUE(g_clicks.empty());
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Hover);
}

TEST_F(BlinkButton, DraggingOutAndBackKeepsThePressOnlyWhileTheLeftButtonIsDown) {
  Send(CTEvent::MouseIn);
  Send(CTEvent::MouseDown);
  Send(CTEvent::MouseOut);
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Normal);
  EXPECT_TRUE(button.IsPressed());
  Send(CTEvent::MouseIn, /*leftDown=*/false);  // released outside meanwhile
  EXPECT_FALSE(button.IsPressed());
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Hover);
  Send(CTEvent::MouseUp);
  EXPECT_TRUE(g_clicks.empty());

  Send(CTEvent::MouseDown);
  Send(CTEvent::MouseOut);
  Send(CTEvent::MouseIn, /*leftDown=*/true);
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Pressed);
  Send(CTEvent::MouseUp);
  EXPECT_EQ(g_clicks.size(), 1u);
}

TEST_F(BlinkButton, ReleaseOutsideEndsThePressWithoutAClick) {
  Send(CTEvent::MouseIn);
  Send(CTEvent::MouseDown);
  Send(CTEvent::MouseOut);
  Send(CTEvent::MouseUp);  // a plain call, as the scene would never route it
  EXPECT_TRUE(g_clicks.empty());
  EXPECT_FALSE(button.IsPressed());
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Normal);
}

TEST_F(BlinkButton, RightAndMiddleButtonsClickThroughTheScene) {
  button.SetRect(10.0f, 10.0f, 50.0f, 20.0f);
  CTScene scene;
  scene.AddComponent(&button);
  for (std::uint8_t index : {std::uint8_t{1}, std::uint8_t{2}}) {
    DIMOUSESTATE down{};
    down.rgbButtons[index] = 0x80;
    scene.OnEvent(CTEventMouseMove(DIMOUSESTATE{}, 20, 20));
    scene.OnEvent(CTEventMouseDown(down, 20, 20, index));
    scene.OnEvent(CTEventMouseUp(DIMOUSESTATE{}, 20, 20, index));
    scene.OnEvent(CTEventMouseMove(DIMOUSESTATE{}, 200, 200));
  }
  EXPECT_EQ(g_clicks.size(), 2u);
  // Pressed outside, released inside: the button never saw the press.
  scene.OnEvent(CTEventMouseDown(DIMOUSESTATE{}, 0, 0, 0));
  scene.OnEvent(CTEventMouseMove(DIMOUSESTATE{}, 20, 20));
  scene.OnEvent(CTEventMouseUp(DIMOUSESTATE{}, 20, 20, 0));
  EXPECT_EQ(g_clicks.size(), 2u);
}

TEST_F(BlinkButton, NullHandlerOnlyChangesTheMode) {
  button.SetClickHandler(nullptr);
  Send(CTEvent::MouseIn);
  Send(CTEvent::MouseDown);
  Send(CTEvent::MouseUp);
  EXPECT_TRUE(g_clicks.empty());
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Hover);
}

TEST_F(BlinkButton, HandlerThatDisablesItsButtonSeesItUndone) {
  button.SetClickHandler(DisableOnClick);
  Send(CTEvent::MouseIn);
  Send(CTEvent::MouseDown);
  Send(CTEvent::MouseUp);
  EXPECT_EQ(g_clicks.size(), 1u);
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Hover);
}

TEST_F(BlinkButton, OtherKindsChangeNothing) {
  Send(CTEvent::MouseIn);
  Updates(3);
  for (std::int32_t kind : std::initializer_list<std::int32_t>{CTEvent::MouseMove, CTEvent::MouseWheel, CTEvent::KeyPress, CTEvent::KeyRelease,
                            CTEvent::Symbol, 0}) {
    Send(kind);
  }
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Hover);
  EXPECT_EQ(button.GetPhase(), 45);
  EXPECT_TRUE(button.IsHovered());
  EXPECT_FALSE(button.IsPressed());
}

TEST_F(BlinkButton, DisabledButtonIgnoresEventsFreezesAndDrawsAtHalfAlpha) {
  Send(CTEvent::MouseIn);
  Updates(2);
  button.Disable();
  Send(CTEvent::MouseOut);
  Send(CTEvent::MouseDown);
  Send(CTEvent::MouseUp);
  Updates(10);
  EXPECT_TRUE(g_clicks.empty());
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Disabled);
  EXPECT_TRUE(button.IsHovered());  // kept from before
  EXPECT_EQ(button.GetPhase(), 30);
  EXPECT_EQ(DrawnAlpha(), 127);
}

TEST_F(BlinkButton, EnableDecidesByWhatTheButtonLastSaw) {
  Send(CTEvent::MouseIn);
  Updates(2);
  button.Enable();  // already enabled: nothing
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Hover);
  EXPECT_EQ(button.GetPhase(), 30);

  button.Disable();
  button.Enable();  // hovered: starts at the transparent point
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Hover);
  EXPECT_EQ(button.GetPhase(), 255);
  EXPECT_EQ(DrawnAlpha(), 0);

  Send(CTEvent::MouseDown);
  button.Disable();
  button.Enable();  // hovered and pressed
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Pressed);
  EXPECT_EQ(DrawnAlpha(), 255);

  Send(CTEvent::MouseOut);
  button.Disable();
  button.Enable();  // not hovered: at rest
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Normal);
  EXPECT_EQ(button.GetPhase(), 0);
}

TEST_F(BlinkButton, PulseRunsWhileHoveredWrappingWithTheRemainder) {
  Updates(5);
  EXPECT_EQ(button.GetPhase(), 0);  // at rest with the pointer outside
  Send(CTEvent::MouseIn);
  std::vector<int> phases, alphas;
  for (int i = 0; i < 37; ++i) {
    button.Update();
    phases.push_back(button.GetPhase());
    alphas.push_back(DrawnAlpha());
  }
  EXPECT_EQ(phases[0], 15);
  EXPECT_EQ(alphas[0], 240);
  EXPECT_EQ(phases[16], 255);
  EXPECT_EQ(alphas[16], 0);
  EXPECT_EQ(phases[17], 270);
  EXPECT_EQ(alphas[17], 14);
  EXPECT_EQ(phases[33], 510);
  EXPECT_EQ(alphas[33], 254);
  EXPECT_EQ(phases[34], 13);  // 525 - 512: the pulse goes on
  EXPECT_EQ(phases[35], 28);
  // Falling on the way out, rising on the way back.
  for (int i = 1; i <= 16; ++i) EXPECT_LT(alphas[i], alphas[i - 1]) << i;
  for (int i = 18; i <= 33; ++i) EXPECT_GT(alphas[i], alphas[i - 1]) << i;
}

TEST_F(BlinkButton, PulseThatLosesThePointerFinishesAtRest) {
  Send(CTEvent::MouseIn);
  Updates(20);
  ASSERT_EQ(button.GetPhase(), 300);
  Send(CTEvent::MouseOut);
  Updates(14);
  EXPECT_EQ(button.GetPhase(), 510);
  EXPECT_EQ(DrawnAlpha(), 254);
  button.Update();
  EXPECT_EQ(button.GetPhase(), 0);
  EXPECT_EQ(DrawnAlpha(), 255);
  Updates(3);
  EXPECT_EQ(button.GetPhase(), 0);
}

TEST_F(BlinkButton, PressRestartsThePulseButDrawsOpaque) {
  Send(CTEvent::MouseIn);
  Updates(10);
  Send(CTEvent::MouseDown);
  EXPECT_EQ(button.GetPhase(), 0);
  Updates(17);
  EXPECT_EQ(button.GetPhase(), 255);
  EXPECT_EQ(DrawnAlpha(), 255);
}

TEST_F(BlinkButton, DrawHandsRectangleColoursEffectAndAlphaToTheLabel) {
  CTFont font;  // never initialised: it draws nothing
  button.SetRect(5.0f, 6.0f, 70.0f, 8.0f);
  button.Setup(L"Install", &font, 2.0f, CTCLabel::Right, RGB{1, 2, 3}, CTCLabel::Shadow, RGB{4, 5, 6}, 1.5f);
  const CTCLabel& label = button.GetLabel();
  EXPECT_EQ(label.GetFont(), &font);
  EXPECT_EQ(label.GetScale(), 2.0f);
  EXPECT_EQ(label.GetAlignment(), CTCLabel::Right);
  EXPECT_EQ(label.GetText(), L"Install");
  EXPECT_EQ(label.GetEffect(), CTCLabel::None);  // handed over at the draw

  button.Draw();
  EXPECT_EQ(label.GetColour(), (RGB{1, 2, 3}));
  EXPECT_EQ(label.GetEffect(), CTCLabel::Shadow);
  EXPECT_EQ(label.GetEffectColour(), (RGB{4, 5, 6}));
  EXPECT_EQ(label.GetEffectOffset(), 1.5f);
  EXPECT_EQ(label.GetX(), 5.0f);
  EXPECT_EQ(label.GetY(), 6.0f);
  EXPECT_EQ(label.GetWidth(), 70.0f);
  EXPECT_EQ(label.GetHeight(), 8.0f);
}

TEST(BlinkButtonLifeCycle, InitializeRecreatesTheLabelAndKeepsDisabled) {
  CTFont font;
  CTCBlinkButton button;
  button.Setup(L"lost", &font, 1.0f, CTCLabel::Left, RGB{}, CTCLabel::None, RGB{}, 0.0f);
  button.SetRect(1.0f, 2.0f, 3.0f, 4.0f).Hide();
  button.Disable();
  button.Initialize();
  const CTCLabel& label = button.GetLabel();
  EXPECT_EQ(label.GetFont(), nullptr);
  EXPECT_EQ(label.GetText(), L"");
  EXPECT_EQ(label.GetScale(), 0.0f);
  EXPECT_EQ(label.GetAlignment(), CTCLabel::Center);
  EXPECT_EQ(label.GetState(), CTComponent::Paused);
  EXPECT_EQ(label.GetWidth(), 3.0f);
  EXPECT_EQ(label.IsVisible(), 0);
  EXPECT_EQ(button.GetMode(), CTCBlinkButton::Disabled);

  CTCBlinkButton fresh;
  fresh.OnEvent(Kind(CTEvent::MouseIn));
  fresh.Update();
  fresh.Initialize();  // forgets hover, press and pulse
  EXPECT_FALSE(fresh.IsHovered());
  EXPECT_EQ(fresh.GetPhase(), 0);
  EXPECT_EQ(fresh.GetMode(), CTCBlinkButton::Normal);
}

TEST(BlinkButtonLifeCycle, LabelRunsExactlyWhileTheButtonRuns) {
  LogCapture log;
  CTCBlinkButton button;
  button.Initialize();
  EXPECT_TRUE(button.Resume());
  EXPECT_EQ(button.GetLabel().GetState(), CTComponent::Running);
  EXPECT_TRUE(button.Pause());
  EXPECT_EQ(button.GetLabel().GetState(), CTComponent::Paused);
  EXPECT_FALSE(button.Pause());  // one warning, from the button alone
  const std::wstring text = log.Text();
  EXPECT_EQ(text.find(L"Pause in notloaded state"), text.rfind(L"Pause in notloaded state"));
  EXPECT_EQ(button.GetLabel().GetState(), CTComponent::Paused);

  button.Resume();
  button.Enter();
  button.Shutdown();
  EXPECT_EQ(button.GetState(), CTComponent::Paused);
  EXPECT_FALSE(button.IsEntered());
  EXPECT_EQ(button.GetLabel().GetState(), CTComponent::Paused);
}

TEST(BlinkButtonLifeCycle, HiddenButtonSkipsDrawingEvenItsStateCheck) {
  CTCBlinkButton button;
  button.Hide();
  button.Draw();  // uninitialised, but hidden: no error
  button.Update();
  EXPECT_EQ(button.GetState(), CTComponent::Uninitialized);
}

TEST(BlinkButtonDeathTest, DrawingAVisibleButtonThatIsNotRunningEnds) {
  GTEST_FLAG_SET(death_test_style, "fast");
  LogCapture log;
  CTCBlinkButton button;
  button.Initialize();
  EXPECT_DEATH(button.Draw(), "");
  EXPECT_TRUE(log.HasError(L"TComponent draw in incorrect state"));
  EXPECT_DEATH(button.Initialize(), "");
  EXPECT_TRUE(log.HasError(L"Twice initialize"));
}

}  // namespace
