#include "fly/window/WorldRenderer.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fly/platform/Gl.h"
#include "sandbox/Arena.h"

namespace fly {
namespace {

using sandbox::Vec3;

// One vertex: position, normal (zero: drawn unlit) and colour; for a line,
// the other end's position (the shader clips the line at the near plane).
struct Vertex {
    float position[3];
    float normal[3];
    float colour[4];
    float other[3];
};

// A vertex's colour, as the shader takes it.
struct VertexColour {
    float r, g, b, a;
};

// A vector's component by its axis, 0 to 2. Not `(&v.x)[axis]`: indexing
// past the member `x` is undefined behaviour, and clang (the browser
// build's compiler) dropped those stores, collapsing the car's sides and
// roof into its middle.
float& component(Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
float component(const Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

VertexColour colour(Rgb8 c, float alpha = 1.0f) {
    return {static_cast<float>(c.r) / 255.0f, static_cast<float>(c.g) / 255.0f,
            static_cast<float>(c.b) / 255.0f, alpha};
}

constexpr Rgb8 kGridColour{74, 116, 80};
constexpr Rgb8 kCentreLineColour{150, 180, 150};
constexpr Rgb8 kArenaColour{235, 235, 240};
// The goal at +y orange, at -y blue, as the car game's teams.
constexpr Rgb8 kGoalColours[2] = {{255, 160, 50}, {60, 130, 255}};
constexpr Rgb8 kRoofColour{40, 100, 230};
constexpr Rgb8 kSideColour{30, 70, 170};
constexpr Rgb8 kNoseColour{255, 210, 40};
constexpr Rgb8 kTailColour{200, 40, 40};
constexpr Rgb8 kUndersideColour{70, 70, 74};
constexpr Rgb8 kWheelColour{20, 20, 20};
constexpr Rgb8 kBallColour{225, 225, 225};
constexpr float kShadowAlpha = 0.4f;
constexpr float kCarShadowRadius = 70.0f;
// The floor reaches well past the arena so that it meets the sky at a
// horizon from anywhere inside.
constexpr float kFloorReach = 30000.0f;
// Light from above, a little ahead and to the side.
constexpr float kLight[3] = {0.32f, 0.24f, 0.92f};

// Lit per vertex: the boxes' faces are flat, so that is exact for them, and
// the sphere is fine enough; the fragments, most of the screen for a
// software renderer, then only pass their colour on.
const char* kVertexShader = R"(
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 colour;
layout(location = 3) in vec3 other;
uniform mat4 viewProjection;
uniform mat4 model;
uniform vec3 light;
uniform bool lines;
out vec4 shade;
void main() {
    mat4 toClip = viewProjection * model;
    vec4 here = toClip * vec4(position, 1.0);
    // A line's end behind the near plane is moved along the line onto a
    // point just in front of it, so that no line needs the rasteriser's
    // clipping there: headless Chromium's WebGL (ANGLE on SwiftShader)
    // draws nothing of a line with an end behind the eye.
    if (lines) {
        vec4 there = toClip * vec4(other, 1.0);
        float inHere = here.z + here.w;
        float inThere = there.z + there.w;
        const float kInside = 0.01;
        if (inHere < kInside && inThere > kInside)
            here = mix(here, there, (kInside - inHere) / (inThere - inHere));
    }
    gl_Position = here;
    vec3 facing = mat3(model) * normal;
    float lit = 1.0;
    if (dot(facing, facing) > 0.0) lit = 0.5 + 0.5 * max(dot(normalize(facing), light), 0.0);
    shade = vec4(colour.rgb * lit, colour.a);
}
)";

const char* kFragmentShader = R"(
in vec4 shade;
out vec4 fragment;
void main() {
    fragment = shade;
}
)";

class MeshBuilder {
  public:
    void vertex(Vec3 p, Vec3 n, VertexColour c) {
        vertices.push_back(
            {{p.x, p.y, p.z}, {n.x, n.y, n.z}, {c.r, c.g, c.b, c.a}, {p.x, p.y, p.z}});
    }
    void line(Vec3 a, Vec3 b, VertexColour c) {
        vertex(a, {}, c);
        vertex(b, {}, c);
        Vertex& first = vertices[vertices.size() - 2];
        Vertex& second = vertices.back();
        for (int k = 0; k < 3; ++k) {
            first.other[k] = second.position[k];
            second.other[k] = first.position[k];
        }
    }
    void quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 n, VertexColour col) {
        for (Vec3 p : {a, b, c, a, c, d}) vertex(p, n, col);
    }
    // An axis-aligned box; `faces` colours -x, +x, -y, +y, -z, +z.
    void box(Vec3 centre, Vec3 size, const VertexColour (&faces)[6]) {
        const Vec3 h = size * 0.5f;
        for (int axis = 0; axis < 3; ++axis)
            for (int side = 0; side < 2; ++side) {
                const float sign = side == 0 ? -1.0f : 1.0f;
                Vec3 n{};
                component(n, axis) = sign;
                // Two axes across the face.
                Vec3 u{}, v{};
                component(u, (axis + 1) % 3) = component(h, (axis + 1) % 3);
                component(v, (axis + 2) % 3) = component(h, (axis + 2) % 3);
                const Vec3 c = centre + Vec3{n.x * h.x, n.y * h.y, n.z * h.z};
                quad(c - u - v, c + u - v, c + u + v, c - u + v, n, faces[axis * 2 + side]);
            }
    }
    std::vector<Vertex> vertices;
};

std::vector<Vertex> floorMesh() {
    MeshBuilder m;
    const float r = kFloorReach;
    m.quad({-r, -r, 0}, {r, -r, 0}, {r, r, 0}, {-r, r, 0}, {}, colour(kFloorColour));
    return m.vertices;
}

// Each goal: its opening in the end wall (posts, crossbar, goal line) and
// the room behind it, its edges drawn like the arena's.
void goalLines(MeshBuilder& m) {
    namespace a = sandbox::arena;
    namespace mech = sandbox::mechanics;
    const float w = mech::kGoalHalfWidth, h = mech::kGoalHeight;
    for (int end = 0; end < 2; ++end) {
        const float sign = end == 0 ? 1.0f : -1.0f;
        const float line = sign * a::kHalfLength;
        const float back = sign * (a::kHalfLength + mech::kGoalDepth);
        const VertexColour c = colour(kGoalColours[end]);
        for (float y : {line, back}) {
            m.line({-w, y, 0}, {w, y, 0}, c);
            m.line({-w, y, h}, {w, y, h}, c);
            m.line({-w, y, 0}, {-w, y, h}, c);
            m.line({w, y, 0}, {w, y, h}, c);
        }
        for (float x : {-w, w})
            for (float z : {0.0f, h}) m.line({x, line, z}, {x, back, z}, c);
    }
}

std::vector<Vertex> arenaLines() {
    namespace a = sandbox::arena;
    MeshBuilder m;
    for (float x = -a::kHalfWidth; x <= a::kHalfWidth; x += kGridSpacing)
        m.line({x, -a::kHalfLength, 0}, {x, a::kHalfLength, 0},
               colour(x == 0.0f ? kCentreLineColour : kGridColour));
    for (float y = -a::kHalfLength; y <= a::kHalfLength; y += kGridSpacing)
        m.line({-a::kHalfWidth, y, 0}, {a::kHalfWidth, y, 0},
               colour(y == 0.0f ? kCentreLineColour : kGridColour));
    // The arena's twelve edges.
    const float xs[2] = {-a::kHalfWidth, a::kHalfWidth};
    const float ys[2] = {-a::kHalfLength, a::kHalfLength};
    const float zs[2] = {0.0f, a::kHeight};
    const VertexColour c = colour(kArenaColour);
    for (float z : zs)
        for (int i = 0; i < 2; ++i) {
            m.line({xs[i], ys[0], z}, {xs[i], ys[1], z}, c);
            m.line({xs[0], ys[i], z}, {xs[1], ys[i], z}, c);
        }
    for (float x : xs)
        for (float y : ys) m.line({x, y, 0}, {x, y, a::kHeight}, c);
    goalLines(m);
    return m.vertices;
}

// The car in its own axes (forward, right, up): the body box, a yellow nose,
// a red tail, a dark underside with four wheels, and an arrow on the roof.
std::vector<Vertex> carMesh() {
    namespace k = sandbox::model;
    MeshBuilder m;
    const VertexColour side = colour(kSideColour);
    const VertexColour body[6] = {colour(kTailColour),      colour(kNoseColour), side, side,
                                  colour(kUndersideColour), colour(kRoofColour)};
    m.box(k::kCarBoxOffset, k::kCarBoxSize, body);
    const VertexColour wheel = colour(kWheelColour);
    const VertexColour wheels[6] = {wheel, wheel, wheel, wheel, wheel, wheel};
    const float bottom = k::kCarBoxOffset.z - k::kCarBoxSize.z * 0.5f;
    for (float along : {-38.0f, 38.0f})
        for (float across : {-1.0f, 1.0f})
            m.box({k::kCarBoxOffset.x + along, across * (k::kCarBoxSize.y * 0.5f - 6.0f), bottom},
                  {34.0f, 14.0f, 34.0f}, wheels);
    const float roof = k::kCarBoxOffset.z + k::kCarBoxSize.z * 0.5f + 0.5f;
    const Vec3 up{0, 0, 1};
    const VertexColour arrow = colour(kNoseColour);
    m.vertex({k::kCarBoxOffset.x + 55.0f, 0, roof}, up, arrow);
    m.vertex({k::kCarBoxOffset.x - 15.0f, -28.0f, roof}, up, arrow);
    m.vertex({k::kCarBoxOffset.x - 15.0f, 28.0f, roof}, up, arrow);
    return m.vertices;
}

// A ghost car in its own axes: the car's box grown by kGhostScale about its
// centre, unlit and see-through, its nose and underside told apart.
std::vector<Vertex> ghostMesh(Rgb8 body) {
    namespace k = sandbox::model;
    const VertexColour side = colour(body, kGhostAlpha);
    const VertexColour faces[6] = {side, colour(kNoseColour, kGhostAlpha + 0.15f),      side,
                                   side, colour(kUndersideColour, kGhostAlpha + 0.15f), side};
    MeshBuilder unlit;
    unlit.box(k::kCarBoxOffset, k::kCarBoxSize * kGhostScale, faces);
    for (Vertex& v : unlit.vertices) v.normal[0] = v.normal[1] = v.normal[2] = 0.0f;
    return unlit.vertices;
}

// The ghost's twelve edges, so that its attitude reads even where it covers
// the car.
std::vector<Vertex> ghostEdges(Rgb8 body) {
    namespace k = sandbox::model;
    MeshBuilder m;
    const Vec3 h = k::kCarBoxSize * (0.5f * kGhostScale);
    const Vec3 c = k::kCarBoxOffset;
    const VertexColour edge = colour(body, 0.9f);
    for (int axis = 0; axis < 3; ++axis)
        for (float a : {-1.0f, 1.0f})
            for (float b : {-1.0f, 1.0f}) {
                Vec3 from{}, to{};
                component(from, axis) = -component(h, axis);
                component(to, axis) = component(h, axis);
                component(from, (axis + 1) % 3) = component(to, (axis + 1) % 3) =
                    a * component(h, (axis + 1) % 3);
                component(from, (axis + 2) % 3) = component(to, (axis + 2) % 3) =
                    b * component(h, (axis + 2) % 3);
                m.line(c + from, c + to, edge);
            }
    return m.vertices;
}

// A sphere of radius 1 from latitude bands.
std::vector<Vertex> sphereMesh() {
    constexpr int kBands = 16;
    constexpr int kSegments = 32;
    constexpr float kPi = 3.14159265358979f;
    MeshBuilder m;
    const auto at = [](int band, int segment) {
        const float lat = kPi * static_cast<float>(band) / kBands - kPi / 2.0f;
        const float lon = 2.0f * kPi * static_cast<float>(segment) / kSegments;
        return Vec3{std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
    };
    const VertexColour c = colour(kBallColour);
    for (int b = 0; b < kBands; ++b)
        for (int s = 0; s < kSegments; ++s) {
            const Vec3 p[4] = {at(b, s), at(b, s + 1), at(b + 1, s + 1), at(b + 1, s)};
            for (int i : {0, 1, 2, 0, 2, 3}) m.vertex(p[i], p[i], c);
        }
    return m.vertices;
}

// A disc of radius 1 on the floor, for shadows.
std::vector<Vertex> discMesh() {
    constexpr int kSegments = 32;
    MeshBuilder m;
    const VertexColour c{0.0f, 0.0f, 0.0f, kShadowAlpha};
    for (int s = 0; s < kSegments; ++s) {
        const float a0 = 6.2831853f * static_cast<float>(s) / kSegments;
        const float a1 = 6.2831853f * static_cast<float>(s + 1) / kSegments;
        m.vertex({0, 0, 0}, {}, c);
        m.vertex({std::cos(a0), std::sin(a0), 0}, {}, c);
        m.vertex({std::cos(a1), std::sin(a1), 0}, {}, c);
    }
    return m.vertices;
}

// The path ahead's lines, made afresh each frame into `m` (its vertices'
// room kept from frame to frame).
constexpr int kCarPathDash = 3;  // ticks drawn of every kCarPathDotEvery
constexpr int kCarPathDotEvery = 8;
constexpr float kBounceTick = 40.0f;    // uu up and down from a bounce
constexpr float kNearestCross = 45.0f;  // uu each way
constexpr std::size_t kMaxPathVertices =
    2 * (sandbox::kBallPathTicks + 2 * sandbox::kMaxPathBounces + sandbox::kCarPathTicks + 4);

void pathLines(const PathDrawing& d, MeshBuilder& m) {
    m.vertices.clear();
    const sandbox::PathAhead& p = *d.path;
    if (d.ball) {
        const VertexColour c = colour(kBallPathColour);
        for (std::size_t k = 1; k < p.ball.size(); ++k) m.line(p.ball[k - 1], p.ball[k], c);
        for (int b = 0; b < p.bounces; ++b) {
            const Vec3 at =
                p.ball[static_cast<std::size_t>(p.bounceTicks[static_cast<std::size_t>(b)])];
            m.line(at - Vec3{0, 0, kBounceTick}, at + Vec3{0, 0, kBounceTick}, c);
        }
    }
    if (d.car) {
        const VertexColour c = colour(kCarPathColour);
        for (std::size_t k = 1; k < p.car.size(); ++k)
            if (static_cast<int>(k - 1) % kCarPathDotEvery < kCarPathDash)
                m.line(p.car[k - 1], p.car[k], c);
        const VertexColour n = colour(kNearestColour);
        const Vec3 car = p.car[static_cast<std::size_t>(p.nearestTick)];
        const Vec3 ball = p.ball[static_cast<std::size_t>(p.nearestTick)];
        m.line(car - Vec3{kNearestCross, 0, 0}, car + Vec3{kNearestCross, 0, 0}, n);
        m.line(car - Vec3{0, kNearestCross, 0}, car + Vec3{0, kNearestCross, 0}, n);
        m.line(car - Vec3{0, 0, kNearestCross}, car + Vec3{0, 0, kNearestCross}, n);
        m.line(car, ball, n);
    }
}

std::vector<Vertex> dropLineMesh() {
    MeshBuilder m;
    m.line({0, 0, 0}, {0, 0, 1}, {1.0f, 1.0f, 1.0f, 0.6f});
    return m.vertices;
}

// A ring of inner radius 1 in the local plane square to +x (the way
// through), as a band a tenth of its radius wide, see-through in the look's
// colour, and its inner edge as lines.
constexpr float kRingBand = 0.1f;
constexpr int kRingSegments = 48;

Rgb8 ringColour(RingLook look) {
    return look == RingLook::Passed   ? kPassedRingColour
           : look == RingLook::Missed ? kMissedRingColour
                                      : kRingColour;
}

std::vector<Vertex> ringMesh(RingLook look) {
    MeshBuilder m;
    const VertexColour c = colour(ringColour(look), kRingAlpha[static_cast<int>(look)]);
    for (int s = 0; s < kRingSegments; ++s) {
        const float a0 = 6.2831853f * static_cast<float>(s) / kRingSegments;
        const float a1 = 6.2831853f * static_cast<float>(s + 1) / kRingSegments;
        const Vec3 in0{0, std::cos(a0), std::sin(a0)}, in1{0, std::cos(a1), std::sin(a1)};
        const float out = 1.0f + kRingBand;
        m.quad(in0, in1, in1 * out, in0 * out, {}, c);
    }
    return m.vertices;
}

std::vector<Vertex> ringEdge(RingLook look) {
    MeshBuilder m;
    const float alpha = std::min(1.0f, kRingAlpha[static_cast<int>(look)] + 0.3f);
    const VertexColour c = colour(ringColour(look), alpha);
    for (int s = 0; s < kRingSegments; ++s) {
        const float a0 = 6.2831853f * static_cast<float>(s) / kRingSegments;
        const float a1 = 6.2831853f * static_cast<float>(s + 1) / kRingSegments;
        m.line({0, std::cos(a0), std::sin(a0)}, {0, std::cos(a1), std::sin(a1)}, c);
    }
    return m.vertices;
}

// From the car along local +z, 1 long: the pointer to an unseen ring.
std::vector<Vertex> pointerMesh() {
    MeshBuilder m;
    m.line({0, 0, 0}, {0, 0, 1}, colour(kRingColour));
    return m.vertices;
}

// A ring's local axes to the world: +x onto its facing, the plane's two
// axes square to it, all scaled by its radius.
Mat4 ringMatrix(const RingMark& ring) {
    const Vec3 f = ring.facing;
    Vec3 u = sandbox::cross(f, Vec3{0.0f, 0.0f, 1.0f});
    if (sandbox::length(u) < 1e-3f) u = sandbox::cross(f, Vec3{0.0f, 1.0f, 0.0f});
    u = u * (1.0f / sandbox::length(u));
    const Vec3 v = sandbox::cross(u, f);
    const float r = ring.radius;
    Mat4 m;
    const Vec3 axes[3] = {f * r, u * r, v * r};
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row) m.at(row, col) = component(axes[col], row);
    for (int row = 0; row < 3; ++row) m.at(row, 3) = component(ring.centre, row);
    return m;
}

// The pointer: local +z from the car towards `target`, `length` long.
Mat4 pointerMatrix(Vec3 car, Vec3 target, float length) {
    Mat4 m = ringMatrix({car, Vec3{0, 0, 1}, 1.0f});
    const Vec3 d = target - car;
    const float distance = sandbox::length(d);
    const Vec3 along = distance > 1.0f ? d * (length / distance) : Vec3{0, 0, length};
    for (int row = 0; row < 3; ++row) m.at(row, 2) = component(along, row);
    return m;
}

// Whether a world point is on the screen (in front of the eye and inside
// the view's edges).
bool onScreen(const Mat4& viewProjection, Vec3 p) {
    float clip[4];
    for (int row = 0; row < 4; ++row)
        clip[row] = viewProjection.at(row, 0) * p.x + viewProjection.at(row, 1) * p.y +
                    viewProjection.at(row, 2) * p.z + viewProjection.at(row, 3);
    const float w = clip[3];
    return w > 0.0f && std::fabs(clip[0]) <= w && std::fabs(clip[1]) <= w;
}

// How long the pointer to an unseen ring is drawn.
constexpr float kPointerLength = 400.0f;

// Empty when the shader or program passed its status check, else its log.
template <typename GetParameter, typename GetLog>
std::string problemOf(GLuint object, GLenum status, GetParameter getParameter, GetLog getLog) {
    GLint ok = GL_FALSE;
    getParameter(object, status, &ok);
    if (ok == GL_TRUE) return {};
    char log[1024] = {};
    getLog(object, sizeof log, nullptr, log);
    return log[0] != '\0' ? log : "no log";
}

base::Result<unsigned> compile(GLenum kind, const char* body) {
    const GLuint shader = glCreateShader(kind);
    const char* parts[2] = {kShaderHeader, body};
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    const std::string problem =
        problemOf(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog);
    if (problem.empty()) return static_cast<unsigned>(shader);
    glDeleteShader(shader);
    return base::Failure{"the world's shader does not compile: " + problem};
}

base::Result<unsigned> linkProgram() {
    base::Result<unsigned> vertex = compile(GL_VERTEX_SHADER, kVertexShader);
    if (!vertex) return vertex;
    base::Result<unsigned> fragment = compile(GL_FRAGMENT_SHADER, kFragmentShader);
    if (!fragment) {
        glDeleteShader(*vertex);
        return fragment;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, *vertex);
    glAttachShader(program, *fragment);
    glLinkProgram(program);
    glDeleteShader(*vertex);
    glDeleteShader(*fragment);
    const std::string problem =
        problemOf(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog);
    if (problem.empty()) return static_cast<unsigned>(program);
    glDeleteProgram(program);
    return base::Failure{"the world's shaders do not link: " + problem};
}

// OpenGL takes an offset into the bound buffer in a pointer's place.
const void* bufferOffset(std::size_t offset) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the form the API asks for
    return reinterpret_cast<const void*>(offset);
}

}  // namespace

