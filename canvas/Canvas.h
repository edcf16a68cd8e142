#pragma once
// canvas/: the host's ImGui side, shared by the live window (fly/window/)
// and the offline pictures (picture/).
//
// Owns:
//   DrawListCanvas.h  the canvas backend the plugin draws on: its calls onto
//                     a Dear ImGui draw list
//   SettingsWindow.h  the host's settings window with the plugin's page, and
//                     beside it what each target option points at
//   DialElements.h    where the dial drew each element, read from the
//                     plugin's canvas calls as they pass on unchanged
//   DialGuide.h       the words that teach the dial (help page, guide
//                     pictures, README) and labels drawn beside a dial
//   Fonts.h           the scalable interface font, found at run time, and
//                     the interface's scale
//   Image.h           the pixels a frame reads back into (RGBA)
//   Colour.h          the one colour type (Rgb8) and the drill plot's colours
//
// Builds on: the host layer (the canvas interface, the plugin's settings
// window), Dear ImGui.
//
// Must not touch: OpenGL, files, the window's platform, the plugin's code.
#include "canvas/Colour.h"
#include "canvas/DialElements.h"
#include "canvas/DialGuide.h"
#include "canvas/DrawListCanvas.h"
#include "canvas/Fonts.h"
#include "canvas/Image.h"
#include "canvas/SettingsWindow.h"
