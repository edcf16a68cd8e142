#pragma once
// The flight behind the window, with no window, GL or SDL in it: the clock,
// the world and its bindings, the flight log being recorded, the script, the
// window's commands, drill attempts, and the host layer's game handed what
// the plugin reads. A platform gives it each frame's input and elapsed time;
// it gives back the world to draw and draws the plugin's dial on any canvas.
//
// A frame, step by step (advance):
//   script steps due by the session's time     (keys, stick, buttons)
//   commands: keys pressed, pad buttons gone down, script keys
//   ticks = clock.advance(elapsed)
//   repeat: controls = mapControls(...)
//           a landing held still: nothing steps, nothing is logged
//           free flight: simulation.step; log.recordTick
//           a drill:     plan = attempt.plan(world, controls) (countdown,
//                        autopilot); when it steps: simulation.step; log the tick;
//                        attempt.record(...); at its end the dial's cue is
//                        set back and attemptsFinished() counts one more
//   game.state = hostView(world, last controls), freeplay on
// then drawDial(canvas) runs the plugin's drawables once.
//
// Every flight flies the full model (sandbox/Flight.h): the car drives,
// jumps, dodges and hits the ball, and lands on its wheels; only a drill
// ends a flight.
//
// A drill attempt starts a new flight log from the drill's start, with the
// drill's physics options and the console variables as they are (the dial's
// target option already set to the drill's cue), so that its log replays the
// attempt as flown and seen. Reset flies the attempt again from the same
// seed; a new random start flies the next seed.
//
// Rewind. While the rewind key or button is held (sandbox::Action::Rewind)
// each tick of the clock steps the flight back one tick, up to the last
// kRewindSeconds of it (within the current attempt or flight log), showing
// the world, the dial's input and the ghosts as they were; letting go
// takes over from that moment: the log is cut back to it (the ticks after
// it, and the resets and settings changes logged after it, go; a setting
// changed meanwhile is logged again as it is now), and a drill or course
// attempt is made again from its start and the cut log, so that the log
// replays the flight as finally flown and the attempt carries on as it
// stood. An attempt that finished before the rewind stays in the history
// as flown. The states come from a ring of them made when the session
// starts, one per tick; taking over allocates, stepping back does not.
//
// Sessions. A session (sandbox/Sessions.h) plays its entries in order: the
// current entry's attempt starts (a drill from its seed, a pack's shot with
// its variance seed, a built-in ring course), each finished attempt is
// counted in the session's tally (passes, the streak in a row), and a
// moment after the result shows (SessionOptions::sessionPauseNs; Reset or
// N at the result go on at once) the next attempt starts, of the same entry
// until its count is reached, then of the next. Reset during an attempt
// flies it again uncounted. After the last entry's count the session is
// over; the last result stays. Starting anything else (the drill menu,
// flying freely) leaves the session.
//
// Saving the moment (Command::SaveShot): the car and ball as they are now,
// paused or not, handed as a shot (sandbox::shotOfMoment) to
// SessionOptions::saveShot, which keeps it (the desktop appends it to the
// player's pack); its note shows on the HUD for kShotNoteSeconds. The
// session itself writes no file.
//
// After the first frame nothing here allocates, as long as the flight stays
// within the ticks reserved for its log (SessionOptions::ticksToReserve),
// drill attempts included; starting one allocates, once.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "fly/Camera.h"
#include "fly/ControlScript.h"
#include "fly/DrillAttempt.h"
#include "fly/LandingHold.h"
#include "fly/platform/Controls.h"
#include "fly/platform/Platform.h"
#include "fly/platform/PlayerControls.h"
#include "host/CanvasWrapper.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "sandbox/AttemptBook.h"
#include "sandbox/Sandbox.h"
#include "sandbox/Sessions.h"

