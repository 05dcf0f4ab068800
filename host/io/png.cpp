#include "lwhost/io/png.h"

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "lwhost/io/atomic_file.h"
#include "lwhost/io/image.h"
#include "lwhost/io/regular_file.h"

namespace lwhost {

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

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Encodes rows of `channels` samples of `bits` (8, or 16 big-endian) into an open file. Returns
// false with the message in `keep`.
bool encode(FILE* file, int width, int height, const uint8_t* rows, int bits, int channels,
            PngErrorText& keep) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &keep, pngError, pngWarning);
    if (!png) {
        std::snprintf(keep.text, sizeof keep.text, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        if (!info) std::snprintf(keep.text, sizeof keep.text, "out of memory");
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bits,
                 channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(width) * channels * (bits / 8);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rows + stride * static_cast<size_t>(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Decodes an open file into `out` (already cleared). Returns false with the message in `keep`.
bool decode(FILE* file, RgbImage& out, PngErrorText& keep) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &keep, pngError, pngWarning);
    if (!png) {
        std::snprintf(keep.text, sizeof keep.text, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        if (!info) std::snprintf(keep.text, sizeof keep.text, "out of memory");
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_init_io(png, file);
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
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Writes rows of samples as writePng() describes.
bool writeRows(const std::string& path, int width, int height, const uint8_t* rows, int bits,
               int channels, std::string& error) {
    if (width <= 0 || height <= 0 || width > kMaxPngSide || height > kMaxPngSide) {
        error = "cannot write " + path + ": image size " + std::to_string(width) + "x" +
                std::to_string(height) + " is out of range";
        return false;
    }
    if (!rows) {
        error = "cannot write " + path + ": no pixels";
        return false;
    }
    AtomicFile out;
    std::string why;
    if (!out.open(path, why)) {
        error = "cannot write " + path + ": " + why;
        return false;
    }
    FILE* file = out.stream();
    if (!file) {
        error = systemError("cannot write", path);
        return false;
    }
    PngErrorText keep;
    if (!encode(file, width, height, rows, bits, channels, keep)) {
        error = "cannot write " + path + ": " + keep.text;
        return false;
    }
    if (!out.commit(why)) {
        error = "cannot write " + path + ": " + why;
        return false;
    }
    return true;
}

}  // namespace

bool writePng(const std::string& path, int width, int height, const uint8_t* rgb,
              std::string& error) {
    return writeRows(path, width, height, rgb, 8, 3, error);
}

bool writePng(const std::string& path, const FloatImage& image, int bits, bool alpha,
              std::string& error) {
    if (!image.sized()) {
        error = "cannot write " + path + ": the pixels do not match the image size";
        return false;
    }
    if (bits != 8 && bits != 16) {
        error = "cannot write " + path + ": PNG takes 8 or 16 bits per channel";
        return false;
    }
    const int channels = alpha ? 4 : 3;
    const double top = bits == 16 ? 65535.0 : 255.0;
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    std::vector<uint8_t> rows(pixels * static_cast<size_t>(channels) * (bits / 8));
    uint8_t* out = rows.data();
    for (size_t i = 0; i < pixels; ++i) {
        const float* p = &image.rgba[i * 4];
        const double coverage = std::clamp(static_cast<double>(p[3]), 0.0, 1.0);
        // PNG's alpha is straight: the colour of the covered part alone.
        const double divide = alpha && coverage > 0 ? coverage : 1.0;
        for (int c = 0; c < channels; ++c) {
            const double v = c == 3 ? coverage : p[c] / divide;
            const unsigned q = static_cast<unsigned>(std::clamp(v, 0.0, 1.0) * top + 0.5);
            if (bits == 16) *out++ = static_cast<uint8_t>(q >> 8);
            *out++ = static_cast<uint8_t>(q & 0xFF);
        }
    }
    return writeRows(path, image.width, image.height, rows.data(), bits, channels, error);
}

bool writePng(const std::string& path, const RgbImage& image, std::string& error) {
    if (image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3) {
        error = "cannot write " + path + ": the pixels do not match the image size";
        return false;
    }
    return writePng(path, image.width, image.height, image.rgb.data(), error);
}

bool writePng(const std::string& path, const Image& image, std::string& error) {
    return writePng(path, image.width(), image.height(), image.data().data(), error);
}

bool readPng(const std::string& path, RgbImage& out, std::string& error) {
    out = RgbImage();
    // Only a regular file is opened: a pipe would wait for a writer for good.
    FileStatus status;
    std::string why;
    const int fd = openRegularFile(path, status, why);
    FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (!file) {
        if (fd >= 0) {
            why = std::strerror(errno);
            ::close(fd);
        }
        error = "cannot read " + path + ": " + why;
        return false;
    }
    unsigned char signature[8] = {0};
    const size_t got = std::fread(signature, 1, sizeof signature, file);
    if (got != sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0) {
        std::fclose(file);
        error = "cannot read " + path + ": not a PNG file";
        return false;
    }
    std::rewind(file);
    PngErrorText keep;
    const bool ok = decode(file, out, keep);
    std::fclose(file);
    if (!ok) {
        out = RgbImage();
        error = "cannot read " + path + ": " + keep.text;
    }
    return ok;
}

}  // namespace lwhost
