#pragma once
// picture/: pictures of what a plugin draws, made offscreen.
//
// For: `render` (PNG pictures, the contact sheet, videos, a drill attempt's
// plot) and the pictures of `fly --pictures` and `--screenshot`.
//
// Owns, one concern per file:
//   PictureRenderer.h  a plain backdrop, the canvas calls on ImGui's
//                      background draw list, any ImGui windows, drawn by
//                      ImGui's OpenGL 3 backend offscreen and read back
//   OffscreenGL.h      EGL and OpenGL through libepoxy, resolved on first use
//   Png.h              PNG encoding (and decoding, for tests)
//   ContactSheet.h     a sequence's pictures side by side, small
//   PicturePipeline.h  pictures encoded and written on worker threads while
//                      the next frames draw (BoundedQueue.h), in order
//   PictureSequence.h  a sequence's folder: numbered frames, contact sheet,
//                      an earlier run's frames removed (render and fly)
//   VideoWriter.h      a video through FFmpeg's libraries (H.264, VP9, ...)
//   VideoRender.h      a scene's frames drawn and encoded into one video
//   LinePlot.h         panels of series drawn as lines
//   AttemptPlotPicture.h  a drill attempt's plot as a picture
//   ProgressBar.h      a progress bar on a terminal
//
// Builds on: canvas/ (the ImGui canvas, Image, colours), desktop/ (the
// output writer), scene/ (playing frames), sandbox/ (a plot's series),
// base/.
//
// Must not touch: the plugin (it gets a canvas's calls and a settings page
// only), the program's exit codes, files other than through
// desktop/OutputFile.
#include "picture/AttemptPlotPicture.h"
#include "picture/ContactSheet.h"
#include "picture/LinePlot.h"
#include "picture/OffscreenGL.h"
#include "picture/PicturePipeline.h"
#include "picture/PictureRenderer.h"
#include "picture/PictureSequence.h"
#include "picture/Png.h"
#include "picture/VideoRender.h"
#include "picture/VideoWriter.h"
