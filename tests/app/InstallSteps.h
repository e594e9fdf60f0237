// The user's steps through the installer's scenes to an installation or a removal,
// and what the install and uninstall scenes show once their worker has ended.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "engine/Label.h"
#include "platform/testkit/display.h"
#include "tests/app/Journey.h"

namespace apptest {

// Where the scenes put their buttons.
constexpr Point kMenuInstall = Middle(310, 240, 300, 30);
constexpr Point kMenuExit = Middle(310, 400, 300, 30);
constexpr Point Location(int index) { return Middle(0, 170 + 40 * index, 640, 40); }
constexpr Point kConfirmYes = Middle(0, 260, 640, 40);
// Out of every button's way.
constexpr Point kRest{20, 470};

// A text of the configuration's table, as UTF-8.
std::string Text(const wchar_t* section, int index);

// Both start pictures cut short, then the menu.
void SkipSplash(Journey& journey);
// From the menu through the choice of location into the install scene, up to the
// frame in which the worker's result shows.
void InstallOn(Journey& journey, int location);

// The result line of a finished run shows the text of its status: the label holds it,
// and the frame has its ink centred, as wide as the font makes that text, with the
// gaps between words where the font puts the text's spaces. Checked on a frame
// presented after the result showed.
::testing::AssertionResult ResultLineShows(const testkit::Frame& frame, const CTCLabel& resultLabel,
                                           const std::string& expectedText);

}  // namespace apptest