struct WorldRenderer::Mesh {
    GLuint vao = 0;
    GLuint buffer = 0;
    GLenum mode = GL_TRIANGLES;
    GLsizei count = 0;

    void upload(const std::vector<Vertex>& vertices, GLenum drawMode) {
        mode = drawMode;
        count = static_cast<GLsizei>(vertices.size());
        glGenVertexArrays(1, &vao);
        glGenBuffers(1, &buffer);
        glBindVertexArray(vao);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)),
                     vertices.data(), GL_STATIC_DRAW);
        const GLsizei stride = sizeof(Vertex);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                              bufferOffset(offsetof(Vertex, position)));
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride,
                              bufferOffset(offsetof(Vertex, normal)));
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride,
                              bufferOffset(offsetof(Vertex, colour)));
        glEnableVertexAttribArray(3);
        glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, stride,
                              bufferOffset(offsetof(Vertex, other)));
        glBindVertexArray(0);
    }
    // Room for `vertices` drawn from a buffer rewritten each frame.
    void reserve(std::size_t vertices, GLenum drawMode) {
        upload(std::vector<Vertex>(vertices), drawMode);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices * sizeof(Vertex)), nullptr,
                     GL_DYNAMIC_DRAW);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        count = 0;
    }
    void rewrite(const std::vector<Vertex>& vertices) {
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferSubData(GL_ARRAY_BUFFER, 0,
                        static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data());
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        count = static_cast<GLsizei>(vertices.size());
    }
    void release() {
        if (vao != 0) glDeleteVertexArrays(1, &vao);
        if (buffer != 0) glDeleteBuffers(1, &buffer);
    }
};

