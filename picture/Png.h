#pragma once
// PNG files for pictures, through libpng.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "canvas/Image.h"

namespace picture {

// Encodes at zlib's fastest level: these pictures are mostly flat colour and
// gradients, which compress well even so, and a sequence has many of them.
// `out` is reused from picture to picture.
base::Status encodePng(const canvas::Image& image, std::vector<uint8_t>& out);

// Any PNG, converted to 8-bit RGB (alpha composed onto black).
base::Result<canvas::Image> readPng(const std::string& path);

}  // namespace picture
