// The fuzz targets' generic reader: walks arbitrary bytes as a block file (finds any block,
// reads values of every kind, nests and ends), then writes pieces of the input as values and
// checks that they read back unchanged. A broken promise traps.
#pragma once

#include <vexo/persistence.h>
#include "lwhost/io/blockio.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace blockio_fuzz {

inline const st_LWBlockIdent kAny[] = {
    {LWID_MAKE('A', 'L', 'P', 'H'), "Alpha"},
    {LWID_MAKE('B', 'E', 'T', 'A'), "Beta"},
    {LWID_MAKE('G', 'R', 'U', 'P'), "Group"},
    {LWID_MAKE('I', 'T', 'E', 'M'), "Item"},
    {LWID_MAKE('N', 'A', 'M', 'E'), "Name"},
    {LWID_MAKE('R', 'A', 'W', '1'), nullptr},
    {0, nullptr},
};

inline void check(bool ok) {
    if (!ok) __builtin_trap();
}

inline void walk(lwhost::MemoryLoadState& state) {
    vexo::LoadState in(state.record());
    char text[300];
    uint8_t u1[9];
    int16_t i2[9];
    uint32_t u4[9];
    float fp[9];
    for (unsigned step = 0; step < 100000; ++step) {
        if (in.findBlk(kAny) == 0) {
            if (state.record()->depth(state.record()->readData) == 0) return;
            in.endBlk();
            continue;
        }
        int n = int(step % 9) + 1;
        switch (step % 5) {
            case 0:
                check(in.readU1(u1, n) <= n);
                break;
            case 1:
                check(in.readI2(i2, n) <= n);
                break;
            case 2:
                check(in.readU4(u4, n) <= n);
                break;
            case 3:
                check(in.readFP(fp, n) <= n);
                break;
            case 4: {
                int size = step % 3 == 0 ? 1 : step % 3 == 1 ? 8 : int(sizeof text);
                int got = in.readStr(text, size);
                check(got < size && (got < 0 || text[got] == 0));
                break;
            }
        }
        check(in.readStr(text, int(sizeof text)) < int(sizeof text));
        if (step % 4 == 3) in.endBlk();
        if (state.damaged()) check(in.findBlk(kAny) == 0 && in.readU1(u1, 1) == -1);
    }
}

inline void roundTrip(const uint8_t* data, size_t size, int mode) {
    // Texts up to each 0 byte (or the end), and the same bytes as numbers.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    lwhost::MemorySaveState save(mode, int(size % 5));
    vexo::SaveState out(save.record());
    out.beginBlk(kAny[2], false);
    out.writeStr(bytes.c_str());
    out.beginBlk(kAny[0], true);
    size_t floats = size / 4;
    for (size_t i = 0; i < floats; ++i) {
        float f;
        std::memcpy(&f, data + 4 * i, 4);
        out.writeFP(f);
    }
    out.endBlk();
    out.writeU1(reinterpret_cast<const uint8_t*>(bytes.data()), int(size));
    out.endBlk();
    save.finish();
    check(!save.failed());

    lwhost::MemoryLoadState load(save.bytes(), mode);
    vexo::LoadState in(load.record());
    check(in.findBlk(kAny) == kAny[2].id);
    std::string text;
    check(in.readStr(text, int(size)) && text == bytes.c_str());
    check(in.findBlk(kAny) == kAny[0].id);
    for (size_t i = 0; i < floats; ++i) {
        float f, g;
        std::memcpy(&f, data + 4 * i, 4);
        check(in.readFP(g) && (std::memcmp(&f, &g, 4) == 0 || (f != f && g != g)));
    }
    in.endBlk();
    std::string back(size, '\0');
    check(in.readU1(reinterpret_cast<uint8_t*>(&back[0]), int(size)) == int(size) || size == 0);
    check(back == bytes);
    in.endBlk();
    check(in.findBlk(kAny) == 0 && !load.failed());
}

inline int run(const uint8_t* data, size_t size, int mode) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    lwhost::MemoryLoadState state(bytes, mode);
    walk(state);
    // Data that passes the check is never found damaged while it is read; data that fails it
    // hands out nothing.
    lwhost::MemoryLoadState checked(bytes, mode);
    const bool sound = checked.check();
    vexo::LoadState in(checked.record());
    check(sound || in.findBlk(kAny) == 0);
    walk(checked);
    check(sound != checked.damaged());
    // Blocks passed over are words the walker never asked for, at lines of the data.
    const long lines = 1 + static_cast<long>(std::count(bytes.begin(), bytes.end(), '\n'));
    for (const lwhost::UnreadBlock& b : checked.unread())
        check(mode == LWIO_ASCII && !b.token.empty() && b.line >= 1 && b.line <= lines);
    if (size <= 4096) roundTrip(data, size, mode);
    return 0;
}

}  // namespace blockio_fuzz
