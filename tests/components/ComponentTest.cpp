#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/Component.h"
#include "tests/components/LogCapture.h"

namespace {

// Counts the virtual Pause and Leave calls that Shutdown must go through.
class CountingComponent : public CTComponent {
 public:
  bool Pause() override {
    ++pauses;
    return CTComponent::Pause();
  }
  bool Leave() override {
    ++leaves;
    return CTComponent::Leave();
  }
  int pauses = 0;
  int leaves = 0;
};

void MakeRunning(CTComponent& component) {
  component.Initialize();
  component.Resume();
}

TEST(ComponentGeometry, NewComponentIsEmptyVisibleOpaqueAndUninitialized) {
  CTComponent component;
  const CTComponent::Rect rect = component.GetRect();
  EXPECT_EQ(rect.x, 0.0f);
  EXPECT_EQ(rect.y, 0.0f);
  EXPECT_EQ(rect.width, 0.0f);
  EXPECT_EQ(rect.height, 0.0f);
  EXPECT_FALSE(component.HitTest(0.0f, 0.0f));
  EXPECT_EQ(component.IsVisible(), 1);
  EXPECT_EQ(component.GetAlpha(), 255);
  EXPECT_EQ(component.GetState(), CTComponent::Uninitialized);
  EXPECT_FALSE(component.IsEntered());
  EXPECT_FALSE(component.IsMouseInside());
}

TEST(ComponentGeometry, HitTestTakesTheLeftEdgeAndLeavesTheOthers) {
  CTComponent component;
  component.SetRect(10.0f, 20.0f, 100.0f, 30.0f);
  EXPECT_TRUE(component.HitTest(10.0f, 25.0f));    // left edge
  EXPECT_FALSE(component.HitTest(110.0f, 25.0f));  // right edge
  EXPECT_FALSE(component.HitTest(50.0f, 20.0f));   // top edge
  EXPECT_TRUE(component.HitTest(50.0f, 49.5f));
  EXPECT_FALSE(component.HitTest(50.0f, 50.0f));  // bottom edge
  EXPECT_FALSE(component.HitTest(9.999f, 25.0f));
  EXPECT_TRUE(component.HitTest(109.99f, 20.01f));
}

TEST(ComponentGeometry, HitTestCountsNaNAsOutsideAndIgnoresVisibilityAlphaAndState) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  CTComponent component;
  component.SetRect(0.0f, 0.0f, 10.0f, 10.0f);
  EXPECT_FALSE(component.HitTest(nan, 5.0f));
  EXPECT_FALSE(component.HitTest(5.0f, nan));
  component.SetWidth(nan);
  EXPECT_FALSE(component.HitTest(5.0f, 5.0f));

  component.SetWidth(10.0f).Hide();
  component.SetAlpha(0);
  EXPECT_TRUE(component.HitTest(5.0f, 5.0f));  // uninitialised, hidden, transparent
}

TEST(ComponentGeometry, SettersChainInAnyStateAndStayIndependent) {
  CTComponent component;
  CTComponent& result = component.SetPosition(1.5f, 2.5f).SetSize(3.0f, 4.0f).Hide().SetAlpha(0);
  EXPECT_EQ(&result, &component);
  EXPECT_EQ(component.GetPosition().x, 1.5f);
  EXPECT_EQ(component.GetPosition().y, 2.5f);
  EXPECT_EQ(component.GetSize().width, 3.0f);
  EXPECT_EQ(component.GetSize().height, 4.0f);
  EXPECT_EQ(component.IsVisible(), 0);
  EXPECT_EQ(component.GetAlpha(), 0);

  component.Show();  // showing keeps the alpha, and alpha keeps visibility
  EXPECT_EQ(component.GetAlpha(), 0);
  component.SetAlpha(200);
  EXPECT_EQ(component.IsVisible(), 1);
  component.SetVisible(7).SetX(-5.0f).SetY(-6.0f).SetWidth(-1.0f).SetHeight(1e30f);
  EXPECT_EQ(component.IsVisible(), 7);  // stored without a check
  EXPECT_EQ(component.GetX(), -5.0f);
  EXPECT_EQ(component.GetY(), -6.0f);
  EXPECT_EQ(component.GetWidth(), -1.0f);
  EXPECT_EQ(component.GetHeight(), 1e30f);
  EXPECT_EQ(component.GetState(), CTComponent::Uninitialized);
}

