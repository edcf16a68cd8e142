#pragma once
// A flight log played as the scene it exports to (sandbox/SceneExport.h),
// built in memory without the text: a four-hour log exports to some 300 MB
// of scene text, past what a scene file may hold. The frames themselves are
// the sandbox's (forEachExportFrame); this makes them this library's scene
// frames, which the sandbox does not know.
#include "sandbox/FlightLog.h"
#include "sandbox/SceneExport.h"
#include "scene/Scene.h"

namespace scene {

// The scene a log exports to (sandbox::exportScene), frame for frame what
// reading that text back gives, built straight from the log. The options
// must be valid (sandbox::checkSceneExport).
SceneFrames sceneFromFlightLog(const sandbox::FlightLog& log,
                               const sandbox::SceneExportOptions& options);

}  // namespace scene
