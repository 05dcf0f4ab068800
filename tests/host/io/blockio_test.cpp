// Block-structured data in memory and in files: both encodings through the host's load and save
// records, damaged input, and "File IO" saves that replace a file only when they succeed.
#include "lwhost/io/blockio.h"
#include <gtest/gtest.h>
#include "lwhost/core/host.h"
#include "lwhost/io/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "run_program.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

const st_LWBlockIdent kIds[] = {
    {LWID_MAKE('A', 'L', 'P', 'H'), "Alpha"},
    {LWID_MAKE('B', 'E', 'T', 'A'), "Beta"},
    {LWID_MAKE('G', 'R', 'U', 'P'), "Group"},
    {LWID_MAKE('S', 'K', 'I', 'P'), "Skipped"},
    {0, nullptr},
};
const st_LWBlockIdent& kAlpha = kIds[0];
const st_LWBlockIdent& kBeta = kIds[1];
const st_LWBlockIdent& kGroup = kIds[2];
const st_LWBlockIdent& kSkipped = kIds[3];
// What a reader that no longer knows "Skipped" looks for.
const st_LWBlockIdent kKnown[] = {kIds[0], kIds[1], kIds[2], {0, nullptr}};

// Calls on a save record, shorter to write and chained.
struct Out {
    st_LWSaveState* s;
    template <class F, class T>
    Out& put(F write, const std::vector<T>& v) {
        write(s->writeData, v.data(), int(v.size()));
        return *this;
    }
    Out& u1(const std::vector<uint8_t>& v) { return put(s->writeU1, v); }
    Out& i2(const std::vector<int16_t>& v) { return put(s->writeI2, v); }
    // U4 elements are unsigned long in memory.
    Out& u4(const std::vector<uint32_t>& v) {
        return put(s->writeU4, std::vector<unsigned long>(v.begin(), v.end()));
    }
    Out& fp(const std::vector<float>& v) { return put(s->writeFP, v); }
    Out& str(const char* t) {
        s->writeStr(s->writeData, t);
        return *this;
    }
    Out& begin(const st_LWBlockIdent& id, bool leaf) {
        s->beginBlk(s->writeData, &id, leaf);
        return *this;
    }
    Out& end() {
        s->endBlk(s->writeData);
        return *this;
    }
    Out& leaf(const st_LWBlockIdent& id, const std::vector<uint32_t>& v) {
        return begin(id, true).u4(v).end();
    }
};

// The bytes `write` saves in the encoding, all blocks closed.
template <class Write>
std::string saved(int mode, Write write) {
    lwhost::MemorySaveState save(mode);
    write(Out{save.record()});
    save.finish();
    EXPECT_FALSE(save.failed()) << save.error();
    return save.bytes();
}

// Calls on a load record.
struct In {
    st_LWLoadState* s;
    LWID find(const st_LWBlockIdent* list = kIds) { return s->findBlk(s->readData, list); }
    void end() { s->endBlk(s->readData); }
    int depth() { return s->depth(s->readData); }
    uint32_t u4() {
        unsigned long v = 0xdeadbeef;
        EXPECT_EQ(s->readU4(s->readData, &v, 1), 1);
        return uint32_t(v);
    }
    // Finds the next block, which should be `id`, and leaves it after reading its first value.
    uint32_t leaf(LWID id, const st_LWBlockIdent* list = kIds) {
        EXPECT_EQ(find(list), id);
        uint32_t v = u4();
        end();
        return v;
    }
    // Up to `n` values through `read`: as many as it gave, none when it failed.
    template <class T, class F>
    std::vector<T> values(F read, size_t n) {
        std::vector<T> v(n);
        const int got = read(s->readData, v.data(), int(n));
        v.resize(got < 0 ? 0 : size_t(got));
        return v;
    }
    std::vector<uint32_t> u4s(size_t n) {
        const std::vector<unsigned long> v = values<unsigned long>(s->readU4, n);
        return std::vector<uint32_t>(v.begin(), v.end());
    }
    int u1(uint8_t* v, int n) { return s->readU1(s->readData, v, n); }
    // Stores only what was read.
    int u4(uint32_t* v, int n) {
        std::vector<unsigned long> wide(size_t(n > 0 ? n : 1));
        const int got = s->readU4(s->readData, wide.data(), n);
        for (int i = 0; i < got; ++i) v[i] = uint32_t(wide[size_t(i)]);
        return got;
    }
    int fp(float* v, int n) { return s->readFP(s->readData, v, n); }
    std::string str(int size = 256) {
        std::vector<char> buf(size_t(size), '\x7f');
        int n = s->readStr(s->readData, buf.data(), size);
        return n < 0 ? "<fail>" : std::string(buf.data(), size_t(n));
    }
};

