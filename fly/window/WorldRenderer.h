#pragma once
// The 3D world behind the dial, in OpenGL (the subset Gl.h names, so a
// browser build reuses it): sky, a floor with a grid every 512 uu, the
// arena's outline, the car as a box with its nose and underside plain to
// see, the ball as a shaded sphere, and a shadow and a drop line under each
// so their height reads at a glance; ghost cars (GhostCar.h) as
// see-through boxes with their edges drawn; a course's rings (RingMark.h)
// as see-through bands with their inner edge drawn, and, when the next ring
// is off the screen, a line from the car towards it.
//
// Colours are chosen well apart from the dial's: its ground is orange
// (215, 95, 0) and its sky cyan (50, 190, 220); the world's sky is a pale
// grey-blue and its floor a dark green.
#include <memory>
#include <span>

#include "base/Result.h"
#include "canvas/Colour.h"
#include "canvas/Image.h"
#include "fly/Camera.h"
#include "fly/GhostCar.h"
#include "fly/RingMark.h"
#include "sandbox/Physics.h"
#include "sandbox/Prediction.h"

namespace fly {

// The world's flat colours, for tests that look at pictures.
using canvas::Rgb8;
inline constexpr Rgb8 kSkyColour{150, 170, 195};
inline constexpr Rgb8 kFloorColour{46, 82, 52};
inline constexpr float kGridSpacing = 512.0f;
// A ghost car's sides and roof, unlit, and how much of them covers what is
// behind: over the sky a ghost shows as its colour * kGhostAlpha + sky *
// (1 - kGhostAlpha). Its nose is yellow and its underside dark, as the car's.
// The two kinds apart at a glance: the target attitude pink, the best
// attempt pale blue (the HUD names them).
inline constexpr Rgb8 kTargetGhostColour{255, 120, 215};
inline constexpr Rgb8 kBestGhostColour{200, 235, 255};
inline constexpr Rgb8 ghostColour(GhostKind kind) {
    return kind == GhostKind::TargetAttitude ? kTargetGhostColour : kBestGhostColour;
}
inline constexpr float kGhostAlpha = 0.45f;
// A ring's colour: the next one bright, the one after it dimmer, the rest
// faint; passed ones fainter still and grey, missed ones faint red.
inline constexpr Rgb8 kRingColour{120, 255, 90};
inline constexpr Rgb8 kPassedRingColour{200, 200, 200};
inline constexpr Rgb8 kMissedRingColour{255, 80, 60};
inline constexpr float kRingAlpha[kRingLookCount] = {0.9f, 0.45f, 0.2f, 0.12f, 0.2f};

// The path ahead (sandbox/Prediction.h): the ball's a solid line with a
// tick at each bounce, the car's dotted, and the point where the car comes
// nearest the ball marked by a cross on the car's path joined to the ball's
// point of that moment (the time the HUD writes beside it).
inline constexpr Rgb8 kBallPathColour{255, 235, 110};
inline constexpr Rgb8 kCarPathColour{120, 205, 255};
inline constexpr Rgb8 kNearestColour{255, 70, 50};
struct PathDrawing {
    const sandbox::PathAhead* path = nullptr;  // null: none drawn
    bool ball = false;
    bool car = false;  // with the nearest point
};

class WorldRenderer {
  public:
    // Compiles the shaders and uploads the meshes; needs a current context.
    static base::Result<std::unique_ptr<WorldRenderer>> create();
    ~WorldRenderer();
    WorldRenderer(const WorldRenderer&) = delete;
    WorldRenderer& operator=(const WorldRenderer&) = delete;

    // Clears the framebuffer to the sky and draws the world as the camera
    // sees it, over the whole framebuffer, with the ghost cars last.
    void draw(const sandbox::World& world, const CameraPose& camera, int width, int height,
              std::span<const GhostCar> ghosts = {}, const PathDrawing& path = {},
              std::span<const RingMark> rings = {});

  private:
    struct Mesh;
    struct Meshes;
    WorldRenderer();
    void drawMesh(const Mesh& mesh, const Mat4& model);
    void drawGhosts(std::span<const GhostCar> ghosts);
    void drawPath(const PathDrawing& path);
    void drawRings(std::span<const RingMark> rings, const Mat4& viewProjection, Vec3 car);

    unsigned program_ = 0;
    int modelLocation_ = -1;
    int viewProjectionLocation_ = -1;
    int linesLocation_ = -1;
    std::unique_ptr<Meshes> meshes_;
};

// The framebuffer being drawn, read back top row first; call before the
// buffers are swapped (the back buffer is undefined after).
void readFramebuffer(int width, int height, canvas::Image& out);

}  // namespace fly
