// The application's long-lived objects, all in this one file because C++ orders static
// construction only within a translation unit: built after the configuration and
// engine globals, in exactly this order, and destroyed in reverse at exit.
//   the two resource packs (empty until WinMain loads them),
//   the device link (initialises COM and creates the RAPI2 desktop),
//   the seven scenes (each sets its static self pointer).
#include "engine/StaticOrder.h"
#include "installer/DeviceLink.h"
#include "installer/ResourcePacks.h"
#include "installer/SceneConfirm.h"
#include "installer/SceneInfo.h"
#include "installer/SceneInstall.h"
#include "installer/SceneMenu.h"
#include "installer/ScenePath.h"
#include "installer/SceneSplash.h"
#include "installer/SceneUninstall.h"

STATIC_ORDER_APPLICATION CTResourceFile g_CommonResourceFile;
STATIC_ORDER_APPLICATION CTResourceFile g_LocalResourceFile;
STATIC_ORDER_APPLICATION CDeviceLink g_DeviceLink;
STATIC_ORDER_APPLICATION CSceneSplash g_SceneSplash;
STATIC_ORDER_APPLICATION CSceneMenu g_SceneMenu;
STATIC_ORDER_APPLICATION CSceneInstall g_SceneInstall;
STATIC_ORDER_APPLICATION CSceneUninstall g_SceneUninstall;
STATIC_ORDER_APPLICATION CSceneInfo g_SceneInfo;
STATIC_ORDER_APPLICATION CScenePath g_ScenePath;
STATIC_ORDER_APPLICATION CSceneConfirm g_SceneConfirm;