// Walks everything it can reach, reading values of every kind, as the fuzz targets do.
void walk(st_LWLoadState* s) {
    In in{s};
    char buf[64];
    uint32_t values[16];
    for (int steps = 0; steps < 100000; ++steps) {
        LWID id = in.find();
        if (id == 0) {
            if (in.depth() == 0) return;
            in.end();
            continue;
        }
        in.u4(values, 3);
        s->readStr(s->readData, buf, int(sizeof buf));
        in.fp(reinterpret_cast<float*>(values), 16);
    }
}

// Enters and leaves every block it can reach without reading values, so that the first error
// reported is the damage itself.
void skim(st_LWLoadState* s, const st_LWBlockIdent* list = kIds) {
    In in{s};
    for (int steps = 0; steps < 100000; ++steps) {
        if (in.find(list) != 0) continue;
        if (in.depth() == 0) return;
        in.end();
    }
}

using BlockIoTest = ::testing::TestWithParam<int>;

TEST_P(BlockIoTest, ValuesOfEveryKindRoundTripExactly) {
    using L = std::numeric_limits<float>;
    const std::vector<float> floats = {0.0f,          -0.0f,           1.1f,     -3.25e-7f,
                                       L::min(),      L::denorm_min(), L::max(), 16777217.0f,
                                       L::infinity(), -L::infinity()};
    const std::vector<uint8_t> u1 = {0, 1, 255};
    const std::vector<int16_t> i2 = {-32768, -1, 0, 32767};
    const std::vector<uint32_t> u4 = {0, 4294967295u, 123456789};
    const char* awkward =
        "quote \" backslash \\ newline \n tab \t cr \r bell \a brace { } # \xc3\xa9";
    const std::string bytes = saved(GetParam(), [&](Out out) {
        out.begin(kAlpha, true).u1(u1).i2(i2).u4(u4).fp(floats);
        out.fp({L::quiet_NaN()}).str(awkward).str("");
        out.str(nullptr).end();
    });
    lwhost::MemoryLoadState load(bytes, GetParam());
    In in{load.record()};
    ASSERT_EQ(in.find(), kAlpha.id);
    EXPECT_EQ(in.values<uint8_t>(in.s->readU1, 3), u1);
    EXPECT_EQ(in.values<int16_t>(in.s->readI2, 4), i2);
    EXPECT_EQ(in.u4s(3), u4);
    const std::vector<float> fp = in.values<float>(in.s->readFP, floats.size() + 1);
    ASSERT_EQ(fp.size(), floats.size() + 1);
    for (size_t i = 0; i < floats.size(); ++i)
        EXPECT_EQ(std::memcmp(&fp[i], &floats[i], 4), 0) << "float " << i << " read " << fp[i];
    EXPECT_TRUE(std::isnan(fp.back()));
    EXPECT_EQ(in.str(), awkward);
    EXPECT_EQ(in.str(), "");
    EXPECT_EQ(in.str(), "");
    in.end();
    EXPECT_EQ(in.find(), 0u);
    EXPECT_FALSE(load.failed()) << load.error();
}

TEST_P(BlockIoTest, UnknownBlocksAndTheUnreadRestOfABlockAreSkipped) {
    const std::string bytes = saved(GetParam(), [](Out out) {
        out.leaf(kAlpha, {1});
        // An unknown nested block with everything inside.
        out.begin(kSkipped, false).str("} { \" not a block");
        out.leaf(kAlpha, {99}).begin(kSkipped, true).end();
        out.end().begin(kSkipped, true).fp({1.5f}).end();
        // Ended after its first value.
        out.begin(kGroup, false).u4({1, 2, 3});
        out.begin(kGroup, false).leaf(kAlpha, {4}).end();
        out.end().leaf(kBeta, {2, 6});
    });
    lwhost::MemoryLoadState load(bytes, GetParam());
    In in{load.record()};
    EXPECT_EQ(in.leaf(kAlpha.id, kKnown), 1u);
    EXPECT_EQ(in.leaf(kGroup.id, kKnown), 1u);
    EXPECT_EQ(in.leaf(kBeta.id, kKnown), 2u);
    EXPECT_EQ(in.find(kKnown), 0u);
    EXPECT_FALSE(load.failed()) << load.error();
}

