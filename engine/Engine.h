// The engine's spine: start-up (log, window, device, input), the registry of scenes by
// id, and the main loop with scene switching, the overlay slot and device loss.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "engine/Scene.h"
#include "platform/win32/window_types.h"

// The registered scenes and the scenes that may fill the overlay slot, by id; neither
// owns its scenes. Id 0 of both holds g_EmptyScene once InitializeEngine has run.
extern std::map<SceneId, CTScene*> g_Scenes;
extern std::map<SceneId, CTScene*> g_Overlays;
// A scene without components: answers 0 to GetId and GetNextScene.
extern CTScene g_EmptyScene;

// The loop's state: the id of the current scene in g_Scenes and of the overlay slot's
// scene in g_Overlays (0: no overlay open, the slot holds the empty scene).
extern SceneId g_CurrentScene;
extern SceneId g_CurrentOverlay;

// Opens the log (maker and product name its folder), then makes the window, device and
// input with the rest of the arguments. False, with the reason logged, in safe mode,
// without a usable display mode or without a Direct3D device.
bool InitializeEngine(const std::wstring& maker, const std::wstring& product, const std::wstring& title,
                      std::int32_t widthA, std::int32_t heightA, std::int32_t widthB, std::int32_t heightB,
                      bool fullscreen, HINSTANCE instance, HICON smallIcon, HICON largeIcon);
// Stores the scene under its GetId, replacing any scene registered under that id.
void RegisterScene(CTScene* scene);
// Runs the main loop from the scene registered under first until the window is closed
// or the current scene answers QuitScene. An id under which no scene is registered is
// an engine ERROR that ends the program.
void RunEngine(SceneId first);
