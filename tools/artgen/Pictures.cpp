#include "tools/artgen/Pictures.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "tools/artgen/FontFace.h"
#include "tools/artgen/Shapes.h"
#include "tools/artgen/Text.h"

namespace artgen {

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// The window is cleared to black before a splash picture is drawn, so soft edges of
// keyed pictures are blended against black.
constexpr Colour kWindowClear = Rgb(0, 0, 0);

// Where the menu draws over the game picture: four buttons 300 pixels wide at x 310,
// rows from y 240 to 430, and its device line at (5, 5).
constexpr Box kMenuButtonPanel{298, 226, 622, 444};

constexpr Colour kInk = Rgb(40, 42, 56);
constexpr Colour kNavy = Rgb(32, 52, 98);
constexpr Colour kGold = Rgb(224, 178, 74);

// A gentle rolling skyline made of two sines.
std::function<float(float)> Hills(float base, float a1, float p1, float a2, float p2, float phase) {
  return [=](float x) {
    return base + a1 * std::sin(x / p1 + phase) + a2 * std::sin(x / p2 + phase * 1.7f);
  };
}

// Where the info scene puts its two buttons (0, 380 and 0, 440, each 640 x 30): the
// frame of the info page ends above them, so that no line runs through their texts.
constexpr float kInfoButtonsTop = 380;

// Frame shared by the light pages: a line and a finer one 6 pixels inside it.
void DrawPageFrame(Canvas& canvas, float bottom, Colour outer, Colour inner) {
  StrokeRoundedRect(canvas, Box{14, 14, 626, bottom}, 18, 2, Solid(outer));
  StrokeRoundedRect(canvas, Box{20, 20, 620, bottom - 6}, 14, 1, Solid(inner));
}

void DrawRule(Canvas& canvas, float y, float x0, float x1, Colour c) {
  FillRect(canvas, Box{x0, y, x1, y + 1}, Solid(c));
  float mid = (x0 + x1) * 0.5f;
  FillConvexPolygon(canvas, {{mid - 5, y + 0.5f}, {mid, y - 4.5f}, {mid + 5, y + 0.5f}, {mid, y + 5.5f}},
                    Solid(c));
}

}  // namespace

Canvas DrawBackground(const FontFiles& fonts) {
  Canvas canvas(kScreenWidth, kScreenHeight, Rgb(0, 0, 0));
  FillRect(canvas, Box{0, 0, kScreenWidth, kScreenHeight},
           VerticalGradient(0, Rgb(250, 246, 234), kScreenHeight, Rgb(226, 234, 245)));
  // Faint washes in two corners keep the page from looking flat without darkening it.
  FillCircle(canvas, -30, 520, 230, RadialGradient(-30, 520, 230, Rgb(200, 215, 236, 150), Rgb(200, 215, 236, 0)));
  FillCircle(canvas, 680, -40, 200, RadialGradient(680, -40, 200, Rgb(240, 222, 190, 160), Rgb(240, 222, 190, 0)));
  DrawPageFrame(canvas, kScreenHeight - 14, Rgb(150, 165, 192), Rgb(196, 205, 220));

  FontFace title(fonts.bold, 22);
  DrawCentredText(canvas, title, U"Quellor Mobile", kScreenWidth / 2.0f, 32, 560,
                  TextStyle{.fill = Solid(Rgb(96, 110, 140))});
  DrawRule(canvas, 72, 230, 410, Rgb(170, 180, 200));
  AvoidColourKey(canvas);
  return canvas;
}

