#include "sandbox/Contacts.h"

#include <array>
#include <cmath>
#include <memory>

namespace sandbox::mechanics {

namespace {

constexpr float kDt = kTickSeconds;

// Contacts exist from this far apart (uu): the ball's contact distance
// (also the car's with the ball, the smaller of the two) and the car box's.
constexpr float kBallContactDistance = 1.905f;
constexpr float kCarContactDistance = 2.03f;

// Materials of each pair.
constexpr float kBallArenaRestitution = 0.6f;
constexpr float kBallArenaFriction = 0.35f;
constexpr float kCarBallFriction = 2.0f;
constexpr float kCarArenaRestitution = 0.3f;
constexpr float kCarArenaFriction = 0.3f;
// Below this speed into a surface nothing bounces.
constexpr float kMinBounceSpeed = 10.0f;

constexpr int kSolverSweeps = 10;
// A kept contact point's solve starts from this share of its last impulses.
constexpr float kWarmStart = 0.85f;
// The share of an overlap pushed out in one tick, and how much of the
// push's turn the car takes.
constexpr float kPushShare = 0.8f;
constexpr float kPushTurnShare = 0.1f;
// Below this slip (uu/s) the friction row takes any direction across the
// normal.
constexpr float kMinSlipSquared = 1.1920929e-7f * 2500.0f;

// The extra push on a hit ball.
constexpr float kHitHeightScale = 0.35f;
constexpr float kHitForwardCut = 0.35f;
constexpr float kHitMaxSpeed = 4600.0f;

constexpr Vec3 kCarInverseInertia{1.0f / kCarInertia.x, 1.0f / kCarInertia.y, 1.0f / kCarInertia.z};

float clampTo(float v, float limit) { return v < -limit ? -limit : (v > limit ? limit : v); }
float component(Vec3 v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }
Vec3 unit(Vec3 v) { return v * (1.0f / length(v)); }

Vec3 inCarAxes(const Orientation& a, Vec3 v) {
    return {dot(v, a.forward), dot(v, a.right), dot(v, a.up)};
}
Vec3 fromCarAxes(const Orientation& a, Vec3 v) {
    return a.forward * v.x + a.right * v.y + a.up * v.z;
}

// A body's place: its origin and axes (the ball's and the arena's are the
// world's axes).
struct Frame {
    Vec3 origin{};
    Orientation axes{};
    Vec3 toWorld(Vec3 p) const { return origin + fromCarAxes(axes, p); }
    Vec3 toLocal(Vec3 p) const { return inCarAxes(axes, p - origin); }
};

// ---------------------------------------------------------------- solver

struct Body {
    float inverseMass = 0.0f;
    Orientation axes{};
    Vec3 inverseInertia{};  // about its axes
    Vec3 velocity{};        // after this tick's forces
    Vec3 spin{};
    Vec3 spinBeforeTorque{};
    Vec3 velocityBeforeForces{};  // the bounce's target speed reads these
    Vec3 spinBeforeForces{};
    Vec3 deltaVelocity{};
    Vec3 deltaSpin{};
    Vec3 pushVelocity{};
    Vec3 turnVelocity{};

    Vec3 inverseInertiaTimes(Vec3 v) const {
        return fromCarAxes(
            axes, {dot(v, axes.forward) * inverseInertia.x, dot(v, axes.right) * inverseInertia.y,
                   dot(v, axes.up) * inverseInertia.z});
    }
};

// One row of the solve: body a pushed along +direction at lever leverA,
// body b (none: the arena) along -direction at leverB.
struct Row {
    Body* a = nullptr;
    Body* b = nullptr;
    Vec3 direction{};
    Vec3 torqueA{}, torqueB{};    // lever x direction
    Vec3 angularA{}, angularB{};  // inverse inertia times those
    Vec3 linearA{}, linearB{};    // direction times each body's inverse mass
    float inverseMass = 0.0f;     // 1 / the effective mass along the row
    float target = 0.0f;          // the impulse that would meet the row's aim
    float pushTarget = 0.0f;      // the same for the push out of overlap
    float impulse = 0.0f;
    float pushImpulse = 0.0f;
    float friction = 0.0f;         // friction rows: the coefficient
    int normalRow = -1;            // friction rows: their normal row
    ContactPoint* kept = nullptr;  // where the impulses are kept for next tick

