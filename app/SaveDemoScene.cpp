// `render --save-demo-scene FILE`: the built-in demo as a scene file to start
// one's own from; nothing is rendered.
#include "app/RenderJobs.h"
#include "desktop/OutputFile.h"
#include "scene/DemoScene.h"

namespace app {

int saveDemoScene(const std::string& path, std::FILE* out, std::FILE* err) {
    std::string text = scene::demoSceneText();
    text += '\n';
    if (base::Status written = desktop::writeOutputFile(path, text, 0666); !written) {
        printError(err, "cannot write " + path + ": " + written.error());
        return kExitPicture;
    }
    std::fprintf(out, "wrote %s\n", path.c_str());
    return kExitOk;
}

}  // namespace app