struct WorldRenderer::Meshes {
    Mesh floor, lines, car, ball, disc, dropLine, path;
    MeshBuilder pathVertices;
    // One body and one set of edges per kind of ghost, in GhostKind's order.
    Mesh ghost[2], ghostEdges[2];
    // One band and one edge per look of a ring, in RingLook's order.
    Mesh ring[kRingLookCount], ringEdge[kRingLookCount];
    Mesh pointer;
};

WorldRenderer::WorldRenderer() = default;

base::Result<std::unique_ptr<WorldRenderer>> WorldRenderer::create() {
    base::Result<unsigned> program = linkProgram();
    if (!program) return program.failure();
    std::unique_ptr<WorldRenderer> r(new WorldRenderer());
    r->program_ = *program;
    r->modelLocation_ = glGetUniformLocation(r->program_, "model");
    r->viewProjectionLocation_ = glGetUniformLocation(r->program_, "viewProjection");
    r->linesLocation_ = glGetUniformLocation(r->program_, "lines");
    glUseProgram(r->program_);
    glUniform3fv(glGetUniformLocation(r->program_, "light"), 1, kLight);
    glUseProgram(0);
    r->meshes_ = std::make_unique<Meshes>();
    Meshes& m = *r->meshes_;
    m.floor.upload(floorMesh(), GL_TRIANGLES);
    m.lines.upload(arenaLines(), GL_LINES);
    m.car.upload(carMesh(), GL_TRIANGLES);
    m.ball.upload(sphereMesh(), GL_TRIANGLES);
    m.disc.upload(discMesh(), GL_TRIANGLES);
    m.dropLine.upload(dropLineMesh(), GL_LINES);
    m.path.reserve(kMaxPathVertices, GL_LINES);
    m.pathVertices.vertices.reserve(kMaxPathVertices);
    for (GhostKind kind : {GhostKind::TargetAttitude, GhostKind::BestAttempt}) {
        m.ghost[static_cast<int>(kind)].upload(ghostMesh(ghostColour(kind)), GL_TRIANGLES);
        m.ghostEdges[static_cast<int>(kind)].upload(ghostEdges(ghostColour(kind)), GL_LINES);
    }
    for (int look = 0; look < kRingLookCount; ++look) {
        m.ring[look].upload(ringMesh(static_cast<RingLook>(look)), GL_TRIANGLES);
        m.ringEdge[look].upload(ringEdge(static_cast<RingLook>(look)), GL_LINES);
    }
    m.pointer.upload(pointerMesh(), GL_LINES);
    return r;
}