Canvas DrawMakerSplash(const FontFiles& fonts) {
  Canvas canvas(440, 240);  // transparent until flattened onto the key
  Box badge{10, 10, 430, 230};
  FillRoundedRect(canvas, badge, 30, VerticalGradient(10, Rgb(44, 78, 132), 230, Rgb(18, 32, 66)));
  StrokeRoundedRect(canvas, Box{18, 18, 422, 222}, 24, 2.5f, Solid(kGold));

  // The emblem: a drum seen from above, a gold disc with a ring and the maker's T.
  FillCircle(canvas, 104, 120, 66, RadialGradient(90, 100, 80, Rgb(250, 216, 130), Rgb(196, 138, 40)));
  StrokeCircle(canvas, 104, 120, 54, 3, Solid(Rgb(120, 78, 20)));
  FontFace emblem(fonts.bold, 72);
  DrawCentredText(canvas, emblem, U"T", 104, 120 - (emblem.Ascender() + emblem.Descender()) / 2 + 4, 100,
                  TextStyle{.fill = Solid(kNavy)});

  FontFace name(fonts.bold, 42);
  DrawCentredText(canvas, name, U"TAMBLOR", 300, 64, 236,
                  TextStyle{.fill = Solid(Rgb(255, 255, 255)), .shadow = Rgb(0, 0, 0, 110), .shadowOffset = 2});
  FontFace games(fonts.regular, 26);
  DrawCentredText(canvas, games, U"G A M E S", 300, 128, 236, TextStyle{.fill = Solid(kGold)});
  return FlattenForColourKey(canvas, kWindowClear);
}

Canvas DrawGamePicture(const FontFiles& fonts) {
  Canvas canvas(kScreenWidth, kScreenHeight, Rgb(0, 0, 0));
  // Sky: light at the top left, where the menu writes its device line in black.
  FillRect(canvas, Box{0, 0, kScreenWidth, kScreenHeight},
           VerticalGradient(0, Rgb(184, 214, 240), 330, Rgb(252, 234, 200)));
  FillCircle(canvas, 150, 270, 130, RadialGradient(150, 270, 130, Rgb(255, 244, 200, 200), Rgb(255, 244, 200, 0)));
  FillCircle(canvas, 150, 270, 44, Solid(Rgb(255, 226, 140)));

  FillBelowCurve(canvas, Hills(300, 26, 60, 12, 23, 0.4f), Solid(Rgb(150, 168, 200)));
  FillBelowCurve(canvas, Hills(352, 18, 75, 7, 31, 2.1f), VerticalGradient(330, Rgb(120, 170, 112), 480, Rgb(84, 140, 90)));

  // A watchtower on the near hill.
  FillRect(canvas, Box{66, 262, 112, 372}, VerticalGradient(262, Rgb(150, 140, 150), 372, Rgb(104, 96, 112)));
  FillConvexPolygon(canvas, {{58, 264}, {120, 264}, {89, 212}}, Solid(Rgb(172, 64, 58)));
  FillRoundedRect(canvas, Box{82, 284, 96, 304}, 7, Solid(Rgb(60, 50, 70)));
  FillBelowCurve(canvas, Hills(412, 14, 48, 6, 19, 1.0f), VerticalGradient(390, Rgb(78, 136, 84), 480, Rgb(48, 100, 62)));

  FontFace title(fonts.bold, 84);
  DrawCentredText(canvas, title, U"Quellor", kScreenWidth / 2.0f, 36, 600,
                  TextStyle{.fill = VerticalGradient(56, Rgb(255, 226, 130), 126, Rgb(222, 136, 40)),
                            .outline = Rgb(58, 38, 28),
                            .outlineWidth = 3,
                            .shadow = Rgb(0, 0, 0, 90),
                            .shadowOffset = 4});
  FontFace subtitle(fonts.bold, 28);
  DrawCentredText(canvas, subtitle, U"MOBILE", kScreenWidth / 2.0f, 140, 600,
                  TextStyle{.fill = Solid(Rgb(255, 255, 255)), .outline = Rgb(58, 38, 28), .outlineWidth = 2});

  // The menu's buttons write black text: give them a calm, light panel.
  FillRoundedRect(canvas, kMenuButtonPanel, 16, Solid(Rgb(255, 252, 244, 215)));
  StrokeRoundedRect(canvas, kMenuButtonPanel, 16, 2, Solid(Rgb(96, 78, 60, 200)));
  FillRect(canvas, Box{340, 294, 580, 295}, Solid(Rgb(190, 176, 158)));
  AvoidColourKey(canvas);
  return canvas;
}

