// PNG through stb's header-only writer and reader, compiled in here. The writer takes 8 bits per
// channel only.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../png_codec.h"

// Third-party code, compiled here with its warnings off.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace lwhost::png_codec {

namespace {

// Largest PNG file read: far beyond any image of kMaxPngSide squared at 16 bits with alpha.
constexpr size_t kMaxFileBytes = size_t(1) << 30;

struct Sink {
    FILE* file;
    bool failed = false;
};

void writeBytes(void* context, void* data, int size) {
    auto* sink = static_cast<Sink*>(context);
    if (size > 0 &&
        std::fwrite(data, 1, static_cast<size_t>(size), sink->file) != static_cast<size_t>(size))
        sink->failed = true;
}

}  // namespace

bool encode(FILE* file, int width, int height, const uint8_t* rows, int bits, int channels,
            std::string& why) {
    if (bits != 8) {
        why = "this build writes PNG at 8 bits per channel only";
        return false;
    }
    Sink sink{file};
    if (!stbi_write_png_to_func(&writeBytes, &sink, width, height, channels, rows,
                                width * channels)) {
        why = "out of memory";
        return false;
    }
    if (sink.failed || std::fflush(file) != 0) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

bool decode(FILE* file, RgbImage& out, std::string& why) {
    std::vector<unsigned char> bytes;
    unsigned char buffer[64 * 1024];
    for (;;) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, file);
        if (n == 0) break;
        if (bytes.size() + n > kMaxFileBytes) {
            why = "file too large";
            return false;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    if (std::ferror(file)) {
        why = std::strerror(errno);
        return false;
    }
    const int size = static_cast<int>(bytes.size());
    int width = 0, height = 0, components = 0;
    // The header's sizes are checked before anything is allocated for them.
    if (!stbi_info_from_memory(bytes.data(), size, &width, &height, &components)) {
        why = stbi_failure_reason() ? stbi_failure_reason() : "damaged file";
        return false;
    }
    if (width <= 0 || height <= 0 || width > kMaxPngSide || height > kMaxPngSide) {
        why = "image size " + std::to_string(width) + "x" + std::to_string(height) +
              " is out of range";
        return false;
    }
    unsigned char* rgb = stbi_load_from_memory(bytes.data(), size, &width, &height, &components, 3);
    if (!rgb) {
        why = stbi_failure_reason() ? stbi_failure_reason() : "damaged file";
        return false;
    }
    out.width = width;
    out.height = height;
    out.rgb.assign(rgb, rgb + static_cast<size_t>(width) * height * 3);
    stbi_image_free(rgb);
    return true;
}

}  // namespace lwhost::png_codec
