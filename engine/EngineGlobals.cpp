// The engine's global objects, defined in one place so that they are built in this
// order (after the configuration globals, before the application's) and destroyed in
// reverse. None of them owns what it points to.
#include <string>
#include <vector>

#include "engine/StaticOrder.h"

class CTTexture;
class CTFont;

STATIC_ORDER_ENGINE std::vector<CTTexture*> g_Textures;
STATIC_ORDER_ENGINE std::vector<CTFont*> g_Fonts;
// g_Scenes, g_Overlays and g_EmptyScene follow here, in that order, with the main loop.
STATIC_ORDER_ENGINE std::wstring g_LogPath;