Canvas DrawInfoPage(const FontFiles& fonts) {
  Canvas canvas(kScreenWidth, kScreenHeight, Rgb(0, 0, 0));
  FillRect(canvas, Box{0, 0, kScreenWidth, kScreenHeight},
           VerticalGradient(0, Rgb(251, 247, 236), kScreenHeight, Rgb(238, 230, 212)));
  DrawPageFrame(canvas, kInfoButtonsTop - 10, Rgb(170, 150, 120), Rgb(210, 196, 172));

  FontFace title(fonts.bold, 40);
  FontFace heading(fonts.bold, 20);
  FontFace body(fonts.regular, 20);
  const int width = 580;
  const float centre = kScreenWidth / 2.0f;
  DrawCentredText(canvas, title, U"Quellor Mobile", centre, 36, width,
                  TextStyle{.fill = Solid(Rgb(62, 52, 96))});
  DrawCentredText(canvas, body, U"a game by Tamblor Games", centre, 90, width,
                  TextStyle{.fill = Solid(Rgb(112, 100, 124))});
  DrawRule(canvas, 130, 200, 440, Rgb(180, 160, 130));

  TextStyle text{.fill = Solid(kInk)};
  DrawCentredText(canvas, body, U"An adventure for Windows Mobile handhelds.", centre, 150, width, text);
  DrawCentredText(canvas, heading, U"What the handheld needs", centre, 206, width, text);
  DrawCentredText(canvas, body, U"Windows Mobile 5.0 or later", centre, 240, width, text);
  DrawCentredText(canvas, body, U"3 to 8 MB of free space (main memory or a card)", centre, 270, width, text);
  DrawCentredText(canvas, body, U"A connection to this computer", centre, 300, width, text);
  // Below the frame the scene draws its two buttons in black.
  AvoidColourKey(canvas);
  return canvas;
}

Canvas DrawInstallerSplash(const FontFiles& fonts) {
  Canvas canvas(560, 220);  // transparent until flattened onto the key
  Box card{8, 8, 552, 212};
  FillRoundedRect(canvas, card, 24, VerticalGradient(8, Rgb(244, 247, 252), 212, Rgb(204, 218, 238)));
  StrokeRoundedRect(canvas, card, 24, 3, Solid(kNavy));
  FontFace title(fonts.bold, 48);
  DrawCentredText(canvas, title, U"Quellor Mobile", 280, 52, 500,
                  TextStyle{.fill = Solid(kNavy), .shadow = Rgb(0, 0, 0, 50), .shadowOffset = 2});
  DrawRule(canvas, 124, 170, 390, Rgb(120, 140, 176));
  FontFace line(fonts.regular, 22);
  DrawCentredText(canvas, line, U"Installer for Windows Mobile handhelds", 280, 142, 500,
                  TextStyle{.fill = Solid(Rgb(70, 82, 106))});
  return FlattenForColourKey(canvas, kWindowClear);
}

Canvas DrawIcon(const FontFiles& fonts, int size) {
  if (size < 8) throw std::invalid_argument("icons are at least 8 pixels");
  Canvas canvas(size, size);
  float s = static_cast<float>(size);
  FillRoundedRect(canvas, Box{0, 0, s, s}, s * 0.22f, VerticalGradient(0, Rgb(78, 128, 206), s, Rgb(28, 58, 128)));
  // Centre the letter by its ink, not its line box, so it sits in the middle.
  FontFace face(fonts.bold, std::max(6, static_cast<int>(std::lround(s * 0.78f))));
  CoverageMask mask = RenderTextMask(face, U"Q", 0);
  int left = mask.width, right = -1, top = mask.height, bottom = -1;
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (mask.At(x, y) > 0.0f) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  int x = static_cast<int>(std::lround((s - (right - left + 1)) * 0.5f)) - left;
  int y = static_cast<int>(std::lround((s - (bottom - top + 1)) * 0.5f)) - top;
  BlendMask(canvas, mask, x, y, Solid(Rgb(255, 255, 255)));
  return canvas;
}

}  // namespace artgen
