#include "render/DialDrawing.h"

#include <array>
#include <cmath>
#include <cstddef>

#include "render/FixedAngles.h"
#include "render/Numerics.h"

namespace render {
namespace {

// Colours of the dial, (r, g, b, a).
struct Rgba {
    uint8_t r, g, b, a;
};
constexpr Rgba kBackground{20, 20, 20, 255};
constexpr Rgba kGround{215, 95, 0, 255};
constexpr Rgba kSky{50, 190, 220, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kStick{50, 200, 50, 255};
constexpr Rgba kBall{0, 0, 255, 255};
constexpr Rgba kVelocity{50, 255, 0, 255};
constexpr Rgba kBlack{0, 0, 0, 255};

// Below this a meridian point still faces the viewer: a little past a
// quarter turn, so the lines reach the rim.
constexpr double kFacingLimit = 1.586662880097977;

void setColor(CanvasWrapper& canvas, Rgba c) { canvas.SetColor(c.r, c.g, c.b, c.a); }

Vector2 add(Vector2 a, Vector2 b) { return {addWrap(a.X, b.X), addWrap(a.Y, b.Y)}; }
Vector2 sub(Vector2 a, Vector2 b) { return {subWrap(a.X, b.X), subWrap(a.Y, b.Y)}; }

// Turns an integer point clockwise on the canvas by the angle whose cosine
// and sine are given, truncating the result.
Vector2 turn(Vector2 p, float c, float s) {
    const float x = static_cast<float>(p.X);
    const float y = static_cast<float>(p.Y);
    return {toInt(c * x - s * y), toInt(c * y + s * x)};
}

// 40 triangles around the dial centre; the rim point j sits at angle
// 2j*pi/40 measured from the left (fanRim). Radius and centre in double
// precision.
void fillDiscDouble(CanvasWrapper& canvas, Vector2 centre, double cx, double cy, double radius) {
    Vector2 prev{toInt(cx - radius), centre.Y};
    for (int32_t j = 1; j <= 40; ++j) {
        const SinCos a = fanRim(j);
        const Vector2 cur{toInt(cx - radius * static_cast<double>(a.cos)),
                          toInt(cy - radius * static_cast<double>(a.sin))};
        canvas.FillTriangle(centre, prev, cur);
        prev = cur;
    }
}

// The same fan evaluated in single precision.
void fillDiscFloat(CanvasWrapper& canvas, Vector2 centre, float cx, float cy, float radius) {
    Vector2 prev{toInt(cx - radius), centre.Y};
    for (int32_t j = 1; j <= 40; ++j) {
        const SinCos a = fanRim(j);
        const Vector2 cur{toInt(cx - radius * a.cos), toInt(cy - radius * a.sin)};
        canvas.FillTriangle(centre, prev, cur);
        prev = cur;
    }
}

// One great circle of the attitude sphere, 80 steps from the zenith point
// round to it again. (wx, wy) select which of the sphere point's first two
// components carries sin(theta): (1, 0) or (0, 1).
void drawMeridian(CanvasWrapper& canvas, const Frame& frame, float heading, float wx, float wy,
                  float vx, float vy, float vz, float vLength) {
    const float R = static_cast<float>(frame.layout.dialRadius);
    const float sinH = std::sin(heading);
    const float cosH = std::cos(heading);
    const float sinP = frame.attitude.sinPitch;
    const float cosP = frame.attitude.cosPitch;
    const float cosRoll = std::cos(frame.target.rollAngle);
    const float sinRoll = std::sin(frame.target.rollAngle);
    Vector2 prev = frame.attitude.zenith;
    for (int32_t k = 1; k <= 80; ++k) {
        const SinCos theta = meridianStep(k);
        const float sinT = theta.sin;
        const float cosT = theta.cos;
        const Vector2 unrolled{toInt(R * sinT * sinH),
                               toInt(R * (sinT * cosH * sinP + cosT * cosP))};
        const Vector2 cur = turn(unrolled, cosRoll, sinRoll);
        const float w0 = wx * sinT;
        const float w1 = wy * sinT;
        const float w2 = cosT;
        const float dot = vx * w0 + vy * w1 + vz * w2;
        const float wLength = meridianPointLength(k, w0, w1, w2);
        const float facing = std::acos(dot / (vLength * wLength));
        if (static_cast<double>(facing) < kFacingLimit) {
            setColor(canvas, kWhite);
            drawSegment(canvas, prev, cur, frame.layout.centrePixel);
        }
        prev = cur;
    }
}

// A dot drawn for a direction behind the car: a smaller box with a black
// cross. Returns the side of the box.
int32_t drawBehindDot(CanvasWrapper& canvas, Rgba colour, Vector2 corner, int32_t size) {
    const int32_t b = mulWrap(2, size) / 3;
    setColor(canvas, colour);
    canvas.SetPosition(corner);
    canvas.FillBox({b, b});
    setColor(canvas, kBlack);
    canvas.DrawLine(corner, add(corner, {b, b}), 1.0f);
    canvas.DrawLine(add(corner, {b, 0}), add(corner, {0, b}), 1.0f);
    return b;
}

}  // namespace

void drawSegment(CanvasWrapper canvas, Vector2 from, Vector2 to, Vector2 origin) {
    const double dx = static_cast<double>(subWrap(to.X, from.X));
    const double dy = static_cast<double>(subWrap(to.Y, from.Y));
    const int32_t length = toInt(std::sqrt(dx * dx + dy * dy) + 3.0);
    const float heading = static_cast<float>(std::atan2(dy, dx));
    const float len = static_cast<float>(length);
    const Vector2 end{toInt(len * std::cos(heading) + static_cast<float>(from.X)),
                      toInt(len * std::sin(heading) + static_cast<float>(from.Y))};
    canvas.DrawLine(add(from, origin), add(end, origin), 2.0f);
}

void drawDial(const Frame& frame, CanvasWrapper canvas) {
    const Layout& lay = frame.layout;
    const Vector2 centre = lay.centrePixel;
    const auto& outline = frame.outline.points;

    // 1. Background disc, a little wider than the marker.
    setColor(canvas, kBackground);
    fillDiscDouble(canvas, centre, static_cast<double>(lay.centreX),
                   static_cast<double>(lay.centreY), 1.1 * static_cast<double>(lay.markerRadius));

    // 2. Ground disc.
    setColor(canvas, kGround);
    fillDiscFloat(canvas, centre, lay.centreX, lay.centreY, static_cast<float>(lay.dialRadius));

    // 3. Sky: a strip pairing the horizon half ellipse with the rim half
    // circle, point i with point 39 - i.
    setColor(canvas, kSky);
    for (int32_t i = 0; i <= 18; ++i) {
        canvas.FillTriangle(outline[i], outline[i + 1], outline[39 - i]);
        canvas.FillTriangle(outline[i + 1], outline[39 - i], outline[38 - i]);
    }

    // 4. Horizon line along the half ellipse only.
    setColor(canvas, kWhite);
    for (int32_t i = 1; i <= 19; ++i) {
        drawSegment(canvas, sub(outline[i - 1], centre), sub(outline[i], centre), centre);
    }

    // 5. Meridian lines, drawn where they face the viewer.
    const float sinY = std::sin(frame.attitude.yaw);
    const float cosY = frame.attitude.cosYaw;
    const float cosP = frame.attitude.cosPitch;
    const float sinP = frame.attitude.sinPitch;
    const float vx = sinY * cosP;
    const float vy = -cosY * cosP;
    const float vz = sinP;
    const float vLength = std::sqrt(vx * vx + vy * vy + vz * vz);
    drawMeridian(canvas, frame, frame.attitude.yaw, 0.0f, 1.0f, vx, vy, vz, vLength);
    drawMeridian(canvas, frame, frame.attitude.yaw + HALF_PI_F, 1.0f, 0.0f, vx, vy, vz, vLength);

    // 6. Target marker, in the white the lines left.
    if (frame.target.markerVisible) {
        std::array<Vector2, 8> p;
        for (std::size_t i = 0; i < p.size(); ++i) p[i] = add(frame.marker.points[i], centre);
        canvas.FillTriangle(p[0], p[1], p[2]);
        canvas.FillTriangle(p[3], p[1], p[2]);
        canvas.FillTriangle(p[4], p[2], p[3]);
        canvas.FillTriangle(p[5], p[3], p[4]);
        canvas.FillTriangle(p[6], p[4], p[5]);
        canvas.FillTriangle(p[7], p[5], p[6]);
    }

    // 7. Stick indicator: the middle of the marker turned to the stick.
    if (std::fabs(static_cast<double>(frame.marker.stickY)) > 0.1 ||
        std::fabs(static_cast<double>(frame.marker.stickX)) > 0.1) {
        const float c = std::cos(frame.marker.stickAngle);
        const float s = std::sin(frame.marker.stickAngle);
        const auto& ind = frame.marker.indicator;
        const Vector2 i3 = add(turn(ind[0], c, s), centre);
        const Vector2 i4 = add(turn(ind[1], c, s), centre);
        const Vector2 i5 = add(turn(ind[2], c, s), centre);
        const Vector2 i6 = add(turn(ind[3], c, s), centre);
        setColor(canvas, kStick);
        canvas.FillTriangle(i3, i4, i5);
        canvas.FillTriangle(i6, i4, i5);
    }

    // 8. Ball dot; a ball behind gets a smaller, crossed dot, which also
    // shrinks the velocity dot.
    const int32_t S = frame.target.dotSize;
    int32_t T = S;
    if (frame.target.ballOffNose <= HALF_PI_F) {
        setColor(canvas, kBall);
        canvas.SetPosition(frame.target.ballCorner);
        canvas.FillBox({S, S});
    } else {
        const int32_t b = drawBehindDot(canvas, kBall, frame.target.ballCorner, S);
        T = mulWrap(3, b) / 2;
    }

    // 9. Velocity dot, only once the car moves relative to the ball.
    if (frame.scene.relativeSpeed >= kVelocityCueMinSpeed) {
        if (frame.target.velocityOffNose < HALF_PI_F) {
            setColor(canvas, kVelocity);
            canvas.SetPosition(frame.target.velocityCorner);
            canvas.FillBox({T, T});
        } else {
            drawBehindDot(canvas, kVelocity, frame.target.velocityCorner, T);
        }
    }

    // 10. Centre symbol: two wings and a V below the centre, on top of all.
    setColor(canvas, kBlack);
    const double R = static_cast<double>(lay.dialRadius);
    const double cx = static_cast<double>(lay.centreX);
    const double cy = static_cast<double>(lay.centreY);
    const double e = 0.35 * R;
    const double r = 0.09 * R;
    const double h = 0.1 * R;
    const double o = 0.01 * R;
    const int32_t cyi = centre.Y;
    canvas.DrawLine({toInt(cx - e), cyi}, {toInt(cx - r), cyi}, 6.0f);
    canvas.DrawLine({toInt(cx - h), cyi}, {toInt(cx + o), toInt(cy + h)}, 6.0f);
    canvas.DrawLine({toInt(cx - o), toInt(cy + h)}, {toInt(cx + h), cyi}, 6.0f);
    canvas.DrawLine({toInt(cx + r), cyi}, {toInt(cx + e), cyi}, 6.0f);
}

}  // namespace render
