#include "installer/SceneInstall.h"

template class CSceneWorkerRun<InstallRun>;
