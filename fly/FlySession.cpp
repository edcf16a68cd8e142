#include "fly/FlySession.h"

#include <algorithm>

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

// The commands but those that start a flight (a pack and a session have
// their own).
CommandSet withoutStarts(CommandSet commands) {
    CommandSet rest;
    for (int i = 0; i < kCommandCount; ++i) {
        const Command c = static_cast<Command>(i);
        if (c != Command::Reset && c != Command::RandomStart && c != Command::NextShot &&
            c != Command::PreviousShot && commands.has(c))
            rest.add(c);
    }
    return rest;
}

const sandbox::Pack* packNamed(const PackLookup& packs, std::string_view name) {
    return packs ? packs(name) : sandbox::findBuiltInPack(name);
}

}  // namespace

base::Status checkSession(const sandbox::Session& session, const PackLookup& packs) {
    for (std::size_t i = 0; i < session.entries.size(); ++i) {
        const sandbox::SessionEntry& e = session.entries[i];
        const std::string where = "entry " + std::to_string(i + 1) + ": ";
        switch (e.kind) {
            case sandbox::SessionEntry::Kind::Drill:
                if (sandbox::findDrill(e.name) == nullptr)
                    return base::Failure{where + "no drill named \"" + e.name + "\""};
                break;
            case sandbox::SessionEntry::Kind::Shot: {
                const sandbox::Pack* pack = packNamed(packs, e.name);
                if (pack == nullptr)
                    return base::Failure{where + "no pack named \"" + e.name + "\""};
                if (static_cast<std::size_t>(e.shot) > pack->shots.size())
                    return base::Failure{where + "the pack \"" + e.name + "\" has " +
                                         std::to_string(pack->shots.size()) + " shots"};
                break;
            }
            case sandbox::SessionEntry::Kind::Course:
                if (sandbox::findCourse(e.name) == nullptr)
                    return base::Failure{where + "no built-in course named \"" + e.name + "\""};
                break;
        }
    }
    return {};
}

FlySession::FlySession(pluginsdk::CVarStore& cvars, pluginsdk::GameHost& game,
                       const SessionOptions& options)
    : cvars_(cvars),
      game_(game),
      physics_(options.physics),
      freePhysics_(options.physics),
      seed_(options.seed),
      autopilot_(options.autopilot),
      bestFlight_(options.bestFlight),
      seedRecord_(options.seedRecord),
      attempts_(options.attempts),
      holdLandings_(options.holdLandings),
      autoReset_(options.autoReset) {
    controls_ = options.controls;
    sessionPauseNs_ = options.sessionPauseNs;
    saveShot_ = options.saveShot;
    physics_.dodgeDeadZone = controls_.dodgeDeadZone;
    freePhysics_.dodgeDeadZone = controls_.dodgeDeadZone;
    if (options.script != nullptr) script_.emplace(*options.script);
    log_.ticks.reserve(options.ticksToReserve);
    rewind_.resize(kRewindTicks + 1);
    if (seed_) nextSeed_ = *seed_ + 1;
    if (options.session != nullptr && !options.session->entries.empty()) {
        playlist_ = options.session;
        sessionPack_ = options.sessionPack;
        tally_.emplace(*playlist_);
        playEntry();
    }
    if (attempt_) {
        // The session's first attempt is under way.
    } else if (options.course != nullptr) {
        startCourse(*options.course);
    } else if (options.pack != nullptr && !options.pack->shots.empty()) {
        startShot(*options.pack, options.shot < options.pack->shots.size() ? options.shot : 0,
                  options.seed.value_or(0));
    } else if (options.drill != nullptr) {
        startAttempt(*options.drill, options.seed.value_or(1));
    } else {
        startFlight(
            sandbox::fullWorldFrom(seed_ ? sandbox::randomStart(*seed_) : sandbox::defaultStart()));
    }
    game_.state.freeplay = true;
    game_.state.paused = false;
    game_.state.hasBall = true;
}

FlySession::~FlySession() { releaseCue(); }

// A new log from this start, opening with every saved console variable's
// value, so that the flight plays back later with the settings it had.
void FlySession::startFlight(const sandbox::mechanics::World& start) {
    landing_.clear();
    airTicks_ = 0;
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
    rewindKept_ = 0;
    rewindBack_ = 0;
    keepForRewind();
}

