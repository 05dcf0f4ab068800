// Writing and reading generated block files of about 1 MB and 10 MB in each encoding.
#include <benchmark/benchmark.h>
#include "lwhost/io/blockio.h"

#include <string>

namespace {

const st_LWBlockIdent kIds[] = {
    {LWID_MAKE('G', 'R', 'U', 'P'), "Group"},
    {LWID_MAKE('A', 'L', 'P', 'H'), "Alpha"},
    {LWID_MAKE('B', 'E', 'T', 'A'), "Beta"},
    {LWID_MAKE('N', 'A', 'M', 'E'), "Name"},
    {LWID_MAKE('I', 'T', 'E', 'M'), "Item"},
    {LWID_MAKE('F', 'L', 'A', 'G'), "Flags"},
    {0, nullptr},
};
enum { GRUP, ALPH, BETA, NAME, ITEM, FLAG };

// One unit: a nested block of scalar settings and a nested item, as a scene plug-in writes them.
void writeUnit(st_LWSaveState* s, uint32_t i) {
    void* d = s->writeData;
    const unsigned long u4[3] = {i, i * 7u, 4000000000u - i};
    const unsigned long count = i;
    const float fp[3] = {0.5f * float(i), 1.25f, -3.0e-5f * float(i)};
    const uint8_t u1[2] = {uint8_t(i), 1};
    const std::string name = "surface number " + std::to_string(i) + " \"quoted\"";
    s->beginBlk(d, &kIds[GRUP], 0);
    s->writeU4(d, &count, 1);
    s->beginBlk(d, &kIds[ALPH], 1);
    s->writeU4(d, u4, 3);
    s->endBlk(d);
    s->beginBlk(d, &kIds[BETA], 1);
    s->writeFP(d, fp, 3);
    s->endBlk(d);
    s->beginBlk(d, &kIds[NAME], 1);
    s->writeStr(d, name.c_str());
    s->endBlk(d);
    s->beginBlk(d, &kIds[ITEM], 0);
    s->beginBlk(d, &kIds[FLAG], 1);
    s->writeU1(d, u1, 2);
    s->endBlk(d);
    s->endBlk(d);
    s->endBlk(d);
}

std::string write(int mode, uint32_t units) {
    lwhost::MemorySaveState save(mode);
    for (uint32_t i = 0; i < units; ++i) writeUnit(save.record(), i);
    save.finish();
    return save.bytes();
}

// Units that make about `bytes` bytes in that encoding.
uint32_t unitsFor(int mode, std::size_t bytes) {
    std::size_t sample = write(mode, 1000).size();
    return uint32_t(bytes * 1000 / sample);
}

// Reads every block and value back; the sum keeps the reads from being optimised away.
uint64_t read(const std::string& bytes, int mode) {
    lwhost::MemoryLoadState load(bytes, mode);
    st_LWLoadState* s = load.record();
    void* d = s->readData;
    uint64_t sum = 0;
    unsigned long u4[3];
    float fp[3];
    uint8_t u1[2];
    char name[256];
    for (;;) {
        LWID id = s->findBlk(d, kIds);
        if (id == 0) {
            if (s->depth(d) == 0) break;
            s->endBlk(d);
            continue;
        }
        if (id == kIds[GRUP].id) {
            sum += uint64_t(s->readU4(d, u4, 1));
            continue;  // its blocks follow
        }
        if (id == kIds[ITEM].id) continue;
        if (id == kIds[ALPH].id) sum += uint64_t(s->readU4(d, u4, 3)) + u4[2];
        if (id == kIds[BETA].id) sum += uint64_t(s->readFP(d, fp, 3)) + uint64_t(fp[0]);
        if (id == kIds[NAME].id) sum += uint64_t(s->readStr(d, name, int(sizeof name)));
        if (id == kIds[FLAG].id) sum += uint64_t(s->readU1(d, u1, 2)) + u1[0];
        s->endBlk(d);
    }
    if (load.failed()) sum = 0;
    return sum;
}

void BM_BlockWrite(benchmark::State& state, int mode, std::size_t target) {
    const uint32_t units = unitsFor(mode, target);
    std::size_t size = 0;
    for (auto _ : state) {
        std::string bytes = write(mode, units);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
    state.counters["file_bytes"] = double(size);
}

void BM_BlockRead(benchmark::State& state, int mode, std::size_t target) {
    const std::string bytes = write(mode, unitsFor(mode, target));
    for (auto _ : state) benchmark::DoNotOptimize(read(bytes, mode));
    if (read(bytes, mode) == 0) state.SkipWithError("the generated file did not read back");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    state.counters["file_bytes"] = double(bytes.size());
}

constexpr std::size_t kMB = 1 << 20;

BENCHMARK_CAPTURE(BM_BlockWrite, text_1MB, LWIO_ASCII, kMB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BlockWrite, text_10MB, LWIO_ASCII, 10 * kMB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BlockWrite, binary_1MB, LWIO_BINARY, kMB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BlockWrite, binary_10MB, LWIO_BINARY, 10 * kMB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BlockRead, text_1MB, LWIO_ASCII, kMB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BlockRead, text_10MB, LWIO_ASCII, 10 * kMB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BlockRead, binary_1MB, LWIO_BINARY, kMB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BlockRead, binary_10MB, LWIO_BINARY, 10 * kMB)->Unit(benchmark::kMillisecond);

}  // namespace