TEST_P(BlockIoTest, NestedValuesKeepTheirOrderAndABlockBegunInALeafNestsIt) {
    const std::string bytes = saved(GetParam(), [](Out out) {
        out.u4({7});  // at the top level
        out.begin(kGroup, false).u4({1, 2});
        out.begin(kAlpha, true).str("inner").end();
        out.u4({3}).u4({4}).begin(kGroup, false).end().end();
        out.begin(kBeta, true).u4({5}).leaf(kAlpha, {6});
        out.end();
    });
    lwhost::MemoryLoadState load(bytes, GetParam());
    In in{load.record()};
    EXPECT_EQ(in.u4(), 7u);
    ASSERT_EQ(in.find(), kGroup.id);
    EXPECT_EQ(in.u4s(2), (std::vector<uint32_t>{1, 2}));
    EXPECT_TRUE(in.u4s(1).empty()) << "values do not run into a following block";
    ASSERT_EQ(in.find(), kAlpha.id);
    EXPECT_EQ(in.depth(), 2);
    EXPECT_EQ(in.str(), "inner");
    EXPECT_EQ(in.find(), 0u) << "a leaf has no inner blocks";
    in.end();
    EXPECT_EQ(in.u4s(2), (std::vector<uint32_t>{3, 4}));
    ASSERT_EQ(in.find(), kGroup.id);
    in.end();
    EXPECT_EQ(in.find(), 0u);
    in.end();
    EXPECT_EQ(in.depth(), 0);
    ASSERT_EQ(in.find(), kBeta.id);
    EXPECT_EQ(in.u4(), 5u);
    EXPECT_EQ(in.leaf(kAlpha.id), 6u);
    in.end();
    EXPECT_EQ(in.find(), 0u);
}

TEST_P(BlockIoTest, ReadingPastTheValuesFailsAndTextIsCutAtTheLimit) {
    const std::string bytes = saved(GetParam(), [](Out out) {
        out.leaf(kAlpha, {10, 20}).begin(kBeta, true);
        out.str("abcdefghij").str("next").end();
    });
    lwhost::MemoryLoadState load(bytes, GetParam());
    In in{load.record()};
    ASSERT_EQ(in.find(), kAlpha.id);
    uint32_t v[4] = {0, 0, 77, 77};
    EXPECT_EQ(in.u4(v, 4), 2);
    EXPECT_EQ(v[1], 20u);
    EXPECT_EQ(v[2], 77u);
    EXPECT_FALSE(load.failed());
    EXPECT_EQ(in.u4(v, 1), -1);
    EXPECT_TRUE(load.failed());
    EXPECT_FALSE(load.damaged());
    in.end();
    ASSERT_EQ(in.find(), kBeta.id) << "a failed read does not stop reading";
    EXPECT_EQ(in.str(5), "abcd");
    EXPECT_EQ(in.str(1), "");
    EXPECT_EQ(in.str(), "<fail>");
}

TEST_P(BlockIoTest, BlocksLeftOpenAreClosedByFinishAndStreamedBytesMatch) {
    auto write = [&](lwhost::MemorySaveState& save) {
        Out out{save.record()};
        for (uint32_t i = 0; i < 300; ++i)
            out.u4({i}).begin(kGroup, false).leaf(kAlpha, {i, i + 1}).end();
        out.begin(kGroup, false).begin(kBeta, true).str("left open");
    };
    lwhost::MemorySaveState whole(GetParam());
    write(whole);
    EXPECT_EQ(whole.record()->depth(whole.record()->writeData), 2);
    whole.finish();

    std::string streamed;
    lwhost::MemorySaveState parts(GetParam());
    parts.setSink(
        [&](const std::string& bytes) {
            streamed += bytes;
            return true;
        },
        100);
    write(parts);
    EXPECT_FALSE(parts.flush()) << "not while blocks are open";
    parts.finish();
    EXPECT_TRUE(parts.flush());
    // Flushing may start a new top-level line or values item; the content reads the same.
    for (const std::string* bytes : std::vector<const std::string*>{&whole.bytes(), &streamed}) {
        lwhost::MemoryLoadState load(*bytes, GetParam());
        In in{load.record()};
        for (uint32_t i = 0; i < 300; ++i) {
            ASSERT_EQ(in.u4(), i);
            ASSERT_EQ(in.find(), kGroup.id);
            ASSERT_EQ(in.find(), kAlpha.id);
            in.end();
            in.end();
        }
        ASSERT_EQ(in.find(), kGroup.id);
        ASSERT_EQ(in.find(), kBeta.id);
        EXPECT_EQ(in.str(), "left open");
        EXPECT_FALSE(load.failed()) << load.error();
    }
}

