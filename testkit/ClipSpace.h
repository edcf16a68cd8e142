#pragma once
// Where the window's camera puts a world point, worked out on the CPU as the
// GPU does from the same matrix (fly/Camera.h's viewProjection): for tests
// of the camera's maths and of what a picture of the window shows where.
#include "fly/Camera.h"

namespace hosttest {

// A point in clip space, and where it lands on the screen: x from -1 (left
// edge) to 1 (right edge), y from -1 (bottom) to 1 (top).
struct ClipPoint {
    float x, y, z, w;
    bool inFront() const { return w > 0.0f; }
    float screenX() const { return x / w; }
    float screenY() const { return y / w; }
};

inline ClipPoint project(const fly::Mat4& matrix, sandbox::Vec3 p) {
    const float v[4] = {p.x, p.y, p.z, 1.0f};
    float out[4];
    for (int r = 0; r < 4; ++r)
        out[r] = matrix.at(r, 0) * v[0] + matrix.at(r, 1) * v[1] + matrix.at(r, 2) * v[2] +
                 matrix.at(r, 3) * v[3];
    return {out[0], out[1], out[2], out[3]};
}

}  // namespace hosttest
