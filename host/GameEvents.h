#pragma once
// Names of the game functions a plugin can hook, written once for the plugin,
// the host layer, the host program and the tests.
namespace gameevents {

// Replay playback starts and ends: the overlay draws nothing in between.
inline constexpr const char* kReplayBegin =
    "Function GameEvent_Soccar_TA.ReplayPlayback.BeginState";
inline constexpr const char* kReplayEnd = "Function GameEvent_Soccar_TA.ReplayPlayback.EndState";

}  // namespace gameevents
