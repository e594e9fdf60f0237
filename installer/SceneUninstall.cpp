#include "installer/SceneUninstall.h"

template class CSceneWorkerRun<UninstallRun>;