namespace fly {

inline constexpr int64_t kSessionPauseNs = 3'000'000'000;
inline constexpr int64_t kShotNoteNs = 4'000'000'000;

// A session's pack by its name (a built-in pack or the player's own); null
// when there is none. What it gives must outlive the session.
using PackLookup = std::function<const sandbox::Pack*(std::string_view name)>;

// Whether every entry of `session` can be played: its drill, its pack (by
// `packs`) and shot, its course (a built-in one). The failure names the
// first entry that cannot ("entry 3: no pack named \"my-reads\"").
base::Status checkSession(const sandbox::Session& session, const PackLookup& packs);

inline constexpr int kRewindSeconds = 10;
inline constexpr std::size_t kRewindTicks =
    static_cast<std::size_t>(kRewindSeconds) * sandbox::kTicksPerSecond;

struct SessionOptions {
    // The flight starts at this seed's random start in the air; without one,
    // on the floor (sandbox::defaultStart). Later random starts take the
    // seeds after it.
    std::optional<uint64_t> seed;
    sandbox::PhysicsOptions physics;
    const ControlScript* script = nullptr;  // must outlive the session
    // Ticks the log makes room for at the start: ten minutes of flight.
    std::size_t ticksToReserve = 10u * 60u * sandbox::kTicksPerSecond;
    // A drill to fly from the start, from `seed` (1 without one); and whether
    // the autopilot flies its attempts.
    const sandbox::DrillEntry* drill = nullptr;
    // A ring course to fly from the start instead (must outlive the
    // session); its attempts are drill attempts (sandbox/Courses.h).
    const sandbox::Course* course = nullptr;
    bool autopilot = false;
    // A pack to play from the start (it must outlive the session), from its
    // shot `shot` (from 0) with variance seed `seed` (0 without one: the
    // shots as written). Again is Reset, the next variance seed RandomStart,
    // and NextShot and PreviousShot step through the pack (round at its ends).
    const sandbox::Pack* pack = nullptr;
    std::size_t shot = 0;
    // The best flight so far of a drill and seed, raced as a ghost car; null
    // when there is none. Asked as each attempt starts.
    std::function<const sandbox::FlightLog*(std::string_view drill, uint64_t seed)> bestFlight;
    // A drill and seed's attempts so far (the book's), for the result panel;
    // empty: the panel shows none.
    std::function<sandbox::AttemptBook::SeedRecord(std::string_view drill, uint64_t seed)>
        seedRecord;
    // Every attempt known (the book's), for the progress view; empty: the
    // view shows none.
    std::function<std::span<const sandbox::AttemptRecord>()> attempts;
    // Landings hold the world still a moment (LandingHold.h), and what free
    // flight does after one.
    bool holdLandings = false;
    AutoReset autoReset = AutoReset::Off;
    // The player's keys, pad buttons, dead zones and sensitivity.
    PlayerControls controls;
    // A session to play from the start (it must outlive the session), its
    // packs found by `sessionPack` (without one: the built-in packs), and
    // how long each result shows before the next attempt starts.
    const sandbox::Session* session = nullptr;
    PackLookup sessionPack;
    int64_t sessionPauseNs = kSessionPauseNs;
    // Keeps a moment saved as a shot: the HUD's note ("saved as shot 4 of
    // My shots") or why it was not kept. Null: moments cannot be saved.
    std::function<base::Result<std::string>(const sandbox::Shot& shot)> saveShot;
};

// A console variable's text to save in place of what the store holds.
struct SettingText {
    std::string_view name;
    std::string_view text;
};

class FlySession {
  public:
    FlySession(pluginsdk::CVarStore& cvars, pluginsdk::GameHost& game,
               const SessionOptions& options);
    // Sets the dial's target option back if an attempt still holds it.
    ~FlySession();
    FlySession(const FlySession&) = delete;
    FlySession& operator=(const FlySession&) = delete;

    // One frame that took `elapsedNs` of the session's time.
    void advance(int64_t elapsedNs, const FrameInput& input);
    // The plugin's drawables, once, on `canvas` (its size is the canvas the
    // plugin lays the dial out on).
    void drawDial(pluginsdk::CanvasBackend& canvas);
    // Notes the console variables changed since the last call (by the
    // settings page); true when any changed. Allocates: call it while the
    // settings window is open, not every frame. A change made while a frame
    // is drawn shows from the next frame on, so the log takes it after the
    // next tick: a replay then shows it in the same frames the window did.
    bool recordSettingChanges();
    // Puts noted changes in the log now (at the end of a flight).
    void flushSettingChanges();
    // What the config file is to keep in place of the store's text: the
    // player's own target option while a drill's cue stands in for it.
    std::optional<SettingText> settingInPlaceOfCue() const;