WorldRenderer::~WorldRenderer() {
    if (meshes_)
        for (Mesh* mesh : {&meshes_->floor, &meshes_->lines, &meshes_->car, &meshes_->ball,
                           &meshes_->disc, &meshes_->dropLine, &meshes_->path, &meshes_->ghost[0],
                           &meshes_->ghost[1], &meshes_->ghostEdges[0], &meshes_->ghostEdges[1]})
            mesh->release();
    if (meshes_) {
        for (int look = 0; look < kRingLookCount; ++look) {
            meshes_->ring[look].release();
            meshes_->ringEdge[look].release();
        }
        meshes_->pointer.release();
    }
    if (program_ != 0) glDeleteProgram(program_);
}

void WorldRenderer::drawMesh(const Mesh& mesh, const Mat4& model) {
    glUniformMatrix4fv(modelLocation_, 1, GL_FALSE, model.m);
    glUniform1i(linesLocation_, mesh.mode == GL_LINES ? 1 : 0);
    glBindVertexArray(mesh.vao);
    glDrawArrays(mesh.mode, 0, mesh.count);
}

// A see-through box must be coloured once, by its nearest face: the ghosts
// first go into the depth buffer alone, then their colour is blended where
// their depth is the one kept, with the depth left as it is.
void WorldRenderer::drawGhosts(std::span<const GhostCar> ghosts) {
    if (ghosts.empty()) return;
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    for (const GhostCar& g : ghosts)
        drawMesh(meshes_->ghost[static_cast<int>(g.kind)], bodyMatrix(g.location, g.attitude));
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    for (const GhostCar& g : ghosts) {
        const Mat4 model = bodyMatrix(g.location, g.attitude);
        drawMesh(meshes_->ghost[static_cast<int>(g.kind)], model);
        drawMesh(meshes_->ghostEdges[static_cast<int>(g.kind)], model);
    }
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
}

