// Plays frames to a built plugin library and prints every canvas call, so
// that two builds of the plugin can be compared call for call
// (scripts/windows.sh: the DLL under Wine against the Linux library). The
// frames are the whole-state text of scripts/scene-frames.py; the output is
// trimsight-host trace's.
//   frame_player PLUGIN FRAMES     the trace, on standard output
//   frame_player PLUGIN --record   the plugin record's fields, one a line
// Bad frames end the run with "FRAMES:LINE: what", exit status 1.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "host/GameEvents.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/RecordingCanvas.h"

namespace {

struct BadFrames : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One line's words, read in order; any missing or malformed word is an error.
class Words {
  public:
    explicit Words(const std::string& line) : in_(line) {}

    int64_t integer() {
        int64_t v = 0;
        if (!(in_ >> v)) throw BadFrames("expected an integer");
        return v;
    }
    bool flag() {
        const int64_t v = integer();
        if (v != 0 && v != 1) throw BadFrames("expected 0 or 1");
        return v == 1;
    }
    // A float given as its 32 bits in hexadecimal.
    float bits() {
        std::string word;
        if (!(in_ >> word) || word.size() != 8 ||
            word.find_first_not_of("0123456789abcdef") != std::string::npos)
            throw BadFrames("expected a float's 8 hexadecimal digits");
        const auto b = static_cast<uint32_t>(std::stoul(word, nullptr, 16));
        float f;
        std::memcpy(&f, &b, sizeof f);
        return f;
    }
    Vector vector() {
        const float x = bits();
        const float y = bits();
        return {x, y, bits()};
    }
    void end() {
        std::string rest;
        if (in_ >> rest) throw BadFrames("more words than a frame has");
    }

  private:
    std::istringstream in_;
};

class FramePlayer {
  public:
    FramePlayer(pluginsdk::CVarStore& cvars, pluginsdk::GameHost& game)
        : cvars_(cvars), game_(game) {
        for (const auto& s : cvars.list()) registered_.emplace(s.definition.name, s.definition);
        canvas_.reserve(1024);
    }

    void play(const std::string& line, std::FILE* out) {
        if (line.rfind("cvar ", 0) == 0) return setVariable(line.substr(5));
        if (line.rfind("remove ", 0) == 0) return removeVariable(line.substr(7));
        if (line.rfind("frame ", 0) == 0) return drawFrame(line.substr(6), out);
        throw BadFrames("expected cvar, remove or frame");
    }

  private:
    const pluginsdk::CVarDefinition& definition(const std::string& name) const {
        const auto it = registered_.find(name);
        if (it == registered_.end())
            throw BadFrames("the plugin registered no console variable " + name);
        return it->second;
    }
    void setVariable(const std::string& rest) {
        const std::size_t space = rest.find(' ');
        const std::string name = rest.substr(0, space);
        const std::string text = space == std::string::npos ? "" : rest.substr(space + 1);
        if (!cvars_.find(name)) cvars_.registerCvar(definition(name));
        cvars_.setRaw(name, text);
    }
    void removeVariable(const std::string& name) {
        definition(name);
        cvars_.remove(name);
    }
    void drawFrame(const std::string& rest, std::FILE* out) {
        Words w(rest);
        Vector2 size;
        size.X = static_cast<int32_t>(w.integer());
        size.Y = static_cast<int32_t>(w.integer());
        pluginsdk::GameState& g = game_.state;
        g.paused = w.flag();
        g.freeplay = w.flag();
        g.customTraining = w.flag();
        const bool replay = w.flag();
        g.hasBall = w.flag();
        g.car.location = w.vector();
        g.car.velocity = w.vector();
        g.car.rotation.Pitch = static_cast<int32_t>(w.integer());
        g.car.rotation.Yaw = static_cast<int32_t>(w.integer());
        g.car.rotation.Roll = static_cast<int32_t>(w.integer());
        g.car.input = ControllerInput{};
        g.car.input.Steer = w.bits();
        g.car.input.Pitch = w.bits();
        g.ball.location = w.vector();
        g.ball.velocity = w.vector();
        w.end();

        // The replay events fire where the flag turns, as the host's scene player fires them.
        if (replay && !replay_) game_.fireEvent(gameevents::kReplayBegin);
        if (!replay && replay_) game_.fireEvent(gameevents::kReplayEnd);
        replay_ = replay;

        canvas_.clear();
        canvas_.setSize(size);
        game_.drawFrame(canvas_);
        std::fprintf(out, "frame %zu\n", frames_++);
        for (const pluginsdk::CanvasCall& call : canvas_.calls()) {
            const std::string text = pluginsdk::formatCall(call);
            std::fputs(text.c_str(), out);
            std::fputc('\n', out);
        }
    }

    pluginsdk::CVarStore& cvars_;
    pluginsdk::GameHost& game_;
    std::map<std::string, pluginsdk::CVarDefinition> registered_;
    pluginsdk::RecordingCanvas canvas_;
    bool replay_ = false;
    std::size_t frames_ = 0;
};

void printRecord(const BakkesMod::Plugin::PluginInfo& r) {
    std::printf(
        "apiVersion %d\nsourcePath %s\npluginClass %s\ndisplayName %s\nversionText %s\n"
        "typeFlags %u\n",
        static_cast<int>(r.apiVersion), r.sourcePath, r.pluginClass, r.displayName, r.versionText,
        static_cast<unsigned>(r.typeFlags));
}

int play(const std::string& framesPath, pluginsdk::CVarStore& cvars, pluginsdk::GameHost& game) {
    std::ifstream in(framesPath, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "frame_player: cannot read %s\n", framesPath.c_str());
        return 1;
    }
    FramePlayer player(cvars, game);
    std::string line;
    std::size_t number = 0;
    try {
        if (!std::getline(in, line) || line != "trimsight-frames 1")
            throw BadFrames("expected the first line \"trimsight-frames 1\"");
        ++number;
        while (std::getline(in, line)) {
            ++number;
            player.play(line, stdout);
        }
    } catch (const BadFrames& e) {
        std::fprintf(stderr, "%s:%zu: %s\n", framesPath.c_str(), number + (number == 0), e.what());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: frame_player PLUGIN FRAMES | frame_player PLUGIN --record\n");
        return 2;
    }
    // A trace is long: written in large blocks.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    // The host's side outlives the plugin, which releases itself from it.
    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    std::string error;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin = pluginsdk::LoadedPlugin::open(argv[1], error);
    if (!plugin) {
        std::fprintf(stderr, "frame_player: %s\n", error.c_str());
        return 1;
    }
    if (std::strcmp(argv[2], "--record") == 0) {
        printRecord(plugin->info());
        return 0;
    }
    if (!plugin->load(cvars, game, &error)) {
        std::fprintf(stderr, "frame_player: %s\n", error.c_str());
        return 1;
    }
    const int status = play(argv[2], cvars, game);
    plugin->release();
    return std::fflush(stdout) == 0 ? status : 1;
}