TEST_P(BlockIoTest, UnrepresentableWritesFailTheSave) {
    const st_LWBlockIdent spaced = {LWID_MAKE('A', ' ', 'B', ' '), "two words"};
    const st_LWBlockIdent zero = {0, "Zero"};
    auto fails = [&](auto write) {
        lwhost::MemorySaveState save(GetParam());
        write(Out{save.record()});
        const bool failed = save.failed();
        save.finish();
        return failed;
    };
    EXPECT_TRUE(fails([&](Out out) { out.begin(zero, true); }));
    EXPECT_TRUE(fails([](Out out) { out.s->beginBlk(out.s->writeData, nullptr, 1); }));
    EXPECT_TRUE(fails([](Out out) {
        for (int i = 0; i <= lwhost::kMaxBlockDepth; ++i) out.begin(kGroup, false);
    }));
    // Binary files carry IDs only, so any nonzero ID is fine there.
    EXPECT_EQ(fails([&](Out out) { out.begin(spaced, true); }), GetParam() == LWIO_ASCII);
}

// The kinds no bundle code writes yet: raw bytes, I1, U2, I4 and U4 at the ends of their ranges
// (long is 8 bytes on LP64 hosts, the file element 4), and IDs as values.
TEST_P(BlockIoTest, RawBytesNarrowAndWideIntegersAndIdsRoundTrip) {
    const char raw[] = {'\0', '"', '\n', '\xff', 'z'};
    const char i1[] = {'\x80', '\xff', 0, 127};
    const std::vector<unsigned short> u2 = {0, 1, 65535};
    const std::vector<long> i4 = {-2147483648L, -1, 0, 2147483647L};
    const std::vector<unsigned long> u4 = {0, 4294967295ul};
    const std::string bytes = saved(GetParam(), [&](Out out) {
        out.begin(kAlpha, true);
        out.s->write(out.s->writeData, raw, 5);
        out.s->writeI1(out.s->writeData, i1, 4);
        out.put(out.s->writeU2, u2).put(out.s->writeI4, i4).put(out.s->writeU4, u4);
        out.s->writeID(out.s->writeData, &kBeta);
        out.end().begin(kGroup, false).leaf(kAlpha, {7});
        out.s->writeID(out.s->writeData, &kSkipped);  // a value on a line of its own
        out.end();
    });
    lwhost::MemoryLoadState load(bytes, GetParam());
    In in{load.record()};
    ASSERT_EQ(in.find(), kAlpha.id);
    EXPECT_EQ(in.values<char>(in.s->read, 5), std::vector<char>(raw, raw + 5));
    EXPECT_EQ(in.values<char>(in.s->readI1, 4), std::vector<char>(i1, i1 + 4));
    EXPECT_EQ(in.values<unsigned short>(in.s->readU2, 3), u2);
    EXPECT_EQ(in.values<long>(in.s->readI4, 4), i4) << "I4 sign-extends";
    EXPECT_EQ(in.values<unsigned long>(in.s->readU4, 2), u4) << "U4 zero-extends";
    const st_LWBlockIdent onlyAlpha[] = {kAlpha, {0, nullptr}};
    EXPECT_EQ(in.s->readID(in.s->readData, onlyAlpha), 0u) << "an ID not asked for stays";
    EXPECT_EQ(in.s->readID(in.s->readData, kIds), kBeta.id);
    in.end();
    ASSERT_EQ(in.find(), kGroup.id);
    EXPECT_EQ(in.leaf(kAlpha.id), 7u);
    EXPECT_EQ(in.s->readID(in.s->readData, kIds), kSkipped.id);
    in.end();
    EXPECT_EQ(in.find(), 0u);
}

TEST_P(BlockIoTest, WideValuesThatDoNotFitFourBytesFailTheSave) {
    if (sizeof(long) == 4) GTEST_SKIP() << "every long fits";
    const long i4[] = {2147483648L};
    const long low[] = {-2147483649L};
    const unsigned long u4[] = {4294967296ul};
    for (auto write : std::vector<std::function<void(st_LWSaveState*)>>{
             [&](st_LWSaveState* s) { s->writeI4(s->writeData, i4, 1); },
             [&](st_LWSaveState* s) { s->writeI4(s->writeData, low, 1); },
             [&](st_LWSaveState* s) { s->writeU4(s->writeData, u4, 1); }}) {
        lwhost::MemorySaveState save(GetParam());
        save.record()->beginBlk(save.record()->writeData, &kAlpha, 1);
        write(save.record());
        EXPECT_TRUE(save.failed());
        EXPECT_NE(save.error().find("four bytes"), std::string::npos) << save.error();
    }
}

