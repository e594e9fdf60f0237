// The engine's global objects, defined in one place so that they are built in this
// order (after the configuration globals, before the application's) and destroyed in
// reverse. None of them owns what it points to.
#include <map>
#include <string>
#include <vector>

#include "engine/Scene.h"
#include "engine/StaticOrder.h"

class CTTexture;
class CTFont;

STATIC_ORDER_ENGINE std::vector<CTTexture*> g_Textures;
STATIC_ORDER_ENGINE std::vector<CTFont*> g_Fonts;
STATIC_ORDER_ENGINE std::map<SceneId, CTScene*> g_Scenes;
STATIC_ORDER_ENGINE std::map<SceneId, CTScene*> g_Overlays;
STATIC_ORDER_ENGINE CTScene g_EmptyScene;
STATIC_ORDER_ENGINE std::wstring g_LogPath;
