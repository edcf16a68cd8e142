#pragma once
// Small single-precision vector and rotation-matrix types for the simulation.
// Every operation is spelled out in one fixed order so that a tick gives the
// same bits wherever it runs (the build never contracts into fused
// multiply-adds).
#include <cmath>

#include "host/Types.h"

namespace sandbox {

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline Vec3& operator+=(Vec3& a, Vec3 b) { return a = a + b; }
inline bool operator==(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }

// A vector no longer than `maxLength`, with its direction kept.
inline Vec3 clampLength(Vec3 a, float maxLength) {
    const float len = length(a);
    return len > maxLength ? a * (maxLength / len) : a;
}

inline Vector toHost(Vec3 a) { return {a.x, a.y, a.z}; }
inline Vec3 fromHost(Vector a) { return {a.X, a.Y, a.Z}; }

}  // namespace sandbox