TEST(ComponentLifeCycle, EnterAndLeaveReportChangesInAnyState) {
  CTComponent component;
  EXPECT_FALSE(component.Leave());
  EXPECT_TRUE(component.Enter());
  EXPECT_FALSE(component.Enter());
  EXPECT_EQ(component.GetState(), CTComponent::Uninitialized);
  component.Initialize();  // clears the entered flag
  EXPECT_FALSE(component.IsEntered());
  EXPECT_EQ(component.GetState(), CTComponent::Paused);
  EXPECT_TRUE(component.Enter());
  EXPECT_TRUE(component.Leave());
  EXPECT_FALSE(component.Leave());
}

TEST(ComponentLifeCycle, PauseAndResumeWarnWhenNothingChanges) {
  LogCapture log;
  CTComponent component;
  component.Initialize();
  EXPECT_FALSE(component.Pause());
  EXPECT_TRUE(log.HasWarning(L"Pause in notloaded state"));
  EXPECT_EQ(component.GetState(), CTComponent::Paused);

  EXPECT_TRUE(component.Resume());
  EXPECT_EQ(component.GetState(), CTComponent::Running);
  component.Update();
  component.Draw();
  EXPECT_FALSE(log.HasWarning(L"Resume in loaded state"));
  EXPECT_FALSE(component.Resume());
  EXPECT_TRUE(log.HasWarning(L"Resume in loaded state"));
  EXPECT_EQ(component.GetState(), CTComponent::Running);

  EXPECT_TRUE(component.Pause());
  EXPECT_EQ(component.GetState(), CTComponent::Paused);
}

TEST(ComponentLifeCycle, ShutdownPausesAndLeavesThroughTheOverrides) {
  LogCapture log;
  CountingComponent running;
  MakeRunning(running);
  running.Enter();
  running.Shutdown();
  EXPECT_EQ(running.pauses, 1);
  EXPECT_EQ(running.leaves, 1);
  EXPECT_EQ(running.GetState(), CTComponent::Paused);
  EXPECT_FALSE(running.IsEntered());

  CountingComponent paused;
  paused.Initialize();
  paused.Shutdown();  // already paused and never entered: nothing to do, nothing logged
  EXPECT_EQ(paused.pauses, 0);
  EXPECT_EQ(paused.leaves, 0);
  EXPECT_TRUE(log.Empty());
}

using ComponentDeathTest = testing::Test;

TEST_F(ComponentDeathTest, MisuseOfTheLifeCycleEndsTheProgramWithItsError) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Case {
    const wchar_t* message;
    CTComponent::State state;
    void (*misuse)(CTComponent&);
  };
  const Case cases[] = {
      {L"Twice initialize", CTComponent::Paused, [](CTComponent& c) { c.Initialize(); }},
      {L"Twice initialize", CTComponent::Running, [](CTComponent& c) { c.Initialize(); }},
      {L"Pause without initialize", CTComponent::Uninitialized, [](CTComponent& c) { c.Pause(); }},
      {L"Resume without initialize", CTComponent::Uninitialized, [](CTComponent& c) { c.Resume(); }},
      {L"Pause without initialize", CTComponent::Uninitialized, [](CTComponent& c) { c.Shutdown(); }},
      {L"TComponent update in incorrect state", CTComponent::Uninitialized, [](CTComponent& c) { c.Update(); }},
      {L"TComponent update in incorrect state", CTComponent::Paused, [](CTComponent& c) { c.Update(); }},
      {L"TComponent draw in incorrect state", CTComponent::Uninitialized, [](CTComponent& c) { c.Draw(); }},
      {L"TComponent draw in incorrect state", CTComponent::Paused, [](CTComponent& c) { c.Draw(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(layer::WideToUtf8(c.message));
    LogCapture log;
    CTComponent component;
    if (c.state != CTComponent::Uninitialized) component.Initialize();
    if (c.state == CTComponent::Running) component.Resume();
    EXPECT_DEATH(c.misuse(component), "");
    EXPECT_TRUE(log.HasError(c.message));
    EXPECT_EQ(component.GetState(), c.state);  // the parent saw nothing happen
  }
}

}  // namespace
