// libtrimsight_frame_capture.so: the plugin's objects as shipped, with every
// maths-library call renamed to the benchmark's recording functions (see
// CMakeLists.txt). The objects come whole from their archive; this file only
// gives the library a source of its own.
