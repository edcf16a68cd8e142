#include "picture/Png.h"

#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace picture {
namespace {

// libpng reports errors by longjmp; the state it may touch is kept plain so
// that nothing with a destructor is skipped.
struct EncodeState {
    std::vector<uint8_t>* out;
    char message[200];
};

void onWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<EncodeState*>(png_get_io_ptr(png));
    state->out->insert(state->out->end(), data, data + length);
}

void onFlush(png_structp) {}

void onError(png_structp png, png_const_charp message) {
    auto* state = static_cast<EncodeState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

bool encodeRows(png_structp png, png_infop info, const canvas::Image& image, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, Z_BEST_SPEED);
    // One cheap filter: a row minus its left neighbour is zero across flat
    // colour and gradients, and trying every filter per row costs more than
    // it saves here.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

}  // namespace

base::Status encodePng(const canvas::Image& image, std::vector<uint8_t>& out) {
    out.clear();
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() !=
            static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3u)
        return base::Failure{"cannot encode an empty or malformed picture"};
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(image.at(0, y));
    }
    EncodeState state{&out, {0}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, onError, onWarning);
    if (png == nullptr) return base::Failure{"libpng could not start"};
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return base::Failure{"libpng could not start"};
    }
    png_set_write_fn(png, &state, onWrite, onFlush);
    const bool ok = encodeRows(png, info, image, rows.data());
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        out.clear();
        return base::Failure{std::string("PNG encoding failed: ") + state.message};
    }
    return {};
}

base::Result<canvas::Image> readPng(const std::string& path) {
    png_image reader;
    std::memset(&reader, 0, sizeof reader);
    reader.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&reader, path.c_str()) == 0)
        return base::Failure{"cannot read " + path + ": " + reader.message};
    reader.format = PNG_FORMAT_RGB;
    canvas::Image image;
    image.resize(static_cast<int>(reader.width), static_cast<int>(reader.height));
    if (png_image_finish_read(&reader, nullptr, image.rgb.data(), 0, nullptr) == 0) {
        const std::string why = reader.message;
        png_image_free(&reader);
        return base::Failure{"cannot read " + path + ": " + why};
    }
    return image;
}

}  // namespace picture
