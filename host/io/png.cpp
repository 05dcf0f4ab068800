#include "lwhost/io/png.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "lwhost/core/platform.h"
#include "lwhost/io/atomic_file.h"
#include "lwhost/io/image.h"
#include "lwhost/io/regular_file.h"
#include "png_codec.h"

namespace lwhost {

namespace {

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
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
    if (!png_codec::encode(file, width, height, rows, bits, channels, why)) {
        error = "cannot write " + path + ": " + why;
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
    FILE* file = fd < 0 ? nullptr : platform::openStream(fd, "rb");
    if (!file) {
        if (fd >= 0) {
            why = std::strerror(errno);
            platform::closeFile(fd);
        }
        error = "cannot read " + path + ": " + why;
        return false;
    }
    unsigned char signature[8] = {0};
    const size_t got = std::fread(signature, 1, sizeof signature, file);
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (got != sizeof signature || std::memcmp(signature, kSignature, sizeof signature) != 0) {
        std::fclose(file);
        error = "cannot read " + path + ": not a PNG file";
        return false;
    }
    std::rewind(file);
    const bool ok = png_codec::decode(file, out, why);
    std::fclose(file);
    if (!ok) {
        out = RgbImage();
        error = "cannot read " + path + ": " + why;
    }
    return ok;
}

}  // namespace lwhost
