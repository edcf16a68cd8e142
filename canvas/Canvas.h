#pragma once
// canvas/: the host's ImGui side, shared by the live window (fly/window/)
// and the offline pictures (picture/).
//
// Owns:
//   DrawListCanvas.h  the canvas backend the plugin draws on: its calls onto
//                     a Dear ImGui draw list
//   SettingsWindow.h  the host's settings window with the plugin's page
//   Image.h           the pixels a frame reads back into (RGBA)
//   Colour.h          the one colour type (Rgb8) and the drill plot's colours
//
// Builds on: the host layer (the canvas interface, the plugin's settings
// window), Dear ImGui.
//
// Must not touch: OpenGL, files, the window's platform, the plugin's code.
#include "canvas/Colour.h"
#include "canvas/DrawListCanvas.h"
#include "canvas/Image.h"
#include "canvas/SettingsWindow.h"
