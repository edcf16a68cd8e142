#pragma once
// Where the dial's elements are, read from the plugin's own canvas calls:
// a canvas that passes every call on unchanged to the canvas behind it and
// notes, by the colours the dial paints them in and the order it paints
// them, where each element of the frame went. The guide's annotated
// pictures and the help overlay's labels point at these places, so a label
// sits where the dial really drew its element, whatever the car does.
//
// Nothing is allocated: the places are a fixed table, reset each frame.
#include <array>
#include <cstddef>
#include <cstdint>

#include "host/CanvasWrapper.h"

namespace canvas {

// The dial's elements, in the order it paints them.
enum class DialElement : uint8_t {
    BackgroundDisc,
    GroundDisc,
    SkyRegion,
    HorizonLine,
    MeridianLines,
    TargetMarker,
    StickIndicator,
    BallDot,
    VelocityDot,
    CentreSymbol,
};
inline constexpr std::size_t kDialElementCount = 10;

// One element as drawn in a frame: whether it was, a point on it to point a
// label at, and the box around everything of it.
struct ElementPlace {
    bool drawn = false;
    bool crossed = false;  // a dot with the black cross: its direction is behind the car
    float x = 0.0f;        // the label's point, on the element
    float y = 0.0f;
    float minX = 0.0f, minY = 0.0f, maxX = 0.0f, maxY = 0.0f;
};

class DialElements final : public pluginsdk::CanvasBackend {
  public:
    // `next` takes every call, unchanged; null: the calls go nowhere.
    explicit DialElements(pluginsdk::CanvasBackend* next, Vector2 size = {1920, 1080})
        : next_(next), size_(size) {}

    // The canvas the calls go on to from now.
    void setNext(pluginsdk::CanvasBackend* next) { next_ = next; }
    // Forgets the last frame's places.
    void startFrame();
    // Works the label points out from what the frame drew.
    void finishFrame();
    const ElementPlace& operator[](DialElement e) const {
        return places_[static_cast<std::size_t>(e)];
    }

    Vector2 size() const override { return next_ != nullptr ? next_->size() : size_; }
    void setColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override;
    void setPosition(Vector2 p) override;
    void fillBox(Vector2 size) override;
    void fillTriangle(Vector2 a, Vector2 b, Vector2 c) override;
    void drawLine(Vector2 from, Vector2 to, float width) override;

  private:
    struct Point {
        float x = 0.0f, y = 0.0f;
    };
    // The sky region is 38 triangles; a few more leave room for a dial
    // drawn more than once in a frame without overrunning.
    static constexpr std::size_t kSkyTriangles = 64;
    static constexpr std::size_t kMeridianSegments = 200;

    void note(DialElement e, Point p);
    bool inSky(Point p) const;
    void placeGround();
    void placeSky();

    pluginsdk::CanvasBackend* next_;
    Vector2 size_;
    std::array<ElementPlace, kDialElementCount> places_{};
    // Sums for the centres of the marker, the indicator and the centre
    // symbol.
    std::array<Point, kDialElementCount> sums_{};
    std::array<int, kDialElementCount> counts_{};
    uint32_t colour_ = 0;
    int whiteColours_ = 0;  // SetColor white calls seen: the first one starts the horizon
    Vector2 position_{};
    DialElement lastDot_ = DialElement::BallDot;
    bool dotDrawn_ = false;
    std::array<std::array<Point, 3>, kSkyTriangles> sky_{};
    std::size_t skyCount_ = 0;
    std::array<Point, kMeridianSegments> meridian_{};  // the segments' middles
    std::size_t meridianCount_ = 0;
    Point centreStroke_{};
    std::array<Point, 20> horizon_{};  // the horizon line's middles
    std::size_t horizonCount_ = 0;
};

// The dial's colours, as the plugin paints them, packed 0xRRGGBBAA.
inline constexpr uint32_t kBackgroundDiscColour = 0x141414ff;
inline constexpr uint32_t kGroundDiscColour = 0xd75f00ff;
inline constexpr uint32_t kSkyRegionColour = 0x32bedcff;
inline constexpr uint32_t kWhiteColour = 0xffffffff;
inline constexpr uint32_t kStickIndicatorColour = 0x32c832ff;
inline constexpr uint32_t kBallDotColour = 0x0000ffff;
inline constexpr uint32_t kVelocityDotColour = 0x32ff00ff;
inline constexpr uint32_t kBlackColour = 0x000000ff;

}  // namespace canvas
