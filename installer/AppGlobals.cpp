// The application's long-lived objects, built after the configuration and engine
// globals and in this order within the application group (one file keeps the order):
//   g_CommonResourceFile, g_LocalResourceFile   (resource packs: defined here, above
//                                                the link, by the start-up code)
//   g_DeviceLink                                (this file)
//   g_SceneSplash ... g_SceneConfirm            (the scenes: defined here, below it)
// They are destroyed in reverse. Whoever adds the packs or the scenes adds them to this
// file in that order rather than to a file of their own.
#include "engine/StaticOrder.h"
#include "installer/DeviceLink.h"

STATIC_ORDER_APPLICATION CDeviceLink g_DeviceLink;