// Over the bodies, with depth: the lines pass behind the car and ball.
void WorldRenderer::drawPath(const PathDrawing& path) {
    if (path.path == nullptr || (!path.ball && !path.car)) return;
    pathLines(path, meshes_->pathVertices);
    meshes_->path.rewrite(meshes_->pathVertices.vertices);
    drawMesh(meshes_->path, Mat4{});
}

// See-through, over what is already drawn (depth tested, not written); the
// pointer when the next ring is off the screen.
void WorldRenderer::drawRings(std::span<const RingMark> rings, const Mat4& viewProjection,
                              Vec3 car) {
    if (rings.empty()) return;
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    for (const RingMark& ring : rings) {
        const Mat4 model = ringMatrix(ring);
        const int look = static_cast<int>(ring.look);
        drawMesh(meshes_->ring[look], model);
        drawMesh(meshes_->ringEdge[look], model);
        if (ring.look == RingLook::Next && !onScreen(viewProjection, ring.centre))
            drawMesh(meshes_->pointer, pointerMatrix(car, ring.centre, kPointerLength));
    }
    glDepthMask(GL_TRUE);
}

void WorldRenderer::draw(const sandbox::World& world, const CameraPose& camera, int width,
                         int height, std::span<const GhostCar> ghosts, const PathDrawing& path,
                         std::span<const RingMark> rings) {
    glViewport(0, 0, width, height);
    const VertexColour sky = colour(kSkyColour);
    glClearColor(sky.r, sky.g, sky.b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The screen's x is flipped (Camera.h), so no winding is "front".
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glUseProgram(program_);
    const float aspect = static_cast<float>(width) / static_cast<float>(height > 0 ? height : 1);
    const Mat4 viewProjection = fly::viewProjection(camera, aspect);
    glUniformMatrix4fv(viewProjectionLocation_, 1, GL_FALSE, viewProjection.m);

    // The floor and what lies on it in the order they cover each other;
    // nothing is under the floor, so no depth is needed there.
    const sandbox::CarState& car = world.car;
    const sandbox::BallState& ball = world.ball;
    const float r = sandbox::model::kBallRadius;
    glDisable(GL_DEPTH_TEST);
    // Only the shadows and the drop lines are see-through; blending the
    // rest would cost the software renderer time for nothing.
    glDisable(GL_BLEND);
    drawMesh(meshes_->floor, Mat4{});
    drawMesh(meshes_->lines, Mat4{});
    glEnable(GL_BLEND);
    drawMesh(meshes_->disc, scaleAndMove({kCarShadowRadius, kCarShadowRadius, 1.0f},
                                         {car.location.x, car.location.y, 0.0f}));
    drawMesh(meshes_->disc, scaleAndMove({r, r, 1.0f}, {ball.location.x, ball.location.y, 0.0f}));

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDisable(GL_BLEND);
    drawMesh(meshes_->car, bodyMatrix(car.location, car.attitude));
    drawMesh(meshes_->ball, scaleAndMove({r, r, r}, ball.location));
    glEnable(GL_BLEND);
    drawMesh(meshes_->dropLine,
             scaleAndMove({1.0f, 1.0f, car.location.z}, {car.location.x, car.location.y, 0.0f}));
    drawMesh(meshes_->dropLine, scaleAndMove({1.0f, 1.0f, ball.location.z - r},
                                             {ball.location.x, ball.location.y, 0.0f}));
    drawPath(path);
    drawRings(rings, viewProjection, car.location);
    drawGhosts(ghosts);
    glBindVertexArray(0);
    glUseProgram(0);
    glDisable(GL_DEPTH_TEST);
}

void readFramebuffer(int width, int height, canvas::Image& out) {
    std::vector<uint8_t> rgba(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                              4u);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    out.resize(width, height);
    // OpenGL's rows run from the bottom up.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* from =
                &rgba[(static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)) *
                      4u];
            uint8_t* to = out.at(x, y);
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
}

}  // namespace fly
