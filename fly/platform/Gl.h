#pragma once
// The one place the OpenGL flavour is chosen. The desktop build draws with
// OpenGL 3.3 core through libepoxy; a browser build (WebGL 2, which is
// OpenGL ES 3.0) takes the other branch. Everything that draws keeps within
// what both have: vertex arrays and buffers, plain vertex and fragment
// shaders, GL_LINES of width 1, no geometry shaders, no glPolygonMode, no
// client-side arrays.
#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#define TRIMSIGHT_GL_ES 1
#else
#include <epoxy/gl.h>
#define TRIMSIGHT_GL_ES 0
#endif

namespace fly {

inline constexpr bool kGlEs = TRIMSIGHT_GL_ES;
inline constexpr int kGlMajorVersion = 3;
inline constexpr int kGlMinorVersion = kGlEs ? 0 : 3;
// What every shader starts with, and the version ImGui's OpenGL 3 backend
// is told to write its own shaders for.
inline constexpr const char* kShaderHeader =
    kGlEs ? "#version 300 es\nprecision highp float;\n" : "#version 330 core\n";
inline constexpr const char* kImGuiShaderVersion = kGlEs ? "#version 300 es" : "#version 330 core";

}  // namespace fly