void FlySession::keepForRewind() {
    rewindNewest_ = rewindKept_ == 0 ? 0 : (rewindNewest_ + 1) % rewind_.size();
    if (rewindKept_ < rewind_.size()) ++rewindKept_;
    RewindState& state = rewind_[rewindNewest_];
    state.simulation = sim_;
    state.controls = lastControls_;
    state.ticks = log_.ticks.size();
    state.events = log_.events.size();
    const std::span<const GhostCar> ghosts =
        attempt_ ? attempt_->ghosts() : std::span<const GhostCar>{};
    state.ghostCount = std::min(ghosts.size(), state.ghosts.size());
    for (std::size_t i = 0; i < state.ghostCount; ++i) state.ghosts[i] = ghosts[i];
}

std::size_t FlySession::rewindTick() const {
    return rewind_[(rewindNewest_ + rewind_.size() - rewindBack_) % rewind_.size()].ticks;
}

void FlySession::stepBack() {
    if (rewindBack_ + 1 >= rewindKept_) return;  // as far back as kept
    ++rewindBack_;
    const RewindState& state =
        rewind_[(rewindNewest_ + rewind_.size() - rewindBack_) % rewind_.size()];
    sim_ = state.simulation;
    lastControls_ = state.controls;
}

void FlySession::takeOver() {
    rewindNewest_ = (rewindNewest_ + rewind_.size() - rewindBack_) % rewind_.size();
    rewindKept_ -= rewindBack_;
    rewindBack_ = 0;
    const RewindState& state = rewind_[rewindNewest_];
    flushSettingChanges();
    // The settings changed after the moment are logged again, as they are
    // now, at it.
    std::vector<std::string> changed;
    for (std::size_t i = state.events; i < log_.events.size(); ++i)
        if (log_.events[i].kind == sandbox::FlightEvent::Kind::CVar)
            changed.push_back(log_.events[i].name);
    log_.ticks.resize(state.ticks);
    log_.events.resize(state.events);
    recording_ = true;
    for (const std::string& name : changed)
        if (const pluginsdk::CVarEntry* entry = cvars_.lookup(name))
            log_.recordCVar(name, entry->text());
    sim_ = state.simulation;
    lastControls_ = state.controls;
    if (!attempt_) return;
    std::unique_ptr<sandbox::Drill> made = remakeDrill();
    const sandbox::FlightLog* best =
        raceBest_ && bestFlight_ ? bestFlight_(made->info().name, drillSeed_) : nullptr;
    const std::optional<render::TargetOption> cue = made->info().cue;
    attempt_ = std::make_unique<DrillAttempt>(std::move(made), autopilot_, best);
    attempt_->resume(log_);
    if (!attempt_->finished() && !cue_.playerValue(cvars_)) {
        cue_.set(cvars_, cue);
        noteSetting(render::kTargetOptionVariable);
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
    if (!startingEntry_) leaveSession();
    drill_ = &drill;
    course_ = nullptr;
    pack_ = nullptr;
    startDrill(drill.make(drill.info, seed), drill.info.name, seed);
}

void FlySession::startCourse(const sandbox::Course& course) {
    if (!startingEntry_) leaveSession();
    drill_ = nullptr;
    course_ = &course;
    pack_ = nullptr;
    std::unique_ptr<sandbox::Drill> made = sandbox::makeCourseDrill(course);
    const uint64_t seed = made->seed();
    const std::string name(made->info().name);
    startDrill(std::move(made), name, seed);
}

void FlySession::startShot(const sandbox::Pack& pack, std::size_t index, uint64_t varianceSeed) {
    std::unique_ptr<sandbox::Drill> made = sandbox::makeShotDrill(pack, index, varianceSeed);
    if (!made) return;
    if (!startingEntry_) leaveSession();
    pack_ = &pack;
    shot_ = index;
    drill_ = nullptr;
    course_ = nullptr;
    const std::string name(made->info().name);
    startDrill(std::move(made), name, varianceSeed);
}

// The attempt's drill made again as it started (rewind's take-over).
std::unique_ptr<sandbox::Drill> FlySession::remakeDrill() const {
    if (course_ != nullptr) return sandbox::makeCourseDrill(*course_);
    if (pack_ != nullptr) return sandbox::makeShotDrill(*pack_, shot_, drillSeed_);
    return drill_->make(drill_->info, drillSeed_);
}

void FlySession::startDrill(std::unique_ptr<sandbox::Drill> made, std::string_view name,
                            uint64_t seed) {
    releaseCue();
    const sandbox::FlightLog* best = raceBest_ && bestFlight_ ? bestFlight_(name, seed) : nullptr;
    const std::optional<render::TargetOption> cue = made->info().cue;
    attempt_ = std::make_unique<DrillAttempt>(std::move(made), autopilot_, best);
    drillSeed_ = seed;
    seed_.reset();
    physics_ = attempt_->drill().start().options;
    physics_.dodgeDeadZone = controls_.dodgeDeadZone;  // the player's, as in free flight
    cue_.set(cvars_, cue);
    startFlight(attempt_->drill().start().fullWorld());
    // Which drill (or shot) and seed, so that the log alone names the attempt.
    log_.drill = sandbox::FlightDrill{std::string(name), seed};
}

void FlySession::flyFreely() {
    leaveSession();
    releaseCue();
    attempt_.reset();
    drill_ = nullptr;
    course_ = nullptr;
    pack_ = nullptr;
    physics_ = freePhysics_;
    startFlight(sim_.full());
}

void FlySession::playEntry() {
    nextEntryAtNs_.reset();
    counted_ = false;
    const sandbox::SessionEntry& e = playlist_->entries[tally_->entry()];
    startingEntry_ = true;
    bool started = false;
    switch (e.kind) {
        case sandbox::SessionEntry::Kind::Drill:
            if (const sandbox::DrillEntry* drill = sandbox::findDrill(e.name)) {
                startAttempt(*drill, e.seed);
                started = true;
            }
            break;
        case sandbox::SessionEntry::Kind::Shot:
            if (const sandbox::Pack* pack = packNamed(sessionPack_, e.name);
                pack != nullptr && static_cast<std::size_t>(e.shot) <= pack->shots.size()) {
                startShot(*pack, static_cast<std::size_t>(e.shot - 1), e.seed);
                started = true;
            }
            break;
        case sandbox::SessionEntry::Kind::Course:
            if (const sandbox::Course* course = sandbox::findCourse(e.name)) {
                startCourse(*course);
                started = true;
            }
            break;
    }
    startingEntry_ = false;
    // checkSession tells of such an entry before the session starts.
    if (!started) leaveSession();
}

// Once per attempt: a rewound attempt that finishes again keeps its first
// count.
void FlySession::countForSession() {
    if (!tally_ || !attempt_) return;
    if (!counted_ && !tally_->finished()) {
        counted_ = true;
        tally_->record(attempt_->drill().score().outcome == sandbox::DrillOutcome::Passed);
    }
    if (!tally_->finished()) nextEntryAtNs_ = timeNs_ + sessionPauseNs_;
}

void FlySession::playNext() {
    if (tally_ && !tally_->finished() && attempt_ && attempt_->finished()) playEntry();
}

void FlySession::leaveSession() {
    playlist_ = nullptr;
    tally_.reset();
    nextEntryAtNs_.reset();
}

void FlySession::saveMoment() {
    const sandbox::Shot shot = sandbox::shotOfMoment(sim_.world(), sim_.full().ball.spin);
    base::Result<std::string> saved =
        saveShot_ ? saveShot_(shot)
                  : base::Result<std::string>(base::Failure{"moments are not saved here"});
    shotNoteFailed_ = !saved.ok();
    shotNote_ = saved ? *saved : saved.error();
    shotNoteUntilNs_ = timeNs_ + kShotNoteNs;
}

void FlySession::releaseCue() {
    cue_.restore(cvars_);
    noteSetting(render::kTargetOptionVariable);
}

std::optional<sandbox::AttemptBook::SeedRecord> FlySession::seedRecord() const {
    if (!seedRecord_ || !attempt_) return std::nullopt;
    return seedRecord_(attempt_->drill().info().name, drillSeed_);
}

std::span<const sandbox::AttemptRecord> FlySession::attempts() const {
    return attempts_ ? attempts_() : std::span<const sandbox::AttemptRecord>{};
}

std::span<const GhostCar> FlySession::ghosts() const {
    if (rewindBack_ > 0) {
        const RewindState& state =
            rewind_[(rewindNewest_ + rewind_.size() - rewindBack_) % rewind_.size()];
        return {state.ghosts.data(), state.ghostCount};
    }
    return attempt_ ? attempt_->ghosts() : std::span<const GhostCar>{};
}

std::span<const RingMark> FlySession::rings() const {
    return attempt_ ? attempt_->rings() : std::span<const RingMark>{};
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
    if (commands.has(Command::Progress)) progressShown_ = !progressShown_;
    if (commands.has(Command::Controls)) showControls(!controlsShown_);
    if (commands.has(Command::SaveShot)) saveMoment();
    if (tally_ && !tally_->finished()) {
        // A session: at a result, Reset or N go on to the next attempt;
        // during an attempt, Reset flies it again.
        const bool atResult = attempt_ && attempt_->finished();
        const bool goOn = commands.has(Command::Reset) || commands.has(Command::RandomStart) ||
                          commands.has(Command::NextShot);
        if ((atResult && goOn) || (!atResult && commands.has(Command::Reset))) playEntry();
        commands = withoutStarts(commands);
    }
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
        if (course_ != nullptr) {
            startCourse(*course_);
        } else if (drill_ != nullptr) {
            startAttempt(*drill_, drillSeed_);
        } else {
            sim_ = sandbox::startOf(log_);
            log_.recordReset();
            landing_.clear();
            airTicks_ = 0;
            keepForRewind();
        }
    }
    if (commands.has(Command::RandomStart)) {
        if (course_ != nullptr) {
            startCourse(*course_);
        } else if (drill_ != nullptr) {
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
    // Rewinding: back a tick for each of the clock's; let go, take over.
    if (sandbox::actionHeld(controls_.bindings, pad, keys, sandbox::Action::Rewind)) {
        landing_.clear();  // the landing is undone too
        for (int i = 0; i < ticks; ++i) stepBack();
        return;
    }
    if (rewindBack_ > 0) takeOver();
    for (int i = 0; i < ticks; ++i) {
        const sandbox::CarControls person = sandbox::mapControls(controls_.bindings, pad, keys);
        if (landing_.holding()) {
            // Display only: the world stays at the landing, the log waits.
            lastControls_ = person;
            if (landing_.tick()) endLandingHold();
        } else if (attempt_) {
            runAttemptTick(person);
        } else {
            lastControls_ = person;
            const bool inAir = !sim_.world().car.onGround;
            step(lastControls_);
            if (recording_) recording_ = log_.recordTick(lastControls_);
            airTicks_ = inAir ? airTicks_ + 1 : 0;
            watchLanding();
            if (recording_) keepForRewind();
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
    if (recording_) keepForRewind();
    if (attempt_->finished()) {
        releaseCue();
        ++attemptsFinished_;
        countForSession();
        // A drill that ends at its touchdown (recovery, the velocity drills)
        // shows the landing before the car is stood up.
        if (holdLandings_ && lastReport_.landed) landing_.landed(lastReport_.touchdown);
    }
}

// Free flight: an aerial's landing (not a hop) holds the world still.
void FlySession::watchLanding() {
    if (!lastReport_.landed) return;
    const bool aerial = airTicks_ >= kLandingMinAirTicks;
    airTicks_ = 0;
    if (holdLandings_ && aerial) landing_.landed(lastReport_.touchdown);
}

void FlySession::endLandingHold() {
    switch (afterLanding(autoReset_, attempt_ != nullptr)) {
        case AfterLanding::GoOn:
            break;
        case AfterLanding::SetOnWheels: {
            // The attempt's log ended at its touchdown: standing the car up
            // changes no flight (flying freely from here starts a new log).
            sandbox::World level = sim_.world();
            level.car.attitude = sandbox::levelOrientation(sandbox::headingOf(level.car.attitude));
            level.car.location.z = sandbox::model::kCarRestHeight;
            level.car.velocity = {};
            level.car.spin = {};
            level.car.onGround = true;
            level.car.jumpHeld = false;
            level.car.jumping = false;
            level.car.jumpTicks = 0;
            sandbox::mechanics::World full = sandbox::fullWorldFrom(level);
            full.ball = sim_.full().ball;
            sim_ = sandbox::Simulation::full(full, physics_);
            break;
        }
        case AfterLanding::ResetToStart:
            sim_ = sandbox::startOf(log_);
            log_.recordReset();
            keepForRewind();
            break;
        case AfterLanding::NewRandomStart:
            seed_ = nextSeed_++;
            startFlight(sandbox::fullWorldFrom(sandbox::randomStart(*seed_)));
            break;
    }
    airTicks_ = 0;
}

void FlySession::step(const sandbox::CarControls& controls) { noteTick(sim_.step(controls)); }

void FlySession::noteTick(const sandbox::TickReport& report) {
    lastReport_ = report;
    if (ticksSinceGoal_ < UINT32_MAX) ++ticksSinceGoal_;
    if (lastReport_.goalScored != 0) {
        lastGoal_ = lastReport_.goalScored;
        ticksSinceGoal_ = 0;
    }
}

void FlySession::showLoggedStart(const sandbox::Simulation& start) {
    if (attempt_)
        while (attempt_->phase() == AttemptPhase::Countdown) attempt_->plan(sim_.world(), {});
    sim_ = start;
}

void FlySession::showLoggedTick(const sandbox::Simulation& after,
                                const sandbox::CarControls& controls,
                                const sandbox::TickReport& report) {
    sim_ = after;
    lastControls_ = controls;
    noteTick(report);
    if (!attempt_ || attempt_->finished()) return;
    attempt_->record(sim_.world(), controls, report);
    if (attempt_->finished()) {
        releaseCue();
        ++attemptsFinished_;
    }
}

void FlySession::setControls(const PlayerControls& controls) {
    if (controls == controls_) return;
    const bool newDodge = controls.dodgeDeadZone != controls_.dodgeDeadZone;
    controls_ = controls;
    ++controlsChanges_;
    if (!newDodge) return;
    freePhysics_.dodgeDeadZone = controls_.dodgeDeadZone;
    if (attempt_) return;
    physics_ = freePhysics_;
    startFlight(sim_.full());
}

void FlySession::showControls(bool shown) {
    controlsShown_ = shown;
    if (!shown) capture_ = Capture::None;
}

void FlySession::startCapture(sandbox::Action action, Capture what) {
    capture_ = what;
    captureAction_ = action;
    controlsNote_ =
        what == Capture::Key
            ? "press a key for " + std::string(sandbox::actionName(action)) + " (Escape cancels)"
            : "press a pad button for " + std::string(sandbox::actionName(action)) +
                  " (Back cancels)";
}

// While the controls window waits, the next press is the binding's: true
// when this frame's input went to it (and nowhere else).
bool FlySession::takeCapture(const FrameInput& input, const sandbox::PadState& pad) {
    const uint32_t pressed = pad.buttons & ~captureButtonsBefore_;
    captureButtonsBefore_ = pad.buttons;
    if (capture_ == Capture::None) return false;
    const std::string_view key = input.keyPressed;
    const bool cancelled = (capture_ == Capture::Key && key == "Escape") ||
                           ((pressed >> static_cast<int>(sandbox::PadButton::Back)) & 1u);
    std::optional<sandbox::PadButton> button;
    for (int b = 0; b < sandbox::kPadButtonCount && !button; ++b)
        if ((pressed >> b) & 1u) button = static_cast<sandbox::PadButton>(b);
    if (cancelled) {
        controlsNote_ = "not changed";
    } else if (capture_ == Capture::Key && !key.empty()) {
        PlayerControls next = controls_;
        const Rebound r = bindKey(next.bindings, captureAction_, key);
        controlsNote_ = r.bound ? std::string(sandbox::actionName(captureAction_)) + ": " +
                                      std::string(key) + (r.note.empty() ? "" : "; " + r.note)
                                : r.note;
        setControls(next);
    } else if (capture_ == Capture::Button && button) {
        PlayerControls next = controls_;
        const Rebound r = bindButton(next.bindings, captureAction_, *button);
        controlsNote_ = r.bound ? std::string(sandbox::actionName(captureAction_)) + ": " +
                                      std::string(sandbox::padButtonName(*button)) +
                                      (r.note.empty() ? "" : "; " + r.note)
                                : r.note;
        setControls(next);
    } else {
        return true;  // still waiting; nothing else gets the input
    }
    capture_ = Capture::None;
    captureEnded_ = true;
    consumed_ |= pressed;
    return true;
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
    captureEnded_ = false;
    const bool captured = takeCapture(input, pad);
    consumed_ &= pad.buttons;
    pad.buttons &= ~consumed_;
    RoutedInput routed = router_.route(pad, keys, commands, input.menuFocused);
    menuPad_ = routed.menu;
    if (captured) {
        routed.commands.clear();
        routed.closeMenus = false;
        menuPad_ = {};
    }
    if (routed.closeMenus) {
        settingsShown_ = false;
        drillMenuShown_ = false;
        progressShown_ = false;
        showControls(false);
    }
    apply(routed.commands);
    // A session's next attempt, once the result has shown a while.
    if (nextEntryAtNs_ && timeNs_ >= *nextEntryAtNs_ && !rewinding() && attempt_ &&
        attempt_->finished())
        playEntry();
    runTicks(clock_.advance(elapsedNs), routed.car, routed.carKeys);

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
