#pragma once
// PNG files for pictures, through libpng.
#include <cstdint>
#include <string>
#include <vector>

#include "hostapp/picture/Image.h"

namespace picture {

// Encodes at zlib's fastest level: these pictures are mostly flat colour and
// gradients, which compress well even so, and a sequence has many of them.
bool encodePng(const Image& image, std::vector<uint8_t>& out, std::string& error);

// Writes bytes to `path` through a temporary file beside it and a rename, so a
// failed or interrupted write never leaves a half-written picture.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string& error);

bool writePng(const std::string& path, const Image& image, std::string& error);

// Any PNG, converted to 8-bit RGB (alpha composed onto black).
bool readPng(const std::string& path, Image& image, std::string& error);

}  // namespace picture
