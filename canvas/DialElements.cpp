#include "canvas/DialElements.h"

#include <algorithm>
#include <cmath>

namespace canvas {
namespace {

constexpr uint32_t pack(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return (uint32_t{r} << 24) | (uint32_t{g} << 16) | (uint32_t{b} << 8) | uint32_t{a};
}

// The centre symbol's strokes are 6 pixels wide, the dots' crosses 1.
constexpr float kCentreSymbolMinWidth = 4.0f;
// Candidate label points are tried around this many angles.
constexpr int kCandidateAngles = 24;

float side(float ax, float ay, float bx, float by, float px, float py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

}  // namespace

void DialElements::startFrame() {
    places_ = {};
    sums_ = {};
    counts_ = {};
    whiteColours_ = 0;
    dotDrawn_ = false;
    skyCount_ = 0;
    meridianCount_ = 0;
    horizonCount_ = 0;
}

void DialElements::note(DialElement e, Point p) {
    const std::size_t i = static_cast<std::size_t>(e);
    ElementPlace& place = places_[i];
    if (!place.drawn) {
        place.minX = place.maxX = p.x;
        place.minY = place.maxY = p.y;
    }
    place.drawn = true;
    place.minX = std::min(place.minX, p.x);
    place.maxX = std::max(place.maxX, p.x);
    place.minY = std::min(place.minY, p.y);
    place.maxY = std::max(place.maxY, p.y);
    sums_[i].x += p.x;
    sums_[i].y += p.y;
    ++counts_[i];
}

void DialElements::setColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    colour_ = pack(r, g, b, a);
    if (colour_ == kWhiteColour) ++whiteColours_;
    if (next_ != nullptr) next_->setColor(r, g, b, a);
}

void DialElements::setPosition(Vector2 p) {
    position_ = p;
    if (next_ != nullptr) next_->setPosition(p);
}

void DialElements::fillBox(Vector2 size) {
    if (next_ != nullptr) next_->fillBox(size);
    const DialElement dot = colour_ == kBallDotColour       ? DialElement::BallDot
                            : colour_ == kVelocityDotColour ? DialElement::VelocityDot
                                                            : DialElement::CentreSymbol;
    if (dot == DialElement::CentreSymbol) return;  // no box of the dial's
    const Point from{static_cast<float>(position_.X), static_cast<float>(position_.Y)};
    note(dot, from);
    note(dot, {from.x + static_cast<float>(size.X), from.y + static_cast<float>(size.Y)});
    lastDot_ = dot;
    dotDrawn_ = true;
}

void DialElements::fillTriangle(Vector2 a, Vector2 b, Vector2 c) {
    if (next_ != nullptr) next_->fillTriangle(a, b, c);
    const std::array<Point, 3> t{{{static_cast<float>(a.X), static_cast<float>(a.Y)},
                                  {static_cast<float>(b.X), static_cast<float>(b.Y)},
                                  {static_cast<float>(c.X), static_cast<float>(c.Y)}}};
    DialElement e;
    switch (colour_) {
        case kBackgroundDiscColour:
            e = DialElement::BackgroundDisc;
            break;
        case kGroundDiscColour:
            e = DialElement::GroundDisc;
            break;
        case kSkyRegionColour:
            e = DialElement::SkyRegion;
            if (skyCount_ < sky_.size()) sky_[skyCount_++] = t;
            break;
        case kWhiteColour:
            e = DialElement::TargetMarker;
            break;
        case kStickIndicatorColour:
            e = DialElement::StickIndicator;
            break;
        default:
            return;  // the peripheral band, or no dial's colour
    }
    for (const Point& p : t) note(e, p);
}

void DialElements::drawLine(Vector2 from, Vector2 to, float width) {
    if (next_ != nullptr) next_->drawLine(from, to, width);
    const Point a{static_cast<float>(from.X), static_cast<float>(from.Y)};
    const Point b{static_cast<float>(to.X), static_cast<float>(to.Y)};
    const Point middle{(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f};
    if (colour_ == kWhiteColour) {
        // The horizon line is drawn under the first white; each meridian
        // segment sets white again.
        if (whiteColours_ <= 1) {
            if (horizonCount_ < horizon_.size()) horizon_[horizonCount_++] = middle;
            note(DialElement::HorizonLine, a);
            note(DialElement::HorizonLine, b);
        } else {
            if (meridianCount_ < meridian_.size()) meridian_[meridianCount_++] = middle;
            note(DialElement::MeridianLines, a);
            note(DialElement::MeridianLines, b);
        }
    } else if (colour_ == kBlackColour) {
        if (width >= kCentreSymbolMinWidth) {
            // The label points at the first stroke, the left wing.
            if (!places_[static_cast<std::size_t>(DialElement::CentreSymbol)].drawn)
                centreStroke_ = middle;
            note(DialElement::CentreSymbol, a);
            note(DialElement::CentreSymbol, b);
        } else if (dotDrawn_) {
            places_[static_cast<std::size_t>(lastDot_)].crossed = true;
        }
    }
}

bool DialElements::inSky(Point p) const {
    for (std::size_t i = 0; i < skyCount_; ++i) {
        const std::array<Point, 3>& t = sky_[i];
        const float d1 = side(t[0].x, t[0].y, t[1].x, t[1].y, p.x, p.y);
        const float d2 = side(t[1].x, t[1].y, t[2].x, t[2].y, p.x, p.y);
        const float d3 = side(t[2].x, t[2].y, t[0].x, t[0].y, p.x, p.y);
        const bool negative = d1 < 0.0f || d2 < 0.0f || d3 < 0.0f;
        const bool positive = d1 > 0.0f || d2 > 0.0f || d3 > 0.0f;
        if (!(negative && positive)) return true;
    }
    return false;
}

void DialElements::finishFrame() {
    for (std::size_t i = 0; i < kDialElementCount; ++i) {
        ElementPlace& place = places_[i];
        if (!place.drawn || counts_[i] == 0) continue;
        place.x = sums_[i].x / static_cast<float>(counts_[i]);
        place.y = sums_[i].y / static_cast<float>(counts_[i]);
    }
    for (DialElement dot : {DialElement::BallDot, DialElement::VelocityDot}) {
        // A crossed dot's middle is under its cross: its point is half way
        // between the cross's arms, at the left.
        ElementPlace& place = places_[static_cast<std::size_t>(dot)];
        if (place.drawn && place.crossed) place.x = place.minX + (place.maxX - place.minX) * 0.25f;
    }
    if (places_[static_cast<std::size_t>(DialElement::CentreSymbol)].drawn) {
        places_[static_cast<std::size_t>(DialElement::CentreSymbol)].x = centreStroke_.x;
        places_[static_cast<std::size_t>(DialElement::CentreSymbol)].y = centreStroke_.y;
    }
    const ElementPlace& ground = places_[static_cast<std::size_t>(DialElement::GroundDisc)];
    if (!ground.drawn) return;
    const float cx = (ground.minX + ground.maxX) * 0.5f;
    const float cy = (ground.minY + ground.maxY) * 0.5f;
    const float radius = (ground.maxX - ground.minX) * 0.5f;

    // A label's point is best where nothing else of the dial is near: the
    // dots, the marker, the indicator and the centre symbol.
    const auto clearance = [this](Point p) {
        float nearest = 1e9f;
        for (DialElement busy :
             {DialElement::BallDot, DialElement::VelocityDot, DialElement::CentreSymbol,
              DialElement::StickIndicator, DialElement::TargetMarker}) {
            const ElementPlace& b = places_[static_cast<std::size_t>(busy)];
            if (b.drawn) nearest = std::min(nearest, std::hypot(p.x - b.x, p.y - b.y));
        }
        return nearest;
    };
    const auto best = [&](auto&& allowed, std::initializer_list<float> radii, Point fallback) {
        Point chosen = fallback;
        float chosenClearance = -1.0f;
        for (float r : radii)
            for (int k = 0; k < kCandidateAngles; ++k) {
                const float a = static_cast<float>(k) * 6.2831853f / kCandidateAngles;
                const Point p{cx + r * radius * std::cos(a), cy + r * radius * std::sin(a)};
                if (!allowed(p)) continue;
                const float c = clearance(p);
                if (c > chosenClearance) {
                    chosen = p;
                    chosenClearance = c;
                }
            }
        return chosen;
    };
    const auto put = [this](DialElement e, Point p) {
        places_[static_cast<std::size_t>(e)].x = p.x;
        places_[static_cast<std::size_t>(e)].y = p.y;
    };

    put(DialElement::GroundDisc,
        best([this](Point p) { return !inSky(p); }, {0.8f, 0.6f, 0.4f}, {cx, cy - 0.8f * radius}));
    if (places_[static_cast<std::size_t>(DialElement::SkyRegion)].drawn)
        put(DialElement::SkyRegion, best([this](Point p) { return inSky(p); }, {0.5f, 0.75f, 0.3f},
                                         {cx, cy + 0.8f * radius}));
    ElementPlace& background = places_[static_cast<std::size_t>(DialElement::BackgroundDisc)];
    if (background.drawn) {
        // In the dark ring between the ground disc and the background's rim.
        const float outer = (background.maxX - background.minX) * 0.5f;
        const float ring = (outer + radius) * 0.5f / radius;
        put(DialElement::BackgroundDisc, best([](Point) { return true; }, {ring}, {cx, cy}));
    }
    if (horizonCount_ > 0) {
        Point chosen = horizon_[horizonCount_ / 2];
        float chosenClearance = -1.0f;
        for (std::size_t i = 0; i < horizonCount_; ++i)
            if (const float c = clearance(horizon_[i]); c > chosenClearance) {
                chosen = horizon_[i];
                chosenClearance = c;
            }
        put(DialElement::HorizonLine, chosen);
    }
    if (meridianCount_ > 0) {
        Point chosen = meridian_[0];
        float chosenClearance = -1.0f;
        for (std::size_t i = 0; i < meridianCount_; ++i) {
            const Point p = meridian_[i];
            if (std::hypot(p.x - cx, p.y - cy) > 0.85f * radius) continue;
            float c = clearance(p);
            for (std::size_t h = 0; h < horizonCount_; ++h)
                c = std::min(c, std::hypot(p.x - horizon_[h].x, p.y - horizon_[h].y));
            if (c > chosenClearance) {
                chosen = p;
                chosenClearance = c;
            }
        }
        put(DialElement::MeridianLines, chosen);
    }
}

}  // namespace canvas
