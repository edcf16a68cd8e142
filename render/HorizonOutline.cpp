#include "render/HorizonOutline.h"

#include <array>
#include <cmath>

#include "render/FixedAngles.h"
#include "render/Numerics.h"

namespace render {

HorizonOutline buildOutline(int32_t dialRadius, float centreX, float centreY, float sinPitch,
                            int32_t pitchUnits, float rollAngle) {
    const float rh = static_cast<float>(static_cast<double>(dialRadius) * 1.005);
    const float b = sinPitch * rh;

    // Outline in the dial frame: ox across, oy down the canvas.
    std::array<double, 40> ox{};
    std::array<double, 40> oy{};

    if (pitchUnits == 0) {
        // Level flight: the half ellipse flattens onto the diameter. Its
        // points sit straight above the rim's, mirrored: ox = -Rh cos(k pi/20)
        // with the rim's single-precision angle and product, so the horizon
        // line spans the dial and the strip with the rim bounds the lower
        // half disc exactly.
        for (int32_t k = 0; k < 20; ++k) {
            ox[k] = static_cast<double>(outlineRimCos(k) * rh) * -1.0;
            oy[k] = 0.0;
        }
    } else if (b == 0.0f) {
        // A zero dial radius: the ellipse collapses onto the centre (the
        // sampling below would divide by zero).
        for (int32_t k = 0; k < 20; ++k) ox[k] = oy[k] = 0.0;
    } else {
        // One quarter of the half ellipse, mirrored into points 0..19.
        const float q0 = static_cast<float>(std::asin(1.0) / static_cast<double>(b));
        const float q = q0 * b;
        const float nb = b * -1.0f;
        const double bb = static_cast<double>(b * b);
        const double rr = static_cast<double>(rh * rh);
        std::array<double, 10> xs{};
        std::array<double, 10> ys{};
        for (int32_t i = 0; i < 10; ++i) {
            xs[i] = static_cast<double>(nb * quarterEllipseSine(i, q));
            ys[i] = std::sqrt((1.0 - xs[i] * xs[i] / bb) * rr);
        }
        for (int32_t k = 0; k < 10; ++k) {
            ox[k] = ys[k] * -1.0;
            oy[k] = xs[k];
        }
        ox[10] = 0.0;
        oy[10] = static_cast<double>(nb);
        for (int32_t k = 11; k < 20; ++k) {
            ox[k] = ys[20 - k];
            oy[k] = xs[20 - k];
        }
    }

    for (int32_t j = 0; j < 20; ++j) {
        const SinCos a = outlineRim(j);
        ox[20 + j] = static_cast<double>(a.cos * rh);
        oy[20 + j] = static_cast<double>(a.sin * rh);
    }

    HorizonOutline out;
    const double cr = static_cast<double>(std::cos(rollAngle));
    const double sr = static_cast<double>(std::sin(rollAngle));
    const double cxd = static_cast<double>(centreX);
    const double cyd = static_cast<double>(centreY);
    for (std::size_t i = 0; i < out.points.size(); ++i) {
        out.points[i] = {toInt(static_cast<float>((cr * ox[i] - sr * oy[i]) + cxd)),
                         toInt(static_cast<float>((cr * oy[i] + sr * ox[i]) + cyd))};
    }
    return out;
}

}  // namespace render
