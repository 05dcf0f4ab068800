// Arbitrary bytes read as a text block file, and values written in that encoding read back.
#include "blockio_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return blockio_fuzz::run(data, size, LWIO_ASCII);
}