// Every prefix and many corruptions of a valid file: reads fail cleanly, never out of bounds.
TEST_P(BlockIoTest, TruncatedAndCorruptedDataFailsCleanly) {
    const std::string good = saved(GetParam(), [](Out out) {
        out.begin(kGroup, false).u4({1, 2});
        out.begin(kAlpha, true).str("text \"quoted\"").fp({2.5f}).end();
        out.begin(kGroup, false).begin(kBeta, true).i2({-5}).end().end().end();
    });
    for (size_t cut = 0; cut < good.size(); ++cut) {
        lwhost::MemoryLoadState load(good.substr(0, cut), GetParam());
        walk(load.record());
    }
    std::mt19937 random(1234);
    for (int i = 0; i < 3000; ++i) {
        std::string bad = good;
        for (int flips = 1 + int(random() % 3); flips > 0; --flips)
            bad[random() % bad.size()] = char(random());
        lwhost::MemoryLoadState load(bad, GetParam());
        walk(load.record());
    }
    for (int i = 0; i < 500; ++i) {
        std::string noise(random() % 200, '\0');
        for (char& c : noise) c = char(random());
        lwhost::MemoryLoadState load(noise, GetParam());
        walk(load.record());
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, BlockIoTest, ::testing::Values(LWIO_ASCII, LWIO_BINARY),
                         [](const auto& p) { return p.param == LWIO_ASCII ? "Text" : "Binary"; });

// ---- the text encoding

TEST(TextBlocks, LayoutIsOneLeafPerLineWithNestedBlocksIndentedFromTheBase) {
    lwhost::MemorySaveState save(LWIO_ASCII, 4);
    Out out{save.record()};
    out.begin(kAlpha, true).u4({3}).fp({0.1f, -2.0f}).str("say \"hi\"\n").end();
    out.begin(kGroup, false).u1({1}).begin(kBeta, true).i2({-7}).end().u4({8, 9}).end();
    save.finish();
    EXPECT_EQ(save.bytes(),
              "    Alpha 3 0.1 -2 \"say \\\"hi\\\"\\n\"\n"
              "    { Group 1\n"
              "      Beta -7\n"
              "      8 9\n"
              "    }\n");
}

TEST(TextBlocks, HandWrittenTextWithCommentsAndLooseSpacingReads) {
    const st_LWBlockIdent noToken[] = {{LWID_MAKE('R', 'A', 'W', '1'), nullptr}, {0, nullptr}};
    const std::string text =
        "# settings written by hand\n"
        "\n"
        "   Alpha   +5\t# trailing comment\r\n"
        "{ Group \"first\"\n"
        "  { Skipped\n"
        "    { Skipped }\n"
        "  }\n"
        "  Beta 1e3 .5 -0 +inf\n"
        "}\n"
        "RAW1 \"by id\"";
    lwhost::MemoryLoadState load(text, LWIO_ASCII);
    In in{load.record()};
    EXPECT_EQ(in.leaf(kAlpha.id, kKnown), 5u);
    ASSERT_EQ(in.find(kKnown), kGroup.id);
    EXPECT_EQ(in.str(), "first");
    ASSERT_EQ(in.find(kKnown), kBeta.id);
    float f[4];
    ASSERT_EQ(in.fp(f, 4), 4);
    EXPECT_EQ(f[0], 1000.0f);
    EXPECT_EQ(f[1], 0.5f);
    EXPECT_TRUE(std::signbit(f[2]));
    EXPECT_TRUE(std::isinf(f[3]));
    in.end();
    in.end();
    ASSERT_EQ(in.find(noToken), noToken[0].id);
    EXPECT_EQ(in.str(), "by id");
    EXPECT_FALSE(load.failed()) << load.error();
}

// A block passed over is charged to whoever read then, unless that reader asked for its token;
// checking the data first charges nothing.
TEST(TextBlocks, BlocksNoReaderAskedForAreListedWithTheirLineAndReader) {
    const st_LWBlockIdent alphaOnly[] = {kAlpha, {0, nullptr}};
    const st_LWBlockIdent betaOnly[] = {kBeta, {0, nullptr}};
    lwhost::MemoryLoadState load(
        "Alpha 0\nAlpah 1\nBeta 2\n{ Group\n  Bta 3\n  { Skipped\n  }\n"
        "  Alpha 4\n}\nAlpha 5\n",
        LWIO_ASCII, 9);
    ASSERT_TRUE(load.check());
    In in{load.record()};
    load.setReader("outer");
    ASSERT_EQ(in.find(betaOnly), kBeta.id);  // passes "Alpha", asked for below, and "Alpah"
    in.end();
    ASSERT_EQ(in.find(kKnown), kGroup.id);
    EXPECT_EQ(load.setReader("inner"), "outer");
    ASSERT_EQ(in.find(alphaOnly), kAlpha.id);  // passes "Bta" and "Skipped"
    in.end();
    in.end();
    load.setReader("outer");
    ASSERT_EQ(in.find(alphaOnly), kAlpha.id);
    std::vector<std::string> got;
    for (const lwhost::UnreadBlock& b : load.unread())
        got.push_back(std::to_string(b.line) + " " + b.token + " " + b.reader);
    EXPECT_EQ(got,
              (std::vector<std::string>{"10 Alpah outer", "13 Bta inner", "14 Skipped inner"}));
}

TEST(TextBlocks, ValueOfTheWrongKindFailsAndStaysUnread) {
    lwhost::MemoryLoadState load("Alpha 300 1.5 \"t\" -1\n", LWIO_ASCII, 40);
    In in{load.record()};
    ASSERT_EQ(in.find(), kAlpha.id);
    uint8_t small = 9;
    EXPECT_EQ(in.u1(&small, 1), -1);
    EXPECT_EQ(small, 9);
    EXPECT_TRUE(load.failed());
    EXPECT_FALSE(load.damaged());
    EXPECT_EQ(load.error(), "line 40: expected an integer 0..255, found \"300\"");
    EXPECT_EQ(in.values<float>(in.s->readFP, 1), std::vector<float>{300}) << "integers are floats";
    uint32_t u = 0;
    EXPECT_EQ(in.u4(&u, 1), -1) << "1.5 is not an integer";
    EXPECT_EQ(in.values<float>(in.s->readFP, 1), std::vector<float>{1.5f});
    EXPECT_EQ(in.u4(&u, 1), -1) << "a text is not a number";
    EXPECT_EQ(in.str(), "t");
    EXPECT_EQ(in.str(), "<fail>") << "a number is not a text";
    EXPECT_EQ(in.u4(&u, 1), -1) << "-1 is not unsigned";
    EXPECT_EQ(in.values<int16_t>(in.s->readI2, 1), std::vector<int16_t>{-1});
}

TEST(TextBlocks, DamagedTextStopsReadingAndNamesTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"Alpha 1\nBeta \"no end\n", "line 11: a text without its closing quote"},
        {"Alpha 1\n}\nBeta 2\n", "line 11: '}' without an open block"},
        {"Alpha 1\n{ Group\n  Beta 1\n", "line 13: the block begun at line 11 has no closing '}'"},
        {"Alpha 1\n{ Skipped\n{ Group }\n",
         "line 13: the block begun at line 11 has no closing '}'"},
        {"Alpha 1\n{ 5 }\n", "line 11: '{' is not followed by a block token"},
        {"Alpha 1\nBeta \"\\q\"\n", "line 11: a text holds the unknown escape \\q"},
        {"Alpha 1\nBeta \"\\x00\"\n", "line 11: a text holds a bad \\x escape"},
        {"Alpha 1\nBeta \x01\n", "line 11: unexpected character 0x01"},
    };
    for (const auto& [text, error] : cases) {
        lwhost::MemoryLoadState load(text, LWIO_ASCII, 10);
        In in{load.record()};
        EXPECT_EQ(in.leaf(kAlpha.id, kKnown), 1u) << text;
        skim(load.record(), kKnown);
        EXPECT_TRUE(load.damaged()) << text;
        EXPECT_EQ(load.error(), error) << text;
        uint32_t v = 0;
        EXPECT_EQ(in.u4(&v, 1), -1);
        EXPECT_EQ(in.find(kKnown), 0u);
    }
}

