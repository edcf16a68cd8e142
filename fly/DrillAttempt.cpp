#include "fly/DrillAttempt.h"

namespace fly {
DrillAttempt::DrillAttempt(std::unique_ptr<sandbox::Drill> drill, bool autopilot,
                           const sandbox::FlightLog* bestFlight)
    : drill_(std::move(drill)) {
    if (autopilot) autopilot_.emplace(*drill_);
    if (bestFlight != nullptr && sandbox::startsAsDrill(*bestFlight, drill_->start())) {
        bestFlight_ = *bestFlight;
        replay_.emplace(bestFlight_);
    }
    placeGhosts(drill_->start().world.car);
    if (const sandbox::CourseRun* run = drill_->courseRun()) {
        rings_.resize(run->ringCount());
        if (replay_) bestSplits_ = sandbox::courseSplits(run->course(), bestFlight_);
        markRings();
    }
}

std::optional<float> DrillAttempt::bestSplit(std::size_t ring) const {
    return ring < bestSplits_.size() ? bestSplits_[ring] : std::nullopt;
}

void DrillAttempt::markRings() {
    const sandbox::CourseRun* run = drill_->courseRun();
    if (run == nullptr) return;
    for (std::size_t i = 0; i < rings_.size(); ++i) {
        const sandbox::Ring& ring = run->course().rings[i];
        RingLook look = RingLook::Later;
        switch (run->state(i)) {
            case sandbox::RingState::Passed:
                look = RingLook::Passed;
                break;
            case sandbox::RingState::Missed:
                look = RingLook::Missed;
                break;
            case sandbox::RingState::Next:
                look = RingLook::Next;
                break;
            case sandbox::RingState::Ahead:
                look = i == run->next() + 1 ? RingLook::AfterNext : RingLook::Later;
                break;
        }
        rings_[i] = {ring.centre, ring.facing, ring.radius, look};
    }
}

DrillAttempt::TickPlan DrillAttempt::plan(const sandbox::World& world,
                                          const sandbox::CarControls& person) {
    TickPlan plan;
    plan.controls = person;
    switch (phase_) {
        case AttemptPhase::Countdown:
            if (--countdownTicks_ <= 0) phase_ = AttemptPhase::Running;
            return plan;
        case AttemptPhase::Running:
            if (autopilot_) plan.controls = autopilot_->controls(world);
            plan.step = true;
            return plan;
        case AttemptPhase::Finished:
            return plan;
    }
    return plan;
}

void DrillAttempt::resume(const sandbox::FlightLog& flight) {
    phase_ = AttemptPhase::Running;
    countdownTicks_ = 0;
    sandbox::FlightReplay replay(flight);
    while (!replay.finished() && !finished()) {
        const sandbox::TickReport report = replay.step();
        record(replay.world(), replay.lastControls(), report);
    }
}

void DrillAttempt::record(const sandbox::World& world, const sandbox::CarControls& controls,
                          const sandbox::TickReport& report) {
    drill_->update(world, controls, report);
    plot_.add(drill_->sample());
    if (replay_) replay_->step();
    placeGhosts(world.car);
    markRings();
    if (drill_->finished()) phase_ = AttemptPhase::Finished;
}

void DrillAttempt::placeGhosts(const sandbox::CarState& car) {
    ghostCount_ = 0;
    if (const std::optional<sandbox::Orientation> target = drill_->targetAttitude())
        ghosts_[ghostCount_++] = {car.location, *target, GhostKind::TargetAttitude};
    if (replay_) {
        const sandbox::CarState& best = replay_->world().car;
        ghosts_[ghostCount_++] = {best.location, best.attitude, GhostKind::BestAttempt};
    }
}

std::string DialCue::cueText(render::TargetOption cue) {
    return std::to_string(static_cast<int32_t>(cue));
}

void DialCue::set(pluginsdk::CVarStore& cvars, std::optional<render::TargetOption> cue) {
    restore(cvars);
    const std::shared_ptr<pluginsdk::CVarEntry> option = cvars.find(render::kTargetOptionVariable);
    if (!cue || !option) return;
    kept_ = option->text();
    cueText_ = cueText(*cue);
    option->setRaw(cueText_);
}

void DialCue::restore(pluginsdk::CVarStore& cvars) {
    if (!kept_) return;
    if (playerValue(cvars)) cvars.setRaw(render::kTargetOptionVariable, *kept_);
    kept_.reset();
}

std::optional<std::string_view> DialCue::playerValue(const pluginsdk::CVarStore& cvars) const {
    if (!kept_) return std::nullopt;
    const pluginsdk::CVarEntry* option = cvars.lookup(render::kTargetOptionVariable);
    if (option == nullptr || option->text() != cueText_) return std::nullopt;
    return *kept_;
}

}  // namespace fly
