// The browser build's host (web/PageHost.h) enters the plugin linked into
// the program; its trace of a scene must equal, byte for byte, what
// trimsight-host prints for the library it loads.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "scene/DemoScene.h"
#include "testkit/ProgramRunner.h"
#include "web/PageHost.h"

namespace {

struct Printed {
    int code = 0;
    std::string text;
};

Printed pageTrace(const std::string& sceneText) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    Printed printed;
    printed.code = web::traceScene(sceneText, stream, stream);
    std::fclose(stream);
    printed.text.assign(buffer, size);
    std::free(buffer);
    return printed;
}

TEST(PageHost, TracesEverySceneAsTheHostProgramDoes) {
    hosttest::TempDir dir;
    hosttest::writeFile(dir.file("demo.json"), scene::demoSceneText());
    const std::string scenes = std::string(TRIMSIGHT_SOURCE_DIR) + "/scenes/";
    for (const std::string& path :
         {scenes + "aerial.json", scenes + "gating.json", scenes + "peripheral-band.json",
          scenes + "replay.json", dir.file("demo.json")}) {
        const hosttest::RunResult host =
            hosttest::runHost({"--config", dir.file("none.json"), "trace", path}, {});
        ASSERT_EQ(host.exitCode, 0) << path << ": " << host.err;
        const Printed page = pageTrace(*hosttest::readFile(path));
        EXPECT_EQ(page.code, 0) << path;
        EXPECT_TRUE(page.text == host.out) << path << ": the traces differ";
    }
}

TEST(PageHost, EachTraceStartsFromAFreshPlugin) {
    // A level car on a 1280x720 canvas, traced before and after a scene that
    // leaves the dial in peripheral mode, at its largest, inside a replay.
    const std::string level = R"({"canvas": [1280, 720], "car": {"rotation": [0, 0, 0]}})";
    const std::string changing = R"({"game": {"replay": true}, "cvars": {
        "peripheral_mode_enabled": "1", "trimsight_size": "5"}})";
    const Printed before = pageTrace(level);
    ASSERT_EQ(before.code, 0) << before.text;
    ASSERT_NE(before.text.find("FillTriangle"), std::string::npos) << before.text;
    EXPECT_EQ(pageTrace(changing).code, 0);
    EXPECT_EQ(pageTrace(level).text, before.text);
}

TEST(PageHost, ABadSceneIsRefusedWithItsPlace) {
    const Printed bad = pageTrace(R"({"frames": [{"car": {"wheels": 4}}]})");
    EXPECT_EQ(bad.code, 4);
    EXPECT_NE(bad.text.find("frames[0].car"), std::string::npos) << bad.text;
}

}  // namespace