// ---- the binary encoding

std::string be32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

TEST(BinaryBlocks, LayoutIsIdSizeAndBigEndianContent) {
    const std::string bytes = saved(LWIO_BINARY, [](Out out) {
        out.begin(kGroup, false).i2({-2}).begin(kAlpha, true).str("ok").fp({1.0f}).end().end();
    });
    const std::string expected = "GRUP" + be32(0x80000000u | 25) +  //
                                 be32(0) + be32(2) + "\xff\xfe" +   // values item: i16 -2
                                 "ALPH" + be32(7) + std::string("ok\0", 3) + be32(0x3f800000u);
    EXPECT_EQ(bytes, expected);
}

TEST(BinaryBlocks, EveryIntegerKindTakesItsFileSizeWhateverItsMemorySize) {
    const std::string bytes = saved(LWIO_BINARY, [](Out out) {
        const char i1 = '\xfe';
        const unsigned short u2 = 0x1234;
        const long i4 = -2;
        out.begin(kAlpha, true);
        out.s->writeI1(out.s->writeData, &i1, 1);
        out.s->writeU2(out.s->writeData, &u2, 1);
        out.s->writeI4(out.s->writeData, &i4, 1);
        out.s->writeID(out.s->writeData, &kBeta);
        out.end();
    });
    EXPECT_EQ(bytes, "ALPH" + be32(11) + "\xfe\x12\x34\xff\xff\xff\xfe" + "BETA");
}

