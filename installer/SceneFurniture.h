// What the installer's scenes share: their one text colour, the font every scene makes
// from the common pack, a full picture at the top-left corner and the maker's web page.
#pragma once

#include <string>

#include "engine/Color.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/ResourceFile.h"
#include "engine/Texture.h"

inline constexpr RGB kTextBlack{0, 0, 0};

// Letter spacing 0, glyphs from the common pack's entries named "/Font....".
void LoadSceneFont(CTFont& font);
// Loads the pack entry into the texture and shows it through the image at (0, 0), at
// the picture's own size.
void ShowPictureAtOrigin(CTTexture& texture, CTCImage& image, const CTResourceFile& pack, const wchar_t* name);
// Hands the maker's web address to the desktop's browser; a failure changes nothing.
void OpenMakerWebPage();
