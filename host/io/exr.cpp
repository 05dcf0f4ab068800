#include "lwhost/io/exr.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <ImfStandardAttributes.h>
#include <ImfStdIO.h>
#include <ImfStringAttribute.h>
#include <half.h>

#include <exception>

#include "lwhost/io/atomic_file.h"
#include "lwhost/io/png.h"

namespace lwhost {

namespace {

const char* const kChannels[4] = {"R", "G", "B", "A"};

// The whole file in memory: the library seeks back to fill in its offset table, which the
// temporary file's stream could do too, but a failed write then leaves nothing to clean up.
std::string encode(const std::vector<ExrLayer>& layers, bool fullFloat,
                   const std::vector<std::pair<std::string, std::string>>& attributes) {
    const FloatImage& first = *layers.front().image;
    Imf::Header header(first.width, first.height);
    header.compression() = Imf::ZIP_COMPRESSION;
    // Rec. 709 primaries and white, linear: what the renderer's colours are.
    Imf::addChromaticities(header, Imf::Chromaticities());
    for (const auto& [name, value] : attributes) header.insert(name, Imf::StringAttribute(value));
    const Imf::PixelType type = fullFloat ? Imf::FLOAT : Imf::HALF;
    // Half floats are made here: the library takes a frame buffer of the file's type.
    std::vector<std::vector<half>> halves(fullFloat ? 0 : layers.size());
    Imf::FrameBuffer buffer;
    for (size_t l = 0; l < layers.size(); ++l) {
        const ExrLayer& layer = layers[l];
        const std::string prefix = layer.name.empty() ? "" : layer.name + ".";
        char* base = reinterpret_cast<char*>(const_cast<float*>(layer.image->rgba.data()));
        size_t size = sizeof(float);
        if (!fullFloat) {
            halves[l].assign(layer.image->rgba.begin(), layer.image->rgba.end());
            base = reinterpret_cast<char*>(halves[l].data());
            size = sizeof(half);
        }
        for (int c = 0; c < 4; ++c) {
            const std::string channel = prefix + kChannels[c];
            header.channels().insert(channel, Imf::Channel(type));
            buffer.insert(channel, Imf::Slice(type, base + size * c, size * 4,
                                              size * 4 * static_cast<size_t>(first.width)));
        }
    }
    Imf::StdOSStream stream;
    {
        Imf::OutputFile file(stream, header, 1);
        file.setFrameBuffer(buffer);
        file.writePixels(first.height);
    }
    return stream.str();
}

}  // namespace

bool writeExr(const std::string& path, const std::vector<ExrLayer>& layers, bool fullFloat,
              const std::vector<std::pair<std::string, std::string>>& attributes,
              std::string& error) {
    if (layers.empty()) {
        error = "cannot write " + path + ": no layers";
        return false;
    }
    const FloatImage* first = layers.front().image;
    for (const ExrLayer& layer : layers) {
        const FloatImage* image = layer.image;
        if (!image || !image->sized() || image->width != first->width ||
            image->height != first->height || image->width <= 0 || image->height <= 0 ||
            image->width > kMaxPngSide || image->height > kMaxPngSide) {
            error = "cannot write " + path + ": layer '" + layer.name + "' has no pixels of " +
                    "the image's size";
            return false;
        }
    }
    std::string bytes;
    try {
        bytes = encode(layers, fullFloat, attributes);
    } catch (const std::exception& e) {
        error = "cannot write " + path + ": " + e.what();
        return false;
    }
    AtomicFile out;
    std::string why;
    if (!out.open(path, why) || !out.write(bytes.data(), bytes.size(), why) || !out.commit(why)) {
        error = "cannot write " + path + ": " + why;
        return false;
    }
    return true;
}

}  // namespace lwhost
