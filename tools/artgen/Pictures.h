// The pictures of the sample distribution, drawn from shapes, gradients and titles.
// Each is laid out for where the scenes put their texts and buttons over it.
#pragma once

#include <string>

#include "tools/artgen/Canvas.h"

namespace artgen {

struct FontFiles {
  std::string regular;
  std::string bold;
};

// "/Back": 640x480, light, behind the black texts of the path, install, uninstall and
// confirm scenes.
Canvas DrawBackground(const FontFiles& fonts);
// "/Tamblor": the maker's badge on the colour key, shown centred on the black window.
Canvas DrawMakerSplash(const FontFiles& fonts);
// "/Quellor": 640x480, the game's picture; also the menu's backdrop, with a light
// panel under the menu's buttons and a light sky under its device line.
Canvas DrawGamePicture(const FontFiles& fonts);
// "/Info": 640x480, the information page; its lower part stays plain for two buttons.
Canvas DrawInfoPage(const FontFiles& fonts);
// The splash picture that is a plain file beside the program.
Canvas DrawInstallerSplash(const FontFiles& fonts);
// The program's icon at size x size, transparent round its corners.
Canvas DrawIcon(const FontFiles& fonts, int size);

}  // namespace artgen
