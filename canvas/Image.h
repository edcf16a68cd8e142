#pragma once
// A picture in memory: 8-bit RGB, rows from top to bottom, no padding.
#include <cstdint>
#include <vector>

namespace canvas {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes

    void resize(int w, int h) {
        width = w;
        height = h;
        rgb.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3u, 0);
    }
    const uint8_t* at(int x, int y) const {
        return rgb.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                             static_cast<std::size_t>(x)) *
                                3u;
    }
    uint8_t* at(int x, int y) {
        return rgb.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                             static_cast<std::size_t>(x)) *
                                3u;
    }
    bool operator==(const Image&) const = default;
};

}  // namespace canvas