    // Drills. An attempt at `drill` from `seed`: a countdown, then the
    // attempt, then its result, the world held still.
    void startAttempt(const sandbox::DrillEntry& drill, uint64_t seed);
    // An attempt at a ring course (which must outlive the session): as a
    // drill's, reset flies it again.
    void startCourse(const sandbox::Course& course);
    // The course being flown; null in free flight and in other drills.
    const sandbox::Course* course() const { return course_; }
    // An attempt at a pack's shot (from 0) with a variance seed.
    void startShot(const sandbox::Pack& pack, std::size_t index, uint64_t varianceSeed);
    // The pack being played and its shot (null: none).
    const sandbox::Pack* pack() const { return pack_; }
    std::size_t shot() const { return shot_; }
    // Leaves the drill and flies on freely from where the car is.
    void flyFreely();
    // The session being played, its tally (null: none), and whether its
    // last entry's count is reached.
    const sandbox::Session* playlist() const { return playlist_; }
    const sandbox::SessionTally* tally() const { return tally_ ? &*tally_ : nullptr; }
    bool sessionOver() const { return tally_ && tally_->finished(); }
    // At a session's result: its next attempt now (the result panel's
    // button, as Reset).
    void playNext();
    // Saves the moment as a shot (SaveShot's command); the note shows for a
    // while.
    void saveMoment();
    // The last save's note while it shows (empty: none), and whether it
    // says the moment was not saved.
    std::string_view shotNote() const {
        return timeNs_ < shotNoteUntilNs_ ? std::string_view(shotNote_) : std::string_view();
    }
    bool shotNoteFailed() const { return shotNoteFailed_; }
    // Sets the dial's target option back now if an attempt holds it (the
    // window's end: nothing is saved with the cue in it).
    void releaseCue();
    // A flight log played back elsewhere (FlightReplay), shown in place of
    // flying, for pictures of what the window showed (app/RenderWorld.h):
    // the replay's simulation at its start, and after each of its ticks with
    // the controls it ran and what it did. An attempt skips its countdown
    // and records each tick as flown, so its panel and result read as they
    // did in the window.
    void showLoggedStart(const sandbox::Simulation& start);
    void showLoggedTick(const sandbox::Simulation& after, const sandbox::CarControls& controls,
                        const sandbox::TickReport& report);
    // The current attempt (running or finished); null in free flight.
    const DrillAttempt* attempt() const { return attempt_.get(); }
    const sandbox::DrillEntry* drill() const { return drill_; }
    uint64_t drillSeed() const { return drillSeed_; }
    // Attempts finished so far: a window reports each new one.
    uint64_t attemptsFinished() const { return attemptsFinished_; }
    // For the attempts started from now on.
    void setAutopilot(bool on) { autopilot_ = on; }
    bool autopilot() const { return autopilot_; }
    void setRaceBest(bool on) { raceBest_ = on; }
    bool raceBest() const { return raceBest_; }
    void showDrillMenu(bool shown) { drillMenuShown_ = shown; }
    bool drillMenuShown() const { return drillMenuShown_; }
    void showProgress(bool shown) { progressShown_ = shown; }
    bool progressShown() const { return progressShown_; }
    // Every attempt known, oldest first (empty without SessionOptions::attempts).
    std::span<const sandbox::AttemptRecord> attempts() const;
    // The landing being held still, if any (LandingHold.h).
    const LandingHold& landing() const { return landing_; }
    void setAutoReset(AutoReset option) { autoReset_ = option; }
    AutoReset autoReset() const { return autoReset_; }
    // The ghost cars to draw now.
    std::span<const GhostCar> ghosts() const;
    // Whether the flight is being run backwards, how many steps back from
    // where the rewind began it stands (a tick each, and the moment of a
    // reset one more), and at which tick of the log.
    bool rewinding() const { return rewindBack_ > 0; }
    std::size_t rewoundSteps() const { return rewindBack_; }
    std::size_t rewindTick() const;
    // A course's rings to draw now (none outside a course).
    std::span<const RingMark> rings() const;

