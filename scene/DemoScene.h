#pragma once
// The built-in demo: a few seconds of an aerial, played twice, once with the
// dial and once in peripheral mode, so that every part of the instrument
// shows up in the pictures.
#include <string>

namespace scene {

// The demo as scene-file text (the format of `trace` and `render`).
std::string demoSceneText();

// Frames per second of the demo's game time.
inline constexpr int kDemoFramesPerSecond = 20;

}  // namespace scene