TEST(BinaryBlocks, SizesRunningPastTheirParentOrTheDataAreDamage) {
    const std::pair<std::string, const char*> cases[] = {
        {"ALPH" + be32(4) + "ab",
         "offset 0: block 'ALPH' of 4 bytes runs past the data (2 bytes left)"},
        {"GRUP" + be32(0x80000000u | 12) + "BETA" + be32(9) + "abcd",
         "offset 8: block 'BETA' of 9 bytes runs past its parent (4 bytes left)"},
        {"GRUP" + be32(0x80000000u | 4) + "BETA",
         "offset 8: an item header is cut short (4 bytes left)"},
        {be32(0) + be32(0x80000000u), "offset 0: a values item is marked as nested"},
        {"ALP", "offset 0: an item header is cut short (3 bytes left)"},
        {"GRUP" + be32(0x80000000u | 0x7fffffffu),
         "offset 0: block 'GRUP' of 2147483647 bytes runs past the data (0 bytes left)"},
    };
    for (const auto& [bytes, error] : cases) {
        lwhost::MemoryLoadState load(bytes, LWIO_BINARY);
        skim(load.record());
        EXPECT_TRUE(load.damaged());
        EXPECT_EQ(load.error(), error);
        In in{load.record()};
        EXPECT_EQ(in.find(), 0u);
    }
}

TEST(BinaryBlocks, ATextWithoutItsEndingZeroFailsTheRead) {
    lwhost::MemoryLoadState load("ALPH" + be32(3) + "abc", LWIO_BINARY);
    In in{load.record()};
    ASSERT_EQ(in.find(), kAlpha.id);
    EXPECT_EQ(in.str(), "<fail>");
    uint8_t b[3];
    EXPECT_EQ(in.u1(b, 3), 3) << "the bytes are still there";
}

TEST(BlockNesting, ThousandsDeepIsRefusedWithoutRecursionInEitherEncoding) {
    std::string text, binary;
    for (int i = 0; i < 100000; ++i) text += "{ Group\n";
    for (uint32_t i = 0, levels = 5000; i < levels; ++i)
        binary += "GRUP" + be32(0x80000000u | (8 * (levels - 1 - i)));
    // Text entered block by block and skipped as one unknown block; binary entered.
    const std::pair<const std::string*, const st_LWBlockIdent*> cases[] = {
        {&text, kIds}, {&text, kIds + 3}, {&binary, kIds}};
    for (const auto& [data, list] : cases) {
        lwhost::MemoryLoadState load(*data, data == &text ? LWIO_ASCII : LWIO_BINARY);
        skim(load.record(), list);
        EXPECT_TRUE(load.damaged());
        EXPECT_NE(load.error().find("nest deeper than 1024"), std::string::npos) << load.error();
    }
}

// ---- "File IO"

class FileIoTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(io, nullptr); }

    std::string path(const char* name) const { return dir / name; }

    lwhost::Host host;
    lwhost::FileIO fileIO{host};
    st_LWFileIOFuncs* io =
        static_cast<st_LWFileIOFuncs*>(host.globals().request(LWFILEIOFUNCS_GLOBAL, 1));
    TempDir dir{"blockio_test"};
};

TEST_F(FileIoTest, SavedFileLoadsBackInEitherEncoding) {
    for (int mode : {LWIO_ASCII, LWIO_BINARY}) {
        const std::string file = path(mode == LWIO_ASCII ? "a.txt" : "a.bin");
        st_LWSaveState* save = io->openSave(file.c_str(), mode);
        ASSERT_NE(save, nullptr);
        Out out{save};
        for (uint32_t i = 0; i < 20000; ++i) out.leaf(kAlpha, {i});  // several streamed pieces
        io->closeSave(save);
        EXPECT_EQ(host.fileIO().lastError(), "");

        st_LWLoadState* load = io->openLoad(file.c_str(), mode);
        ASSERT_NE(load, nullptr);
        In in{load};
        for (uint32_t i = 0; i < 20000; ++i) ASSERT_EQ(in.leaf(kAlpha.id), i);
        EXPECT_EQ(in.find(), 0u);
        EXPECT_FALSE(host.fileIO().loadState(load)->failed());
        io->closeLoad(load);
    }
    EXPECT_EQ(readWholeFile(path("a.txt")).substr(0, 16), "Alpha 0\nAlpha 1\n");
    EXPECT_EQ(dir.files().size(), 2u) << "no temporaries left";
    EXPECT_EQ(host.fileIO().openCount(), 0u);
}

