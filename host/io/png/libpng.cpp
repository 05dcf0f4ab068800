// PNG through libpng.
#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "../png_codec.h"

namespace lwhost::png_codec {

namespace {

// libpng reports errors by longjmp; the message is kept here first. Only plain data lives in
// the frames a longjmp crosses.
struct PngErrorText {
    char text[256] = {0};
};

extern "C" void pngError(png_structp png, png_const_charp message) {
    auto* keep = static_cast<PngErrorText*>(png_get_error_ptr(png));
    if (keep) std::snprintf(keep->text, sizeof keep->text, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

extern "C" void pngWarning(png_structp, png_const_charp) {}

template <bool Write>
void destroyPng(png_structp png, png_infop info) {
    if constexpr (Write)
        png_destroy_write_struct(&png, info ? &info : nullptr);
    else
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
}

// Runs `body(png, info)` on a new libpng write (or read) struct and its info struct, set up on
// `file`, then destroys both. False with the reason in `keep` when libpng fails: it longjmps
// back here, across the body's frame, which therefore holds only plain data.
template <bool Write, class Body>
bool withPng(FILE* file, PngErrorText& keep, Body body) {
    png_structp png =
        Write ? png_create_write_struct(PNG_LIBPNG_VER_STRING, &keep, pngError, pngWarning)
              : png_create_read_struct(PNG_LIBPNG_VER_STRING, &keep, pngError, pngWarning);
    if (!png) {
        std::snprintf(keep.text, sizeof keep.text, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        std::snprintf(keep.text, sizeof keep.text, "out of memory");
    } else if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        body(png, info);
        destroyPng<Write>(png, info);
        return true;
    }
    destroyPng<Write>(png, info);
    return false;
}

bool encodeRows(FILE* file, int width, int height, const uint8_t* rows, int bits, int channels,
                PngErrorText& keep) {
    return withPng<true>(file, keep, [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                     bits, channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        const size_t stride = static_cast<size_t>(width) * channels * (bits / 8);
        for (int y = 0; y < height; ++y)
            png_write_row(png, const_cast<png_bytep>(rows + stride * static_cast<size_t>(y)));
        png_write_end(png, info);
    });
}

bool decodeRows(FILE* file, RgbImage& out, PngErrorText& keep) {
    return withPng<false>(file, keep, [&](png_structp png, png_infop info) {
        // The header's sizes are checked before anything is allocated for them.
        png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
        png_read_info(png, info);
        const png_uint_32 width = png_get_image_width(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        const int colourType = png_get_color_type(png, info);
        const int depth = png_get_bit_depth(png, info);
        if (depth == 16) png_set_strip_16(png);
        if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
        if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
        if (transparency) png_set_tRNS_to_alpha(png);
        if ((colourType & PNG_COLOR_MASK_ALPHA) || transparency) png_set_strip_alpha(png);
        const int passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 3)
            png_error(png, "unexpected row layout");
        out.width = static_cast<int>(width);
        out.height = static_cast<int>(height);
        out.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < height; ++y)
                png_read_row(png, out.rgb.data() + static_cast<size_t>(y) * width * 3, nullptr);
        png_read_end(png, nullptr);
    });
}

}  // namespace

bool encode(FILE* file, int width, int height, const uint8_t* rows, int bits, int channels,
            std::string& why) {
    PngErrorText keep;
    if (encodeRows(file, width, height, rows, bits, channels, keep)) return true;
    why = keep.text;
    return false;
}

bool decode(FILE* file, RgbImage& out, std::string& why) {
    PngErrorText keep;
    if (decodeRows(file, out, keep)) return true;
    why = keep.text;
    return false;
}

}  // namespace lwhost::png_codec