    // The change so far of the row's relative speed: from the solve, and
    // from the push out of overlap.
    float speedChange() const {
        float speed = dot(direction, a->deltaVelocity) + dot(torqueA, a->deltaSpin);
        if (b != nullptr) speed -= dot(direction, b->deltaVelocity) + dot(torqueB, b->deltaSpin);
        return speed;
    }
    float pushSpeed() const {
        float speed = dot(direction, a->pushVelocity) + dot(torqueA, a->turnVelocity);
        if (b != nullptr) speed -= dot(direction, b->pushVelocity) + dot(torqueB, b->turnVelocity);
        return speed;
    }
    void apply(float delta) {
        a->deltaVelocity += linearA * delta;
        a->deltaSpin += angularA * delta;
        if (b != nullptr) {
            b->deltaVelocity += linearB * -delta;
            b->deltaSpin += angularB * -delta;
        }
    }
    void applyPush(float delta) {
        a->pushVelocity += linearA * delta;
        a->turnVelocity += angularA * delta;
        if (b != nullptr) {
            b->pushVelocity += linearB * -delta;
            b->turnVelocity += angularB * -delta;
        }
    }
};

constexpr Vec3 kZero{};

// The row's geometry: levers, their torques and the effective mass.
Row makeRow(Body* a, Body* b, Vec3 direction, Vec3 leverA, Vec3 leverB) {
    Row row;
    row.a = a;
    row.b = b;
    row.direction = direction;
    row.torqueA = cross(leverA, direction);
    row.angularA = a->inverseInertiaTimes(row.torqueA);
    row.linearA = direction * a->inverseMass;
    float k = a->inverseMass + dot(direction, cross(row.angularA, leverA));
    if (b != nullptr) {
        row.torqueB = cross(leverB, direction);
        row.angularB = b->inverseInertiaTimes(row.torqueB);
        row.linearB = direction * b->inverseMass;
        k += b->inverseMass + dot(direction, cross(row.angularB, leverB));
    }
    row.inverseMass = 1.0f / k;
    return row;
}

// The relative velocity of a's point against b's, a minus b.
Vec3 pointVelocity(const Body* b, Vec3 leverA, Vec3 leverB, Vec3 va, Vec3 wa, Vec3 vb, Vec3 wb) {
    const Vec3 ofA = va + cross(wa, leverA);
    return b == nullptr ? ofA : ofA - (vb + cross(wb, leverB));
}

// Any unit direction across n.
Vec3 acrossNormal(Vec3 n) {
    if (std::fabs(n.z) > 0.70710678f) {
        const float a = n.y * n.y + n.z * n.z;
        const float k = 1.0f / std::sqrt(a);
        return {0.0f, -n.z * k, n.y * k};
    }
    const float a = n.x * n.x + n.y * n.y;
    const float k = 1.0f / std::sqrt(a);
    return {-n.y * k, n.x * k, 0.0f};
}

constexpr int kMaxRows = 24;

// Room for rows that are built only as contacts are added: a tick with no
// contact costs nothing here.
template <typename T, int N>
class RowStore {
  public:
    RowStore() {}  // NOLINT(modernize-use-equals-default): leaves the rows unbuilt
    T& operator[](int i) { return rows_[i]; }
    void put(int i, const T& row) { std::construct_at(&rows_[i], row); }

  private:
    union {
        T rows_[N];
    };
};

class Solver {
  public:
    Body car, ball;

    // A contact between a and b (b null: the arena). `normal` need not be
    // unit (the ball's merged contact). `kept`: the point whose impulses
    // start this solve and keep its result (none for a contact found
    // afresh each tick). `pushes`: the row also pushes out of an overlap.
    struct Contact {
        Body* a;
        Body* b;
        Vec3 normal;
        Vec3 leverA, leverB;
        float distance;
        float restitution;
        float friction;
        ContactPoint* kept;
        bool pushes;
    };

    void add(const Contact& c) {
        if (normalCount_ == kMaxRows) return;
        Row normal = makeRow(c.a, c.b, c.normal, c.leverA, c.leverB);
        // The bounce aims at the speed into the surface before this tick's
        // forces, turned round; the solve at the velocities after them.
        const Body* b = c.b;
        const Vec3 before =
            pointVelocity(b, c.leverA, c.leverB, c.a->velocityBeforeForces, c.a->spinBeforeForces,
                          b ? b->velocityBeforeForces : kZero, b ? b->spinBeforeForces : kZero);
        const float into = dot(c.normal, before);
        float bounce = std::fabs(into) < kMinBounceSpeed ? 0.0f : c.restitution * -into;
        if (bounce < 0.0f) bounce = 0.0f;
        const Vec3 now = pointVelocity(b, c.leverA, c.leverB, c.a->velocity, c.a->spin,
                                       b ? b->velocity : kZero, b ? b->spin : kZero);
        normal.target = (bounce - dot(c.normal, now)) * normal.inverseMass;
        if (c.pushes && c.distance < 0.0f)
            normal.pushTarget = (-c.distance * kPushShare / kDt) * normal.inverseMass;
        normal.kept = c.kept;
        if (c.kept != nullptr) {
            normal.impulse = c.kept->normalImpulse * kWarmStart;
            normal.apply(normal.impulse);
        }
        const int index = normalCount_;
        normals_.put(normalCount_++, normal);

        // Friction along the slip across the contact (the spin with this
        // tick's torques); its target reads the spin without them. A merged
        // normal shorter than 1 still has a direction to slip across.
        const Vec3 across = unit(c.normal);
        const Vec3 slip = now - across * dot(across, now);
        const float slipSquared = dot(slip, slip);
        const Vec3 t = slipSquared > kMinSlipSquared ? slip * (1.0f / std::sqrt(slipSquared))
                                                     : acrossNormal(across);
        Row friction = makeRow(c.a, c.b, t, c.leverA, c.leverB);
        const Vec3 unturned =
            pointVelocity(b, c.leverA, c.leverB, c.a->velocity, c.a->spinBeforeTorque,
                          b ? b->velocity : kZero, b ? b->spinBeforeTorque : kZero);
        friction.target = -dot(t, unturned) * friction.inverseMass;
        friction.friction = c.friction;
        friction.normalRow = index;
        friction.kept = c.kept;
        frictions_.put(index, friction);
    }