    const sandbox::World& world() const { return sim_.world(); }
    const sandbox::Simulation& simulation() const { return sim_; }
    // What the last tick did (a goal, a touch), for the HUD.
    const sandbox::TickReport& lastReport() const { return lastReport_; }
    // Ticks since the ball last went into a goal, and which (+1 the goal at
    // +y, -1 at -y); 0 before any.
    int8_t lastGoal() const { return lastGoal_; }
    uint32_t ticksSinceGoal() const { return ticksSinceGoal_; }
    const sandbox::FixedStepClock& clock() const { return clock_; }
    const sandbox::CarControls& lastControls() const { return lastControls_; }
    const sandbox::Bindings& bindings() const { return controls_.bindings; }
    const PlayerControls& controls() const { return controls_; }
    // The player's controls from now on. A new dodge dead zone starts a new
    // flight log from where the car is in free flight (a log has one), and
    // applies from the next attempt in a drill.
    void setControls(const PlayerControls& controls);
    // Counts the changes setControls made: the window saves when it moves.
    uint64_t controlsChanges() const { return controlsChanges_; }

    // The controls window (F4) and its wait for a key or button to bind:
    // the next key or pad button pressed goes to `action` (Escape or Back
    // cancel); a key or button a window command takes is refused.
    bool controlsShown() const { return controlsShown_; }
    void showControls(bool shown);
    enum class Capture : uint8_t { None, Key, Button };
    void startCapture(sandbox::Action action, Capture what);
    Capture capturing() const { return capture_; }
    sandbox::Action captureAction() const { return captureAction_; }
    // True in the frame a wait for a key or button ended (bound, refused or
    // cancelled): the press was the binding's, not the window's.
    bool captureEndedThisFrame() const { return captureEnded_; }
    // What the last rebinding did ("Space was jump's: ..."); empty: nothing.
    const std::string& controlsNote() const { return controlsNote_; }
    // Any of the menus (settings, drills, controls) shown.
    bool menuShown() const { return settingsShown_ || drillMenuShown_ || controlsShown_; }
    // This frame's pad for the focused menu's navigation (all zeros when the
    // car has the pad).
    const sandbox::PadState& menuPad() const { return menuPad_; }
    const sandbox::FlightLog& log() const { return log_; }
    // The seed of the current start, when it is a random one.
    std::optional<uint64_t> seed() const { return seed_; }
    // The session's time: the sum of the frames' elapsed times.
    int64_t timeNs() const { return timeNs_; }
    // False once the log could take no more ticks (four hours).
    bool recording() const { return recording_; }
    CameraPose camera() const;

    bool ballCamera() const { return ballCamera_; }
    // The help overlay's pages, which F1 steps through and then closes.
    enum class HelpPage : uint8_t { Closed, Controls, ReadingTheDial };
    bool helpShown() const { return helpPage_ != HelpPage::Closed; }
    // The book's record of the current drill and seed (nullopt without one).
    std::optional<sandbox::AttemptBook::SeedRecord> seedRecord() const;
    HelpPage helpPage() const { return helpPage_; }
    bool settingsShown() const { return settingsShown_; }
    bool quitRequested() const { return quit_; }
    bool scriptEnded() const { return script_ && script_->ended(timeNs_); }

  private:
    void apply(CommandSet commands);
    void startFlight(const sandbox::mechanics::World& start);
    void startDrill(std::unique_ptr<sandbox::Drill> made, std::string_view name, uint64_t seed);
    std::unique_ptr<sandbox::Drill> remakeDrill() const;
    void step(const sandbox::CarControls& controls);
    void noteTick(const sandbox::TickReport& report);
    void runTicks(int ticks, const sandbox::PadState& pad, sandbox::ActionSet keys);
    void runAttemptTick(const sandbox::CarControls& person);
    void noteSetting(std::string_view name);
    void watchLanding();
    void endLandingHold();
    bool takeCapture(const FrameInput& input, const sandbox::PadState& pad);
    // Rewind: a state into the ring; a tick back; taking over.
    void keepForRewind();
    void stepBack();
    void takeOver();
    // Sessions: the current entry's attempt; a finished attempt counted.
    void playEntry();
    void countForSession();
    void leaveSession();

