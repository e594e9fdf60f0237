#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "engine/Component.h"
#include "tests/textures/TextureTestKit.h"

namespace {

TEST(Component, HitTestTakesTheLeftEdgeOnlyAndSettersChainIndependently) {
  CTComponent c;
  EXPECT_FALSE(c.HitTest(0.0f, 0.0f));  // no area yet
  EXPECT_EQ(&c.SetRect(10.0f, 20.0f, 100.0f, 30.0f).SetAlpha(0).Hide(), &c);
  EXPECT_EQ(c.GetAlpha(), 0);  // hidden keeps its alpha, and neither stops hits
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (auto [x, y, hit] : {std::tuple{10.0f, 25.0f, true}, {110.0f, 25.0f, false}, {50.0f, 20.0f, false},
                           {50.0f, 49.5f, true}, {50.0f, 50.0f, false}, {nan, 25.0f, false}}) {
    EXPECT_EQ(c.HitTest(x, y), hit) << x << "," << y;
  }
  EXPECT_EQ(c.GetState(), CTComponent::Uninitialized);
}

// Shutdown must go through the virtual Pause and Leave.
struct Counting : CTComponent {
  bool Pause() override { return ++pauses, CTComponent::Pause(); }
  bool Leave() override { return ++leaves, CTComponent::Leave(); }
  int pauses = 0, leaves = 0;
};

TEST(Component, LifeCycleReportsChangesAndWarnsWhenNothingChanges) {
  textures_test::LogCapture log;
  Counting c;
  // Braces evaluate left to right.
  EXPECT_EQ((std::tuple{c.Leave(), c.Enter(), c.Enter()}), std::tuple(false, true, false));
  c.Initialize();  // clears the entered flag
  EXPECT_FALSE(c.IsEntered());
  // Update and Draw are allowed while running, between the second and the third answer.
  EXPECT_EQ((std::tuple{c.Pause(), c.Resume(), (c.Update(), c.Draw(), c.Resume())}), std::tuple(false, true, false));
  EXPECT_EQ(log.Lines(),
            (std::vector<std::wstring>{L"WARNING  Pause in notloaded state", L"WARNING  Resume in loaded state"}));
  c.Enter();
  c.Shutdown();
  c.Shutdown();  // paused and left already: neither again
  EXPECT_EQ(std::tuple(c.GetState(), c.pauses, c.leaves), std::tuple(CTComponent::Paused, 2, 2));
}

TEST(ComponentDeathTest, MisuseOfTheLifeCycleEndsWithItsError) {
  // initialisedTo: 0 no, 1 paused, 2 running.
  const struct { const char* message; int initialisedTo; void (*misuse)(CTComponent&); } cases[] = {
      {"Twice initialize", 1, [](CTComponent& c) { c.Initialize(); }},
      {"Twice initialize", 2, [](CTComponent& c) { c.Initialize(); }},
      {"Pause without initialize", 0, [](CTComponent& c) { c.Pause(); }},
      {"Pause without initialize", 0, [](CTComponent& c) { c.Shutdown(); }},
      {"Resume without initialize", 0, [](CTComponent& c) { c.Resume(); }},
      {"TComponent update in incorrect state", 0, [](CTComponent& c) { c.Update(); }},
      {"TComponent update in incorrect state", 1, [](CTComponent& c) { c.Update(); }},
      {"TComponent draw in incorrect state", 0, [](CTComponent& c) { c.Draw(); }},
      {"TComponent draw in incorrect state", 1, [](CTComponent& c) { c.Draw(); }},
  };
  for (const auto& test : cases) {
    CTComponent c;
    if (test.initialisedTo > 0) c.Initialize();
    if (test.initialisedTo > 1) c.Resume();
    EXPECT_DEATH(test.misuse(c), test.message);
  }
}

}  // namespace