    // A row for the push out of overlap alone (the ball's contacts with the
    // arena, one per surface, under their merged one).
    void addPush(Body* a, Vec3 normal, Vec3 leverA, float distance) {
        if (distance >= 0.0f || pushCount_ == kMaxRows) return;
        Row row = makeRow(a, nullptr, normal, leverA, kZero);
        row.pushTarget = (-distance * kPushShare / kDt) * row.inverseMass;
        pushes_.put(pushCount_++, row);
    }

    void solve() {
        // A sweep that changes nothing leaves the next one nothing to do
        // either: the solve has settled.
        bool moving = true;
        for (int sweep = 0; sweep < kSolverSweeps && normalCount_ > 0 && moving; ++sweep) {
            moving = false;
            for (int i = 0; i < normalCount_; ++i) moving = solveNormal(normals_[i]) || moving;
            for (int i = 0; i < normalCount_; ++i) moving = solveFriction(frictions_[i]) || moving;
        }
        moving = true;
        for (int sweep = 0; sweep < kSolverSweeps && moving; ++sweep) {
            moving = false;
            for (int i = 0; i < normalCount_; ++i) moving = solvePush(normals_[i]) || moving;
            for (int i = 0; i < pushCount_; ++i) moving = solvePush(pushes_[i]) || moving;
        }
        for (int i = 0; i < normalCount_; ++i) {
            const Row& n = normals_[i];
            if (n.kept == nullptr) continue;
            n.kept->normalImpulse = n.impulse;
            n.kept->frictionImpulse = frictions_[i].impulse;
        }
    }

  private:
    // Each returns whether it changed anything.
    static bool solveNormal(Row& r) {
        float delta = r.target - r.speedChange() * r.inverseMass;
        const float sum = r.impulse + delta;
        if (sum < 0.0f) {
            delta = -r.impulse;
            r.impulse = 0.0f;
        } else {
            r.impulse = sum;
        }
        if (delta == 0.0f) return false;
        r.apply(delta);
        return true;
    }
    bool solveFriction(Row& r) {
        const float normalImpulse = normals_[r.normalRow].impulse;
        if (!(normalImpulse > 0.0f)) return false;
        const float limit = r.friction * normalImpulse;
        float delta = r.target - r.speedChange() * r.inverseMass;
        const float sum = r.impulse + delta;
        if (sum < -limit) {
            delta = -limit - r.impulse;
            r.impulse = -limit;
        } else if (sum > limit) {
            delta = limit - r.impulse;
            r.impulse = limit;
        } else {
            r.impulse = sum;
        }
        if (delta == 0.0f) return false;
        r.apply(delta);
        return true;
    }
    static bool solvePush(Row& r) {
        if (r.pushTarget == 0.0f) return false;
        float delta = r.pushTarget - r.pushSpeed() * r.inverseMass;
        const float sum = r.pushImpulse + delta;
        if (sum < 0.0f) {
            delta = -r.pushImpulse;
            r.pushImpulse = 0.0f;
        } else {
            r.pushImpulse = sum;
        }
        if (delta == 0.0f) return false;
        r.applyPush(delta);
        return true;
    }

