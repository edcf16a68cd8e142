#include "render/Peripheral.h"

#include <cmath>

#include "render/FixedAngles.h"
#include "render/Numerics.h"

namespace render {
namespace {

// Placement of the band: centre, direction and radii, fixed for the frame.
struct Band {
    Vector2 centre;
    float cosPhi;
    float sinPhi;

    // The point at the angle whose sine and cosine are given (angle 0 lies
    // straight down the canvas) and radius r, turned to the band direction
    // and placed about the centre.
    Vector2 point(SinCos a, float r) const {
        const float x = static_cast<float>(toInt(a.sin * r));
        const float y = static_cast<float>(toInt(a.cos * r));
        return {addWrap(toInt(cosPhi * x - sinPhi * y), centre.X),
                addWrap(toInt(cosPhi * y + sinPhi * x), centre.Y)};
    }
    Vector2 point(float a, float r) const { return point(sinCos(a), r); }
};

constexpr uint8_t kAlpha = 50;

}  // namespace

void drawPeripheral(const Frame& frame, CanvasWrapper canvas, TargetOption target) {
    if (target == TargetOption::None) return;
    // Too slow for the velocity targets to have a direction: the dial hides
    // their marker, and the band is hidden with it.
    if (followsVelocity(target) && frame.scene.relativeSpeed < kVelocityCueMinSpeed) return;
    // An off-nose angle that is not a number has no band to show.
    const float offNose = frame.target.targetOffNose;
    if (std::isnan(offNose)) return;

    const double H = static_cast<double>(frame.layout.canvasHeight);
    const Vector2 centre{frame.layout.canvasWidth / 2, toInt(H / 1.75)};
    const float Rp = static_cast<float>(H * 0.35);
    const float d = static_cast<float>(static_cast<double>(Rp) * 0.04);
    const float ro = static_cast<float>(toInt(Rp + d));
    const float ri = static_cast<float>(toInt(Rp - d));
    int32_t N = toInt(static_cast<double>(offNose) * 40.5 / static_cast<double>(PI_F));
    // Nothing for a target within about 4.4 degrees of the nose.
    if (N <= 0) return;
    // An arc cosine never exceeds pi, which gives 40; keep a hand-made
    // angle from running the loop away.
    if (N > 40) N = 40;

    const float phi = frame.marker.markerAngle + PI_F;
    const Band band{centre, std::cos(phi), std::sin(phi)};

    // Middle piece, straddling the band direction. Its angles are constants
    // of the source, which the compiler evaluates, so they stay as written.
    const float o1 = 1.0f * 1.02f / 40.0f;
    const float i1 = 1.0f * 0.89f / 40.0f;
    // Left and right, outer and inner corners of the latest step.
    Vector2 lOut = band.point(-o1, ro);
    Vector2 lIn = band.point(-i1, ri);
    Vector2 rOut = band.point(o1, ro);
    Vector2 rIn = band.point(i1, ri);
    canvas.SetColor(255, 0, 0, kAlpha);
    canvas.FillTriangle(lOut, rOut, lIn);
    canvas.FillTriangle(lIn, rIn, rOut);
    if (N <= 2) return;

    // Steps outward on both sides, each lighter than the last and starting
    // from the previous step's end points so the pieces join.
    for (int32_t k = 2; k <= N - 1; ++k) {
        const auto c = static_cast<uint8_t>((80 * k) / N);
        canvas.SetColor(255, c, c, kAlpha);
        const BandStep step = bandStep(k);
        const Vector2 loK = band.point(step.outerLeft, ro);
        const Vector2 liK = band.point(step.innerLeft, ri);
        const Vector2 roK = band.point(step.outerRight, ro);
        const Vector2 riK = band.point(step.innerRight, ri);
        canvas.FillTriangle(lOut, loK, lIn);
        canvas.FillTriangle(lIn, liK, loK);
        canvas.FillTriangle(rOut, roK, rIn);
        canvas.FillTriangle(rIn, riK, roK);
        lOut = loK;
        lIn = liK;
        rOut = roK;
        rIn = riK;
    }
}

}  // namespace render
