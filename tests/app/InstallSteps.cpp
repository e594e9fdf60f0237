#include "tests/app/InstallSteps.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "engine/Config.h"
#include "engine/Font.h"
#include "installer/SceneInstall.h"
#include "installer/SceneSplash.h"
#include "platform/win32/strings.h"
#include "tests/app/FrameChecks.h"

namespace apptest {

namespace {

bool SplashHolds(int picture) {
  return g_SceneSplash.GetStage() == CSceneSplash::StartPictures && g_SceneSplash.GetPictureIndex() == picture &&
         g_SceneSplash.GetPhase() == CSceneSplash::Hold;
}

// The result line's rectangle, inside the frame drawn round the window's edge.
constexpr Rect kResultLine{40, 230, 560, 40};
// Black text over the light backdrop, with the lighter half of its anti-aliased edges
// taken for backdrop.
constexpr int kInk = 160;
// The side bearings of the first and last letters.
constexpr float kEdgeSlack = 8.0f;
// Letters of a word stand at most a few columns apart; a space leaves twice that.
constexpr int kWordGap = 10;

}  // namespace

std::string Text(const wchar_t* section, int index) { return layer::WideToUtf8(LookupText(section, index)); }

void SkipSplash(Journey& journey) {
  journey.WaitUntil("first picture held", [] { return SplashHolds(0); })
      .Click(kRest)
      .WaitUntil("second picture held", [] { return SplashHolds(1); })
      .Key(SDL_SCANCODE_SPACE)
      .WaitForScene(MenuScene);
}

void InstallOn(Journey& journey, int location) {
  journey.Click(kMenuInstall)
      .WaitForScene(PathScene)
      .Click(Location(location))
      .WaitForScene(InstallScene)
      .WaitUntil("the worker's result", [] { return g_SceneInstall.GetResultLabel().IsVisible() != 0; })
      // One frame drawn with the result lines, and the pointer still.
      .WaitFrames(2);
}

::testing::AssertionResult ResultLineShows(const testkit::Frame& frame, const CTCLabel& resultLabel,
                                           const std::string& expectedText) {
  const std::string text = layer::WideToUtf8(resultLabel.GetText());
  if (!resultLabel.IsVisible()) return ::testing::AssertionFailure() << "the result line is hidden";
  if (text != expectedText) return ::testing::AssertionFailure() << "the result line says \"" << text << "\"";
  if (frame.width != 640 || frame.height != 480) return ::testing::AssertionFailure() << "no frame was presented";

  // Where the font puts the text's spaces, the line centred as the label centres it.
  CTFont& font = *resultLabel.GetFont();
  const std::wstring wide = resultLabel.GetText();
  const float width = font.MeasureText(wide, resultLabel.GetScale());
  float pen = 320.0f - width / 2;
  std::vector<float> spaces;
  for (const wchar_t unit : wide) {
    const float step = font.MeasureText(std::wstring(1, unit), resultLabel.GetScale());
    if (unit == L' ') spaces.push_back(pen + step / 2);
    pen += step;
  }

  // What the frame shows: the ink's extent and the gaps between its words.
  std::vector<bool> inked(kResultLine.width, false);
  for (int x = 0; x < kResultLine.width; ++x) {
    for (int y = kResultLine.y; y < kResultLine.y + kResultLine.height && !inked[x]; ++y) {
      inked[x] = Brightness(frame.At(kResultLine.x + x, y)) < kInk;
    }
  }
  const auto first = std::find(inked.begin(), inked.end(), true);
  if (first == inked.end()) return ::testing::AssertionFailure() << "no text is drawn on the result line";
  const int left = kResultLine.x + static_cast<int>(first - inked.begin());
  const int right = kResultLine.x + kResultLine.width - 1 -
                    static_cast<int>(std::find(inked.rbegin(), inked.rend(), true) - inked.rbegin());
  std::vector<std::pair<int, int>> gaps;
  for (int x = left, run = 0; x <= right; ++x) {
    if (!inked[x - kResultLine.x]) {
      ++run;
      continue;
    }
    if (run >= kWordGap) gaps.emplace_back(x - run, x - 1);
    run = 0;
  }

  auto failure = [&] {
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    result << "the ink spans " << left << ".." << right << " with word gaps at";
    for (const auto& [from, to] : gaps) result << " " << from << ".." << to;
    result << "; \"" << expectedText << "\" would span " << 320 - width / 2 << ".." << 320 + width / 2
           << " with spaces at";
    for (const float space : spaces) result << " " << space;
    return result;
  };
  if (std::abs(left - (320 - width / 2)) > kEdgeSlack || std::abs(right - (320 + width / 2)) > kEdgeSlack) {
    return failure();
  }
  if (gaps.size() != spaces.size()) return failure();
  for (std::size_t i = 0; i < gaps.size(); ++i) {
    if (spaces[i] < gaps[i].first || spaces[i] > gaps[i].second) return failure();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace apptest