    RowStore<Row, kMaxRows> normals_;
    RowStore<Row, kMaxRows> frictions_;
    RowStore<Row, kMaxRows> pushes_;
    int normalCount_ = 0;
    int pushCount_ = 0;
};

// -------------------------------------------------------------- manifolds

// A kept point within the contact distance of the new one (on body a).
int nearbyPoint(const ContactManifold& m, const ContactPoint& p, float reach) {
    float nearest = reach * reach;
    int found = -1;
    for (int i = 0; i < m.count; ++i) {
        const Vec3 apart = m.points[static_cast<size_t>(i)].onA - p.onA;
        const float d = dot(apart, apart);
        if (d < nearest) {
            nearest = d;
            found = i;
        }
    }
    return found;
}

// With four points kept, the one the new point replaces: never the deepest
// (counting the new one), and of the rest the one whose loss leaves the
// largest area.
int pointToReplace(const ContactManifold& m, const ContactPoint& p) {
    int deepest = -1;
    float depth = p.distance;
    for (int i = 0; i < kMaxManifoldPoints; ++i) {
        if (m.points[static_cast<size_t>(i)].distance < depth) {
            deepest = i;
            depth = m.points[static_cast<size_t>(i)].distance;
        }
    }
    const auto at = [&m](int i) { return m.points[static_cast<size_t>(i)].onA; };
    // The quadrilateral left without point i, measured by its diagonals.
    const std::array<std::array<int, 3>, 4> others = {{{1, 3, 2}, {0, 3, 2}, {0, 3, 1}, {0, 2, 1}}};
    int best = -1;
    float largest = -1.0f;
    for (int i = 0; i < kMaxManifoldPoints; ++i) {
        float area = 0.0f;
        if (i != deepest) {
            const auto& o = others[static_cast<size_t>(i)];
            const Vec3 c = cross(p.onA - at(o[0]), at(o[1]) - at(o[2]));
            area = dot(c, c);
        }
        if (area > largest) {
            largest = area;
            best = i;
        }
    }
    return best;
}

void addPoint(ContactManifold& m, const ContactPoint& p, float reach) {
    const int near = nearbyPoint(m, p, reach);
    if (near >= 0) {
        ContactPoint& kept = m.points[static_cast<size_t>(near)];
        const float normalImpulse = kept.normalImpulse, frictionImpulse = kept.frictionImpulse;
        kept = p;
        kept.normalImpulse = normalImpulse;
        kept.frictionImpulse = frictionImpulse;
        return;
    }
    if (m.count < kMaxManifoldPoints) {
        m.points[static_cast<size_t>(m.count)] = p;
        ++m.count;
        return;
    }
    m.points[static_cast<size_t>(pointToReplace(m, p))] = p;
}

void removePoint(ContactManifold& m, int i) {
    const int last = m.count - 1;
    if (i != last) m.points[static_cast<size_t>(i)] = m.points[static_cast<size_t>(last)];
    m.points[static_cast<size_t>(last)] = {};
    --m.count;
}

// Every kept point measured again from the bodies' present places; points
// too far apart, or slid too far along the surface, are dropped.
void refresh(ContactManifold& m, const Frame& a, const Frame& b, float reach) {
    for (int i = m.count - 1; i >= 0; --i) {
        ContactPoint& p = m.points[static_cast<size_t>(i)];
        const Vec3 onA = a.toWorld(p.onA), onB = b.toWorld(p.onB);
        p.distance = dot(onA - onB, p.normal);
        const Vec3 slid = onB - (onA - p.normal * p.distance);
        if (p.distance > reach || dot(slid, slid) > reach * reach) removePoint(m, i);
    }
}

// ------------------------------------------------------------ car - ball

float extraHitFactorOf(float s) {
    if (s <= 500.0f) return 0.65f;
    if (s <= 2300.0f) return 0.65f + (0.55f - 0.65f) * ((s - 500.0f) / 1800.0f);
    if (s <= 4600.0f) return 0.55f + (0.30f - 0.55f) * ((s - 2300.0f) / 2300.0f);
    return 0.30f;
}

// Whether the ball's centre is near enough the car's box for a contact:
// within the box's half diagonal, the ball's radius and the contact distance
// (with ample room for rounding and an attitude a little off orthonormal:
// the distance measured in the box's frame is the same to a few parts in a
// million). Farther off, the nearest point
// of the box is farther than that, so findCarBallContact finds none.
bool ballWithinReach(const Car& car, const Ball& ball) {
    constexpr float kReach = 77.0f + kCarBoxEdgeRadius + kBallRadius + kBallContactDistance + 10.0f;
    static_assert(77.0f * 77.0f > kCarBoxHalfSize.x * kCarBoxHalfSize.x +
                                      kCarBoxHalfSize.y * kCarBoxHalfSize.y +
                                      kCarBoxHalfSize.z * kCarBoxHalfSize.z);
    const Vec3 apart = ball.location - (car.location + fromCarAxes(car.attitude, kCarBoxOffset));
    return !(dot(apart, apart) * 0.9f > kReach * kReach);
}

// This tick's car-ball contact, when there is one: into the kept manifold,
// with the extra push on the ball.
void addBallPoint(World& world, PhysicsStep& step, ContactManifold& m) {
    const Car& car = world.car;
    const Ball& ball = world.ball;
    const CarBallContact contact = findCarBallContact(car, ball);
    if (contact.exists) {
        step.ballTouched = true;
        // The game's extra push: at most every other tick, always on the
        // first touch.
        if (world.ball.lastExtraHitTick < step.tick - 1) {
            step.ballHitVelocity =
                extraHitVelocity(car, ball.location, step.ballVelocityBeforeGravity);
            world.ball.lastExtraHitTick = step.tick;
        }
        ContactPoint p;
        p.onA = contact.ballLever;
        p.onB = inCarAxes(car.attitude, contact.carLever);
        p.normal = contact.normal;
        p.distance = contact.gap;
        addPoint(m, p, kBallContactDistance);
    }
}

void carAgainstBall(World& world, PhysicsStep& step, Solver& solver) {
    Car& car = world.car;
    const Ball& ball = world.ball;
    const Frame carFrame{car.location, car.attitude};
    const Frame ballFrame{ball.location, {}};
    ContactManifold& m = car.ballContact;
    if (ballWithinReach(car, ball)) addBallPoint(world, step, m);
    refresh(m, ballFrame, carFrame, kBallContactDistance);
    for (int i = 0; i < m.count; ++i) {
        ContactPoint& p = m.points[static_cast<size_t>(i)];
        solver.add({&solver.ball, &solver.car, p.normal, p.onA, fromCarAxes(car.attitude, p.onB),
                    p.distance, 0.0f, kCarBallFriction, &p, true});
    }
}

// ----------------------------------------------------------- ball - arena

void ballAgainstArena(const Ball& ball, Arena arena, Solver& solver) {
    std::array<SphereContact, kMaxSphereContacts> contacts;
    const int count =
        sphereContacts(arena, ball.location, kBallRadius, kBallContactDistance, contacts);
    if (count == 0) return;
    Vec3 sum{};
    for (int i = 0; i < count; ++i) {
        const SphereContact& c = contacts[static_cast<size_t>(i)];
        sum += c.normal;
        solver.addPush(&solver.ball, c.normal, c.normal * -kBallRadius, c.gap);
    }
    const Vec3 normal = sum * (1.0f / static_cast<float>(count));
    if (!(dot(normal, normal) > 0.0f)) return;  // pressed from both sides at once
    solver.add({&solver.ball, nullptr, normal, normal * -kBallRadius, kZero, 0.0f,
                kBallArenaRestitution, kBallArenaFriction, nullptr, false});
}

// ----------------------------------------------------------- car - arena

struct BoxPoint {
    bool found = false;
    float distance = 0.0f;
    Vec3 onCar{};    // car axes, from the origin
    Vec3 onArena{};  // world
    Vec3 normal{};   // out of the arena, towards the car
};

bool isHalfSpace(const ArenaBlock& b, Vec3& normal, float& offset) {
    int bounded = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const float low = component(b.low, axis), high = component(b.high, axis);
        Vec3 n{};
        if (low > -kUnbounded) {
            ++bounded;
            (axis == 0 ? n.x : (axis == 1 ? n.y : n.z)) = -1.0f;
            normal = n;
            offset = -low;
        }
        if (high < kUnbounded) {
            ++bounded;
            (axis == 0 ? n.x : (axis == 1 ? n.y : n.z)) = 1.0f;
            normal = n;
            offset = high;
        }
    }
    return bounded == 1;
}

// The box's corner deepest towards -normal (a sign's tie goes to +).
Vec3 deepestCorner(const Orientation& a, Vec3 normal) {
    const Vec3 d = inCarAxes(a, -normal);
    const Vec3& h = kCarBoxHalfSize;
    return kCarBoxOffset +
           Vec3{d.x >= 0.0f ? h.x : -h.x, d.y >= 0.0f ? h.y : -h.y, d.z >= 0.0f ? h.z : -h.z};
}

// The nearest points of a segment (box frame, a to b) and the box centred
// on the origin with half extents h, outside it: the squared distance is
// convex and quadratic between the places where the segment crosses a
// side's plane.
float segmentToBox(Vec3 a, Vec3 b, Vec3 h, float& at) {
    const Vec3 d = b - a;
    std::array<float, 8> cuts{};
    int n = 0;
    cuts[static_cast<size_t>(n++)] = 0.0f;
    cuts[static_cast<size_t>(n++)] = 1.0f;
    for (int axis = 0; axis < 3; ++axis) {
        const float da = component(d, axis);
        if (da == 0.0f) continue;
        for (const float side : {-component(h, axis), component(h, axis)}) {
            const float t = (side - component(a, axis)) / da;
            if (t > 0.0f && t < 1.0f) cuts[static_cast<size_t>(n++)] = t;
        }
    }
    for (int i = 1; i < n; ++i)  // a few values: insertion sort
        for (int j = i; j > 0 && cuts[static_cast<size_t>(j)] < cuts[static_cast<size_t>(j - 1)];
             --j) {
            const float t = cuts[static_cast<size_t>(j)];
            cuts[static_cast<size_t>(j)] = cuts[static_cast<size_t>(j - 1)];
            cuts[static_cast<size_t>(j - 1)] = t;
        }
    const auto squaredOut = [&](float t) {
        float sum = 0.0f;
        for (int axis = 0; axis < 3; ++axis) {
            const float over =
                std::fabs(component(a, axis) + t * component(d, axis)) - component(h, axis);
            if (over > 0.0f) sum += over * over;
        }
        return sum;
    };
    float best = squaredOut(0.0f);
    at = 0.0f;
    for (int i = 0; i + 1 < n; ++i) {
        const float t0 = cuts[static_cast<size_t>(i)], t1 = cuts[static_cast<size_t>(i) + 1];
        const float mid = 0.5f * (t0 + t1);
        float num = 0.0f, den = 0.0f;
        for (int axis = 0; axis < 3; ++axis) {
            const float pa = component(a, axis), da = component(d, axis);
            const float pm = pa + mid * da, ha = component(h, axis);
            if (std::fabs(pm) <= ha) continue;
            const float target = pm > 0.0f ? ha : -ha;
            num += da * (pa - target);
            den += da * da;
        }
        float t = den > 0.0f ? -num / den : t0;
        t = t < t0 ? t0 : (t > t1 ? t1 : t);
        const float value = squaredOut(t);
        if (value < best) {
            best = value;
            at = t;
        }
        if (squaredOut(t1) < best) {
            best = squaredOut(t1);
            at = t1;
        }
    }
    return std::sqrt(best);
}

// An arena edge (a post, the crossbar) against the car's box.
BoxPoint edgeAgainstBox(const Car& car, Vec3 from, Vec3 to) {
    const Orientation& axes = car.attitude;
    const Vec3 centre = car.location + fromCarAxes(axes, kCarBoxOffset);
    const Vec3 a = inCarAxes(axes, from - centre), b = inCarAxes(axes, to - centre);
    const Vec3& h = kCarBoxHalfSize;
    float t = 0.0f;
    const float distance = segmentToBox(a, b, h, t);
    const Vec3 onEdge = a + (b - a) * t;
    BoxPoint p;
    p.found = true;
    if (distance > 0.0f) {
        const Vec3 onBox{clampTo(onEdge.x, h.x), clampTo(onEdge.y, h.y), clampTo(onEdge.z, h.z)};
        p.distance = distance;
        p.normal = fromCarAxes(axes, (onBox - onEdge) * (1.0f / distance));
        p.onCar = kCarBoxOffset + onBox;
        p.onArena = centre + fromCarAxes(axes, onEdge);
        return p;
    }
    // Through the box: its deepest point, out through the nearest side. The
    // depth along the segment is concave, so a narrowing search finds it.
    const auto depthAt = [&](float s, int& axis) {
        const Vec3 q = a + (b - a) * s;
        float least = h.x - std::fabs(q.x);
        axis = 0;
        if (h.y - std::fabs(q.y) < least) {
            least = h.y - std::fabs(q.y);
            axis = 1;
        }
        if (h.z - std::fabs(q.z) < least) {
            least = h.z - std::fabs(q.z);
            axis = 2;
        }
        return least;
    };
    float lo = 0.0f, hi = 1.0f;
    int axis = 0;
    for (int i = 0; i < 40; ++i) {
        const float m1 = lo + (hi - lo) / 3.0f, m2 = hi - (hi - lo) / 3.0f;
        if (depthAt(m1, axis) < depthAt(m2, axis))
            lo = m1;
        else
            hi = m2;
    }
    const float s = 0.5f * (lo + hi);
    const float depth = depthAt(s, axis);
    const Vec3 q = a + (b - a) * s;
    Vec3 out{};
    (axis == 0 ? out.x : (axis == 1 ? out.y : out.z)) = component(q, axis) > 0.0f ? 1.0f : -1.0f;
    p.distance = -depth;
    p.normal = fromCarAxes(axes, out * -1.0f);
    p.onArena = centre + fromCarAxes(axes, q);
    p.onCar = kCarBoxOffset + q + out * depth;
    return p;
}

// This tick's one new point between the box and a block: its deepest.
BoxPoint boxAgainstBlock(const Car& car, Arena arena, int index) {
    const ArenaBlock& block = blocksOf(arena)[static_cast<size_t>(index)];
    const Orientation& axes = car.attitude;
    Vec3 normal{};
    float offset = 0.0f;
    BoxPoint best;
    if (isHalfSpace(block, normal, offset)) {
        const Vec3 corner = deepestCorner(axes, normal);
        const Vec3 world = car.location + fromCarAxes(axes, corner);
        best.found = true;
        best.distance = dot(normal, world) - offset;
        best.onCar = corner;
        best.onArena = world - normal * best.distance;
        best.normal = normal;
        return best;
    }
    const Vec3& h = kCarBoxHalfSize;
    for (int i = 0; i < 8; ++i) {
        const Vec3 corner =
            kCarBoxOffset + Vec3{(i & 1) ? h.x : -h.x, (i & 2) ? h.y : -h.y, (i & 4) ? h.z : -h.z};
        const Vec3 world = car.location + fromCarAxes(axes, corner);
        const BlockPoint p = nearestOnBlock(block, world);
        if (best.found && p.distance >= best.distance) continue;
        if (hiddenContact(arena, index, world, p)) continue;
        best = {true, p.distance, corner, p.point, p.normal};
    }
    if (!(block.edgeFrom == block.edgeTo)) {
        const BoxPoint edge = edgeAgainstBox(car, block.edgeFrom, block.edgeTo);
        if (!best.found || edge.distance < best.distance) best = edge;
    }
    return best;
}

// The manifold the car keeps with a block, or null.
ContactManifold* keptManifold(Car& car, int block) {
    for (ContactManifold& m : car.worldContacts)
        if (m.block == block) return &m;
    return nullptr;
}
// A free manifold (all its points unused) for a block, or null when all are
// taken.
ContactManifold* freeManifold(Car& car) {
    for (ContactManifold& m : car.worldContacts)
        if (m.block < 0) return &m;
    return nullptr;
}

// One block against the car's box: the manifold kept with it measured
// again and the new point added, or let go when the box is out of its reach.
void boxNearBlock(Car& car, Arena arena, std::span<const ArenaBlock> blocks, int index, Vec3 centre,
                  float reach, float& deepest) {
    const Frame carFrame{car.location, car.attitude};
    const Frame arenaFrame{};
    ContactManifold* m = keptManifold(car, index);
    if (!nearBlock(blocks[static_cast<size_t>(index)], centre, reach)) {
        if (m != nullptr) *m = {};
        return;
    }
    // A block near the box is measured while a manifold is kept for it
    // or one is free; a free one is taken only when there is a point to
    // put into it (one taken for none would be freed again at once).
    ContactManifold* free = m == nullptr ? freeManifold(car) : nullptr;
    if (m == nullptr && free == nullptr) return;
    const BoxPoint p = boxAgainstBlock(car, arena, index);
    if (p.found && p.distance < kCarContactDistance) {
        car.touchedWorld = true;
        if (p.distance < deepest) {
            deepest = p.distance;
            car.worldContactNormal = p.normal;
        }
        if (m == nullptr) {
            m = free;
            *m = {};
            m->block = static_cast<int8_t>(index);
        }
        addPoint(*m, {p.onCar, p.onArena, p.normal, p.distance, 0.0f, 0.0f}, kCarContactDistance);
    }
    if (m == nullptr) return;
    refresh(*m, carFrame, arenaFrame, kCarContactDistance);
    if (m->count == 0) *m = {};
}

void carAgainstArena(Car& car, Arena arena, Solver& solver) {
    const Vec3 centre = car.location + fromCarAxes(car.attitude, kCarBoxOffset);
    const float reach = length(kCarBoxHalfSize) + kCarContactDistance;
    const std::span<const ArenaBlock> blocks = blocksOf(arena);
    car.touchedWorld = false;
    car.worldContactNormal = {};
    if (clearOfArena(arena, centre, reach)) {
        for (ContactManifold& m : car.worldContacts)
            if (m.block >= 0) m = {};
        return;
    }
    float deepest = kCarContactDistance;
    for (const BlockRun& run : blockRunsOf(arena)) {
        // A run out of reach: only its kept manifolds to let go (a run of
        // one is its block, measured below).
        if (run.count > 1 && !nearBlock(run.bounds, centre, reach)) {
            for (ContactManifold& m : car.worldContacts)
                if (m.block >= run.first && m.block < run.first + run.count) m = {};
            continue;
        }
        for (int index = run.first; index < run.first + run.count; ++index)
            boxNearBlock(car, arena, blocks, index, centre, reach, deepest);
    }
    for (ContactManifold& m : car.worldContacts) {
        for (int i = 0; i < m.count; ++i) {
            ContactPoint& p = m.points[static_cast<size_t>(i)];
            solver.add({&solver.car, nullptr, p.normal, fromCarAxes(car.attitude, p.onA), kZero,
                        p.distance, kCarArenaRestitution, kCarArenaFriction, &p, true});
        }
    }
}

}  // namespace

