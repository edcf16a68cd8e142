#include "app/RenderWorld.h"

#include <utility>

#include "fly/FlySession.h"
#include "fly/window/DrillPanel.h"
#include "fly/window/Hud.h"
#include "fly/window/WorldRenderer.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "sandbox/AttemptPlot.h"
#include "sandbox/Drills.h"

namespace app {

namespace {

// The drill a log is an attempt at, when this program knows it and the log
// starts where the drill does from its seed; else the log is shown as a
// free flight.
const sandbox::DrillEntry* attemptDrill(const sandbox::FlightLog& log) {
    if (!log.drill) return nullptr;
    const sandbox::DrillEntry* entry = sandbox::findDrill(log.drill->name);
    if (entry == nullptr) return nullptr;
    const std::unique_ptr<sandbox::Drill> drill = entry->make(entry->info, log.drill->seed);
    return sandbox::startsAsDrill(log, drill->start()) ? entry : nullptr;
}

fly::SessionOptions sessionOptions(const sandbox::DrillEntry* drill,
                                   const sandbox::FlightLog& log) {
    fly::SessionOptions options;
    options.ticksToReserve = 0;  // the session records nothing of its own
    options.physics = log.options;
    options.drill = drill;
    if (drill != nullptr) options.seed = log.drill->seed;
    return options;
}

}  // namespace

// Declared in the order they are made: the replay reads the log, the session
// its own store and game.
struct WorldLayers::State {
    State(const sandbox::FlightLog& flight, const WorldClip& pictures)
        : log(flight),
          replay(log),
          drill(attemptDrill(log)),
          session(cvars, game, sessionOptions(drill, log)),
          clip(pictures) {
        if (clip.ticksPerFrame < 1) clip.ticksPerFrame = 1;
    }

    sandbox::FlightLog log;
    sandbox::FlightReplay replay;
    const sandbox::DrillEntry* drill;
    pluginsdk::CVarStore cvars;
    pluginsdk::GameHost game;
    fly::FlySession session;
    std::unique_ptr<fly::WorldRenderer> renderer;
    WorldClip clip;
    std::size_t drawn = 0;  // pictures so far
};

WorldLayers::WorldLayers(std::unique_ptr<State> state) : state_(std::move(state)) {}
WorldLayers::~WorldLayers() = default;

base::Result<std::unique_ptr<WorldLayers>> WorldLayers::create(const sandbox::FlightLog& log,
                                                               const WorldClip& clip) {
    auto state = std::make_unique<State>(log, clip);
    base::Result<std::unique_ptr<fly::WorldRenderer>> renderer = fly::WorldRenderer::create();
    if (!renderer) return base::Failure{"cannot draw the world: " + renderer.error()};
    state->renderer = std::move(*renderer);
    if (clip.ballCamera) {
        // As the window's key does it: a command in a frame that runs no tick.
        fly::FrameInput input;
        input.commands.add(fly::Command::BallCamera);
        state->session.advance(0, input);
    }
    state->session.showLoggedStart(state->replay.simulation());
    return std::unique_ptr<WorldLayers>(new WorldLayers(std::move(state)));
}

bool WorldLayers::showsAttempt() const { return state_->drill != nullptr; }

base::Status WorldLayers::drawBeneath(int width, int height) {
    State& s = *state_;
    const std::size_t picture = s.drawn++;
    // A drill attempt's last picture shows its end, where its result is.
    const bool last = picture + 1 >= s.clip.frames;
    const std::size_t tick = last && s.drill != nullptr
                                 ? s.log.ticks.size()
                                 : picture * static_cast<std::size_t>(s.clip.ticksPerFrame);
    while (s.replay.time() < tick && !s.replay.finished()) {
        const sandbox::TickReport report = s.replay.step();
        s.session.showLoggedTick(s.replay.simulation(), s.replay.lastControls(), report);
    }
    s.renderer->draw(s.session.world(), s.session.camera(), width, height, s.session.ghosts());
    return {};
}

void WorldLayers::drawWindows() {
    State& s = *state_;
    const float rate = static_cast<float>(s.clip.fps);
    fly::drawHud({&s.session, rate, rate > 0.0f ? 1000.0f / rate : 0.0f, ""});
    fly::drawAttempt(s.session);
}

}  // namespace app
