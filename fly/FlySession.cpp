#include "fly/FlySession.h"

namespace fly {
namespace {

// The script's input added to a person's.
sandbox::PadState combined(const sandbox::PadState& person, const sandbox::PadState& script) {
    sandbox::PadState pad = person;
    pad.leftX += script.leftX;
    pad.leftY += script.leftY;
    pad.leftTrigger += script.leftTrigger;
    pad.rightTrigger += script.rightTrigger;
    pad.buttons |= script.buttons;
    return pad;
}

sandbox::ActionSet combined(sandbox::ActionSet person, sandbox::ActionSet script) {
    for (int a = 0; a < sandbox::kActionCount; ++a) {
        const auto action = static_cast<sandbox::Action>(a);
        if (script.has(action)) person.set(action, true);
    }
    return person;
}

// The commands but those that start a flight (a pack has its own).
CommandSet withoutStarts(CommandSet commands) {
    CommandSet rest;
    for (int i = 0; i < kCommandCount; ++i) {
        const Command c = static_cast<Command>(i);
        if (c != Command::Reset && c != Command::RandomStart && commands.has(c)) rest.add(c);
    }
    return rest;
}

}  // namespace

FlySession::FlySession(pluginsdk::CVarStore& cvars, pluginsdk::GameHost& game,
                       const SessionOptions& options)
    : cvars_(cvars),
      game_(game),
      physics_(options.physics),
      freePhysics_(options.physics),
      seed_(options.seed),
      autopilot_(options.autopilot),
      bestFlight_(options.bestFlight),
      seedRecord_(options.seedRecord) {
    if (options.script != nullptr) script_.emplace(*options.script);
    log_.ticks.reserve(options.ticksToReserve);
    if (seed_) nextSeed_ = *seed_ + 1;
    if (options.pack != nullptr && !options.pack->shots.empty())
        startShot(*options.pack, options.shot < options.pack->shots.size() ? options.shot : 0,
                  options.seed.value_or(0));
    else if (options.drill != nullptr)
        startAttempt(*options.drill, options.seed.value_or(1));
    else
        startFlight(
            sandbox::fullWorldFrom(seed_ ? sandbox::randomStart(*seed_) : sandbox::defaultStart()));
    game_.state.freeplay = true;
    game_.state.paused = false;
    game_.state.hasBall = true;
}

FlySession::~FlySession() { releaseCue(); }

// A new log from this start, opening with every saved console variable's
// value, so that the flight plays back later with the settings it had.
void FlySession::startFlight(const sandbox::mechanics::World& start) {
    log_.setStart(start);
    log_.options = physics_;
    sim_ = sandbox::startOf(log_);
    log_.drill.reset();
    log_.ticks.clear();
    log_.events.clear();
    recording_ = true;
    settings_.clear();
    unlogged_.clear();
    for (const auto& v : cvars_.list()) {
        if (!v.definition.saveToFile) continue;
        settings_.emplace_back(v.definition.name, v.value);
        log_.recordCVar(v.definition.name, v.value);
    }
}

bool FlySession::recordSettingChanges() {
    bool changed = false;
    for (auto& [name, text] : settings_) {
        const auto entry = cvars_.find(name);
        if (!entry) continue;
        std::string now = entry->text();
        if (now == text) continue;
        text = std::move(now);
        unlogged_.emplace_back(name, text);
        changed = true;
    }
    return changed;
}

void FlySession::flushSettingChanges() {
    for (const auto& [name, text] : unlogged_) log_.recordCVar(name, text);
    unlogged_.clear();
}

// The store's text as the one noted, so that a change the session made
// itself is not taken for the settings page's.
void FlySession::noteSetting(std::string_view name) {
    const pluginsdk::CVarEntry* entry = cvars_.lookup(name);
    if (entry == nullptr) return;
    for (auto& [noted, text] : settings_)
        if (noted == name) text = entry->text();
}

std::optional<SettingText> FlySession::settingInPlaceOfCue() const {
    const std::optional<std::string_view> player = cue_.playerValue(cvars_);
    if (!player) return std::nullopt;
    return SettingText{render::kTargetOptionVariable, *player};
}

// The cue is set before the new log notes the console variables, so the
// log opens with it and a replay shows the dial as the attempt did.
void FlySession::startAttempt(const sandbox::DrillEntry& drill, uint64_t seed) {
    releaseCue();
    pack_ = nullptr;
    drill_ = &drill;
    beginAttempt(drill.make(drill.info, seed), seed);
}

void FlySession::startShot(const sandbox::Pack& pack, std::size_t index, uint64_t varianceSeed) {
    releaseCue();
    std::unique_ptr<sandbox::Drill> made = sandbox::makeShotDrill(pack, index, varianceSeed);
    if (!made) return;
    pack_ = &pack;
    shot_ = index;
    drill_ = nullptr;
    beginAttempt(std::move(made), varianceSeed);
}

void FlySession::beginAttempt(std::unique_ptr<sandbox::Drill> made, uint64_t seed) {
    const std::string name(made->info().name);
    const std::optional<render::TargetOption> cue = made->info().cue;
    const sandbox::FlightLog* best = raceBest_ && bestFlight_ ? bestFlight_(name, seed) : nullptr;
    attempt_ = std::make_unique<DrillAttempt>(std::move(made), autopilot_, best);
    drillSeed_ = seed;
    seed_.reset();
    physics_ = attempt_->drill().start().options;
    cue_.set(cvars_, cue);
    startFlight(attempt_->drill().start().fullWorld());
    // Which drill (or shot) and seed, so that the log alone names the attempt.
    log_.drill = sandbox::FlightDrill{name, seed};
}

void FlySession::flyFreely() {
    releaseCue();
    attempt_.reset();
    drill_ = nullptr;
    pack_ = nullptr;
    physics_ = freePhysics_;
    startFlight(sim_.full());
}

void FlySession::releaseCue() {
    cue_.restore(cvars_);
    noteSetting(render::kTargetOptionVariable);
}

std::optional<sandbox::AttemptBook::SeedRecord> FlySession::seedRecord() const {
    if (!seedRecord_ || !attempt_) return std::nullopt;
    return seedRecord_(attempt_->drill().info().name, drillSeed_);
}

std::span<const GhostCar> FlySession::ghosts() const {
    return attempt_ ? attempt_->ghosts() : std::span<const GhostCar>{};
}

void FlySession::apply(CommandSet commands) {
    if (commands.has(Command::Help))
        helpPage_ = helpPage_ == HelpPage::Closed     ? HelpPage::Controls
                    : helpPage_ == HelpPage::Controls ? HelpPage::ReadingTheDial
                                                      : HelpPage::Closed;
    if (commands.has(Command::Settings)) settingsShown_ = !settingsShown_;
    if (commands.has(Command::BallCamera)) ballCamera_ = !ballCamera_;
    if (commands.has(Command::Quit)) quit_ = true;
    if (commands.has(Command::DrillMenu)) drillMenuShown_ = !drillMenuShown_;
    if (pack_ != nullptr) {
        // A pack: Again is Reset, a new start is the next variance seed.
        const std::size_t count = pack_->shots.size();
        if (commands.has(Command::NextShot)) startShot(*pack_, (shot_ + 1) % count, drillSeed_);
        if (commands.has(Command::PreviousShot))
            startShot(*pack_, (shot_ + count - 1) % count, drillSeed_);
        if (commands.has(Command::Reset)) startShot(*pack_, shot_, drillSeed_);
        if (commands.has(Command::RandomStart)) startShot(*pack_, shot_, drillSeed_ + 1);
        commands = withoutStarts(commands);
    }
    if (commands.has(Command::Reset)) {
        if (drill_ != nullptr) {
            startAttempt(*drill_, drillSeed_);
        } else {
            sim_ = sandbox::startOf(log_);
            log_.recordReset();
        }
    }
    if (commands.has(Command::RandomStart)) {
        if (drill_ != nullptr) {
            startAttempt(*drill_, drillSeed_ + 1);
        } else {
            seed_ = nextSeed_++;
            startFlight(sandbox::fullWorldFrom(sandbox::randomStart(*seed_)));
        }
    }
    if (commands.has(Command::Pause)) clock_.setPaused(!clock_.paused());
    if (commands.has(Command::SingleTick)) clock_.stepOnce();
    if (commands.has(Command::SlowMotion))
        clock_.setSlowMotion(clock_.slowMotion() == 1 ? 2 : (clock_.slowMotion() == 2 ? 4 : 1));
}

void FlySession::runTicks(int ticks, const sandbox::PadState& pad, sandbox::ActionSet keys) {
    for (int i = 0; i < ticks; ++i) {
        const sandbox::CarControls person = sandbox::mapControls(bindings_, pad, keys);
        if (attempt_) {
            runAttemptTick(person);
        } else {
            lastControls_ = person;
            step(lastControls_);
            if (recording_) recording_ = log_.recordTick(lastControls_);
        }
        if (i == 0 && !unlogged_.empty()) flushSettingChanges();
    }
}

// The log takes the attempt's ticks only: not the countdown, nor what
// follows the end.
void FlySession::runAttemptTick(const sandbox::CarControls& person) {
    const DrillAttempt::TickPlan plan = attempt_->plan(sim_.world(), person);
    lastControls_ = plan.controls;
    if (!plan.step) return;
    step(plan.controls);
    if (recording_) recording_ = log_.recordTick(plan.controls);
    attempt_->record(sim_.world(), plan.controls, lastReport_);
    if (attempt_->finished()) {
        releaseCue();
        ++attemptsFinished_;
    }
}

void FlySession::step(const sandbox::CarControls& controls) {
    lastReport_ = sim_.step(controls);
    if (ticksSinceGoal_ < UINT32_MAX) ++ticksSinceGoal_;
    if (lastReport_.goalScored != 0) {
        lastGoal_ = lastReport_.goalScored;
        ticksSinceGoal_ = 0;
    }
}

void FlySession::advance(int64_t elapsedNs, const FrameInput& input) {
    timeNs_ += elapsedNs > 0 ? elapsedNs : 0;
    CommandSet commands = input.commands;
    sandbox::PadState pad = input.pad;
    sandbox::ActionSet keys = input.keysHeld;
    if (script_) {
        script_->advanceTo(timeNs_, commands);
        pad = combined(pad, script_->input().pad);
        keys = combined(keys, script_->input().keysHeld);
    }
    commands.add(commandsFromButtons(buttonsBefore_, pad.buttons));
    buttonsBefore_ = pad.buttons;
    apply(commands);
    runTicks(clock_.advance(elapsedNs), pad, keys);

    const sandbox::HostView view = sandbox::hostView(sim_.world(), lastControls_);
    game_.state.car = {view.carLocation, view.carVelocity, view.carRotation, view.input};
    game_.state.ball = {view.ballLocation, view.ballVelocity, {}, {}};
}

void FlySession::drawDial(pluginsdk::CanvasBackend& canvas) { game_.drawFrame(canvas); }

CameraPose FlySession::camera() const {
    const sandbox::World& w = sim_.world();
    return ballCamera_ ? fly::ballCamera(w.car, w.ball) : chaseCamera(w.car);
}

}  // namespace fly