TEST_F(FileIoTest, FailedOrAbandonedSavesKeepTheEarlierFileAndRemoveTheirTemporary) {
    const std::string file = path("keep.txt");
    std::ofstream(file) << "Alpha 1\n";
    st_LWSaveState* save = io->openSave(file.c_str(), LWIO_ASCII);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(dir.files().size(), 2u) << "the temporary sits beside the target";
    Out out{save};
    out.leaf(kAlpha, {2});
    save->beginBlk(save->writeData, nullptr, 1);
    EXPECT_FALSE(host.fileIO().closeSave(save));
    EXPECT_NE(host.fileIO().lastError().find("a block was begun without an ident"),
              std::string::npos);
    EXPECT_EQ(readWholeFile(file), "Alpha 1\n");
    EXPECT_EQ(dir.files().size(), 1u);

    // A save abandoned with its host leaves nothing behind.
    {
        lwhost::Host other;
        lwhost::FileIO otherFileIO(other);
        auto* otherIo =
            static_cast<st_LWFileIOFuncs*>(other.globals().request(LWFILEIOFUNCS_GLOBAL, 1));
        ASSERT_NE(otherIo->openSave(path("never.txt").c_str(), LWIO_BINARY), nullptr);
        EXPECT_EQ(dir.files().size(), 2u);
    }
    EXPECT_EQ(dir.files().size(), 1u);
}

TEST_F(FileIoTest, FilesThatCannotBeOpenedOrReplacedFail) {
    EXPECT_EQ(io->openLoad(path("missing").c_str(), LWIO_ASCII), nullptr);
    EXPECT_EQ(io->openLoad(dir.path.c_str(), LWIO_ASCII), nullptr);
    EXPECT_EQ(io->openSave(path("no/such/dir/file").c_str(), LWIO_ASCII), nullptr);
    std::ofstream(path("x")) << "";
    EXPECT_EQ(io->openLoad(path("x").c_str(), 7), nullptr);
    EXPECT_EQ(io->openSave(path("x").c_str(), -1), nullptr);
    // Closing what was never opened is ignored.
    io->closeLoad(nullptr);
    io->closeSave(nullptr);
    st_LWLoadState stray{};
    io->closeLoad(&stray);
    EXPECT_EQ(host.fileIO().openCount(), 0u);

    // A save over a directory is refused when it opens (what is left is the atomic file's).
    fs::create_directory(dir / "sub");
    EXPECT_EQ(io->openSave(path("sub").c_str(), LWIO_ASCII), nullptr);
    EXPECT_NE(host.fileIO().lastError().find("is a directory"), std::string::npos);
}

TEST_F(FileIoTest, AFileCutOffInsideAnOpenBlockIsNotHandedOutAtAll) {
    const struct {
        int mode;
        std::string bytes;
        std::string error;  // after the file's name
    } cases[] = {
        {LWIO_ASCII, "Alpha 1\n{ Group\n  Beta 2\n",
         ":4: the block begun at line 2 has no closing '}'"},
        {LWIO_BINARY,
         "ALPH" + be32(4) + be32(1) + "GRUP" + be32(0x80000000u | 12) + "BETA" + be32(4),
         ": offset 12: block 'GRUP' of 12 bytes runs past the data (8 bytes left)"},
    };
    for (const auto& c : cases) {
        const std::string file = path("cut");
        std::ofstream(file, std::ios::binary) << c.bytes;
        // The plug-in would otherwise read "Alpha" and take the cut file for a whole one.
        EXPECT_EQ(io->openLoad(file.c_str(), c.mode), nullptr);
        EXPECT_EQ(host.fileIO().lastError(), file + c.error);
        ASSERT_FALSE(host.messages().all().empty());
        EXPECT_EQ(host.messages().all().back().line1, file + c.error);
        EXPECT_EQ(host.fileIO().openCount(), 0u);
    }
}

TEST_F(FileIoTest, APipeIsRefusedWithoutWaitingForAWriter) {
    const std::string fifo = path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto opened =
        std::async(std::launch::async, [&] { return io->openLoad(fifo.c_str(), LWIO_ASCII); });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Lets the reader go, so that the test ends.
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        ADD_FAILURE() << "opening a pipe waits for a writer";
    }
    EXPECT_EQ(opened.get(), nullptr);
    EXPECT_EQ(host.fileIO().lastError(), "not a file: '" + fifo + "'");
}

}  // namespace
