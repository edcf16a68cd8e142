#pragma once
// The one place the OpenGL flavour is chosen. The desktop build draws with
// OpenGL 3.3 core through libepoxy; a browser build (WebGL 2, which is
// OpenGL ES 3.0) takes the other branch. Everything that draws keeps within
// what both have: vertex arrays and buffers, plain vertex and fragment
// shaders, GL_LINES of width 1, no geometry shaders, no glPolygonMode, no
// client-side arrays.
#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <epoxy/gl.h>
#endif

namespace fly {

#ifdef __EMSCRIPTEN__
inline constexpr int kGlMajorVersion = 3;
inline constexpr int kGlMinorVersion = 0;
inline constexpr bool kGlEs = true;
inline constexpr const char* kShaderHeader = "#version 300 es\nprecision highp float;\n";
inline constexpr const char* kImGuiShaderVersion = "#version 300 es";
#else
inline constexpr int kGlMajorVersion = 3;
inline constexpr int kGlMinorVersion = 3;
inline constexpr bool kGlEs = false;
inline constexpr const char* kShaderHeader = "#version 330 core\n";
inline constexpr const char* kImGuiShaderVersion = "#version 330 core";
#endif

}  // namespace fly
