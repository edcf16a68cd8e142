#pragma once
#include <cstdint>
#include <ostream>

#include "canvas/Image.h"

// One pixel of a rendered picture (of the window or of `render`), comparable
// and printable in test output.
struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& o, const Rgb& c) {
    return o << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline Rgb pixel(const canvas::Image& image, int x, int y) {
    const uint8_t* p = image.at(x, y);
    return {p[0], p[1], p[2]};
}