CarBallContact findCarBallContact(const Car& car, const Ball& ball) {
    const Orientation& a = car.attitude;
    const float rounding = kCarBoxEdgeRadius;
    const Vec3 inner{kCarBoxHalfSize.x - rounding, kCarBoxHalfSize.y - rounding,
                     kCarBoxHalfSize.z - rounding};
    // The ball's centre in the box's frame, and the nearest point of the box
    // without its rounded edges.
    const Vec3 c = inCarAxes(a, ball.location - (car.location + fromCarAxes(a, kCarBoxOffset)));
    Vec3 q{clampTo(c.x, inner.x), clampTo(c.y, inner.y), clampTo(c.z, inner.z)};
    float distance = length(c - q);
    Vec3 localNormal{};
    if (distance > 0.0f) {
        localNormal = (c - q) * (1.0f / distance);
    } else {
        // The centre inside: out through the nearest face.
        const float dx = inner.x - std::fabs(c.x), dy = inner.y - std::fabs(c.y),
                    dz = inner.z - std::fabs(c.z);
        auto side = [](float v) { return v < 0.0f ? -1.0f : 1.0f; };
        if (dx <= dy && dx <= dz) {
            localNormal = {side(c.x), 0.0f, 0.0f};
            q.x = side(c.x) * inner.x;
            distance = -dx;
        } else if (dy <= dz) {
            localNormal = {0.0f, side(c.y), 0.0f};
            q.y = side(c.y) * inner.y;
            distance = -dy;
        } else {
            localNormal = {0.0f, 0.0f, side(c.z)};
            q.z = side(c.z) * inner.z;
            distance = -dz;
        }
    }
    CarBallContact contact;
    contact.gap = distance - rounding - kBallRadius;
    contact.exists = contact.gap < kBallContactDistance;
    contact.normal = fromCarAxes(a, localNormal);
    contact.carLever = fromCarAxes(a, kCarBoxOffset + q + localNormal * rounding);
    contact.ballLever = contact.normal * -kBallRadius;
    return contact;
}