    pluginsdk::CVarStore& cvars_;
    pluginsdk::GameHost& game_;
    sandbox::PhysicsOptions physics_;
    sandbox::PhysicsOptions freePhysics_;  // free flight's; a drill has its own
    PlayerControls controls_;
    uint64_t controlsChanges_ = 0;
    bool controlsShown_ = false;
    Capture capture_ = Capture::None;
    sandbox::Action captureAction_ = sandbox::Action::Jump;
    bool captureEnded_ = false;
    uint32_t captureButtonsBefore_ = 0;
    uint32_t consumed_ = 0;  // buttons a binding took, until let go
    std::string controlsNote_;
    InputRouter router_;
    sandbox::PadState menuPad_;
    sandbox::FixedStepClock clock_;
    sandbox::Simulation sim_;
    sandbox::TickReport lastReport_{};
    int8_t lastGoal_ = 0;
    uint32_t ticksSinceGoal_ = 0;
    sandbox::CarControls lastControls_{};
    sandbox::FlightLog log_;
    std::optional<ScriptPlayer> script_;
    std::optional<uint64_t> seed_;
    uint64_t nextSeed_ = 1;
    int64_t timeNs_ = 0;
    bool recording_ = true;
    bool ballCamera_ = false;
    HelpPage helpPage_ = HelpPage::Closed;
    bool settingsShown_ = false;
    bool quit_ = false;
    std::unique_ptr<DrillAttempt> attempt_;
    const sandbox::DrillEntry* drill_ = nullptr;
    const sandbox::Course* course_ = nullptr;
    const sandbox::Pack* pack_ = nullptr;
    std::size_t shot_ = 0;
    uint64_t drillSeed_ = 1;
    DialCue cue_;
    uint64_t attemptsFinished_ = 0;
    bool autopilot_ = false;
    bool raceBest_ = true;
    bool drillMenuShown_ = false;
    bool progressShown_ = false;
    const sandbox::Session* playlist_ = nullptr;
    PackLookup sessionPack_;
    std::optional<sandbox::SessionTally> tally_;
    int64_t sessionPauseNs_ = kSessionPauseNs;
    bool counted_ = false;  // the current attempt is in the tally
    std::optional<int64_t> nextEntryAtNs_;
    bool startingEntry_ = false;
    std::function<base::Result<std::string>(const sandbox::Shot&)> saveShot_;
    std::string shotNote_;
    bool shotNoteFailed_ = false;
    int64_t shotNoteUntilNs_ = 0;
    // One state a tick, the newest at rewindNewest_, rewindKept_ of them
    // valid; rewindBack_ ticks back from the newest while rewinding.
    struct RewindState {
        sandbox::Simulation simulation;
        sandbox::CarControls controls;
        std::size_t ticks = 0;   // in the log
        std::size_t events = 0;  // in the log
        std::array<GhostCar, kMaxGhosts> ghosts{};
        std::size_t ghostCount = 0;
    };
    std::vector<RewindState> rewind_;
    std::size_t rewindNewest_ = 0;
    std::size_t rewindKept_ = 0;
    std::size_t rewindBack_ = 0;
    std::function<const sandbox::FlightLog*(std::string_view, uint64_t)> bestFlight_;
    std::function<sandbox::AttemptBook::SeedRecord(std::string_view, uint64_t)> seedRecord_;
    std::function<std::span<const sandbox::AttemptRecord>()> attempts_;
    bool holdLandings_ = false;
    AutoReset autoReset_ = AutoReset::Off;
    LandingHold landing_;
    int32_t airTicks_ = 0;  // ticks the car has been off the floor
    // The saved console variables' text as last noted, and the changes noted
    // but not yet in the log.
    std::vector<std::pair<std::string, std::string>> settings_;
    std::vector<std::pair<std::string, std::string>> unlogged_;
};

}  // namespace fly