float extraHitFactor(float relativeSpeed) { return extraHitFactorOf(relativeSpeed); }

Vec3 extraHitVelocity(const Car& car, Vec3 ballLocation, Vec3 ballVelocity) {
    const Vec3 toBall = ballLocation - car.location;
    const Vec3 relative = ballVelocity - car.velocity;
    float speed = length(relative);
    if (speed > kHitMaxSpeed) speed = kHitMaxSpeed;
    Vec3 direction = unit({toBall.x, toBall.y, toBall.z * kHitHeightScale});
    const Vec3 forward = car.attitude.forward;
    direction = unit(direction - forward * (kHitForwardCut * dot(direction, forward)));
    return direction * (speed * extraHitFactorOf(speed));
}

namespace {

// The ball's body in the solve, from the step, and its solved velocities
// back into the step.
void startBall(Solver& solver, const PhysicsStep& step) {
    const float ballInverseInertia = 1.0f / kBallInertia;
    solver.ball.inverseMass = 1.0f / kBallMass;
    solver.ball.inverseInertia = {ballInverseInertia, ballInverseInertia, ballInverseInertia};
    solver.ball.velocity = step.ball.velocity;
    solver.ball.spin = step.ball.spin;
    solver.ball.spinBeforeTorque = step.ball.spin;
    solver.ball.velocityBeforeForces = step.ballVelocityBeforeGravity;
    solver.ball.spinBeforeForces = step.ball.spin;
}

void finishBall(const Solver& solver, PhysicsStep& step) {
    step.ball.velocity = solver.ball.velocity + solver.ball.deltaVelocity;
    step.ball.spin = solver.ball.spin + solver.ball.deltaSpin;
    step.ball.push = solver.ball.pushVelocity * kDt;
}

}  // namespace

void stepContacts(World& world, PhysicsStep& step, const Options& options) {
    Solver solver;
    const Car& car = world.car;
    solver.car.inverseMass = 1.0f / kCarMass;
    solver.car.axes = car.attitude;
    solver.car.inverseInertia = kCarInverseInertia;
    solver.car.velocity = step.car.velocity;
    solver.car.spin = step.car.spin;
    solver.car.spinBeforeTorque = step.carSpinBeforeTorque;
    solver.car.velocityBeforeForces = car.velocity;
    solver.car.spinBeforeForces = car.spin;

    startBall(solver, step);

    carAgainstBall(world, step, solver);
    if (step.ballAwake) ballAgainstArena(world.ball, options.arena, solver);
    carAgainstArena(world.car, options.arena, solver);
    solver.solve();

    step.car.velocity = solver.car.velocity + solver.car.deltaVelocity;
    step.car.spin = solver.car.spin + solver.car.deltaSpin;
    step.car.push = solver.car.pushVelocity * kDt;
    step.car.turn = solver.car.turnVelocity * kPushTurnShare;
    finishBall(solver, step);
}

// The ball's rows never share a body with the car's unless the two touch,
// and a sweep that leaves the ball's rows unchanged leaves them so in every
// later sweep: solved alone, the ball comes out bit for bit as beside a car
// that does not touch it.
void stepBallContacts(const Ball& ball, PhysicsStep& step, const Options& options) {
    Solver solver;
    startBall(solver, step);
    if (step.ballAwake) ballAgainstArena(ball, options.arena, solver);
    solver.solve();
    finishBall(solver, step);
}

}  // namespace sandbox::mechanics
