// Stored objects through the frame's load and save wrappers: nested items, the block conventions,
// older layouts, and files opened through the real host's "File IO".
#include <vexo/persistence.h>
#include "lwhost/io/blockio.h"
#include "lwhost/io/fileio.h"

#include <string>
#include <vector>

#include "frame_test.h"
#include "run_program.h"
#include "temp_dir.h"

namespace {

const st_LWBlockIdent kIds[] = {
    {LWID_MAKE('V', 'E', 'R', 'S'), "Version"},  //
    {LWID_MAKE('E', 'N', 'A', 'B'), "Enabled"},  //
    {LWID_MAKE('M', 'O', 'D', 'E'), "Mode"},     //
    {LWID_MAKE('G', 'A', 'I', 'N'), "Gain"},     //
    {LWID_MAKE('N', 'A', 'M', 'E'), "Name"},     //
    {LWID_MAKE('P', 'A', 'R', 'T'), "Part"},     //
    {LWID_MAKE('P', 'C', 'N', 'T'), "Percent"},  // older layout: the gain in whole percent
    {0, nullptr},
};
enum { VERS, ENAB, MODE, GAIN, NAME, PART, PCNT };

const st_LWBlockIdent kNewer = {LWID_MAKE('N', 'E', 'W', '1'), "Newer"};

// A settings object following the block conventions, with a list of sub-objects of its own
// kind. As a newer writer it first adds blocks a reader lacks, one holding a block it knows.
struct Settings : vexo::Storeable {
    bool newer = false;
    int16_t version = 2;
    bool enabled = false;
    uint32_t mode = 0;
    float gain = 1.0f;
    std::string name = "default";
    std::vector<Settings> parts;

    const char* Save(const vexo::SaveState& s) override {
        if (newer) {
            s.writeStrBlk(kNewer, "ignored");
            s.beginBlk(kNewer, false);
            s.writeU4Blk(kIds[MODE], 77);
            s.endBlk();
        }
        s.writeI2Blk(kIds[VERS], version);
        s.writeBoolBlk(kIds[ENAB], enabled);
        s.writeU4Blk(kIds[MODE], mode);
        s.writeFPBlk(kIds[GAIN], gain);
        s.writeStrBlk(kIds[NAME], name);
        for (Settings& p : parts) s.WriteItem(kIds[PART], p, false);
        return nullptr;
    }
    const char* Load(const vexo::LoadState& s) override {
        parts.clear();
        while (LWID id = s.findBlk(kIds)) {
            if (id == kIds[VERS].id) s.readI2(version);
            if (id == kIds[ENAB].id) s.readBool(enabled);
            if (id == kIds[MODE].id) s.readU4(mode);
            if (id == kIds[GAIN].id) s.readFP(gain);
            if (id == kIds[NAME].id) s.readStr(name);
            if (id == kIds[PCNT].id) {
                uint32_t percent = 0;
                if (s.readU4(percent)) gain = float(percent) / 100.0f;
            }
            if (id == kIds[PART].id) {
                parts.emplace_back();
                s.read(parts.back());
            }
            s.endBlk();
        }
        return nullptr;
    }
    bool operator==(const Settings& o) const {
        return version == o.version && enabled == o.enabled && mode == o.mode && gain == o.gain &&
               name == o.name && parts == o.parts;
    }
};

Settings sample() {
    Settings s;
    s.version = 3;
    s.enabled = true;
    s.mode = 4000000000u;
    s.gain = 0.3f;
    s.name = "Key \"rim\"\nlight";
    s.parts.resize(2);
    s.parts[0].gain = -2.5f;
    s.parts[0].name = "first";
    s.parts[1].name = "";
    return s;
}

std::string saved(vexo::Storeable& item, int mode) {
    lwhost::MemorySaveState save(mode);
    item.Save(vexo::SaveState(save.record()));
    save.finish();
    EXPECT_FALSE(save.failed()) << save.error();
    return save.bytes();
}

void load(vexo::Storeable& item, const std::string& bytes, int mode) {
    lwhost::MemoryLoadState state(bytes, mode);
    item.Load(vexo::LoadState(state.record()));
    EXPECT_FALSE(state.failed()) << state.error();
}

TEST(Persistence, NestedItemsReloadIntoAnEqualObjectSkippingBlocksTheReaderDoesNotKnow) {
    for (int mode : {LWIO_ASCII, LWIO_BINARY})
        for (bool newer : {false, true}) {
            Settings original = sample();
            original.newer = newer;
            Settings copy;
            load(copy, saved(original, mode), mode);
            EXPECT_TRUE(copy == original) << mode << " " << newer;
        }
}

TEST(Persistence, BooleanIsTrueOnlyWhenItsByteIsOne) {
    for (int mode : {LWIO_ASCII, LWIO_BINARY})
        for (uint8_t stored : {0, 1, 2, 255}) {
            lwhost::MemorySaveState save(mode);
            vexo::SaveState(save.record()).writeU1Blk(kIds[ENAB], stored);
            save.finish();
            Settings s;
            s.enabled = true;
            load(s, save.bytes(), mode);
            EXPECT_EQ(s.enabled, stored == 1) << mode << " " << int(stored);
        }
}

TEST(Persistence, OlderLayoutLoadsWithDefaultsAndFailedReadsChangeNothing) {
    Settings s;
    load(s,
         "Version 1\n"
         "Percent 25\n"
         "{ Part\n"
         "  Name \"old\"\n"
         "}\n",
         LWIO_ASCII);
    EXPECT_EQ(s.version, 1);
    EXPECT_EQ(s.gain, 0.25f);
    ASSERT_EQ(s.parts.size(), 1u);
    EXPECT_EQ(s.parts[0].name, "old");
    EXPECT_EQ(s.parts[0].gain, 1.0f);
    EXPECT_FALSE(s.enabled);
    EXPECT_EQ(s.name, "default");

    // The load state keeps the last result, and failed reads change nothing: a text one byte
    // longer than its limit is refused, not cut; one as long as the limit is read whole.
    lwhost::MemoryLoadState state("Mode 7 \"seven\" \"five5\"\n", LWIO_ASCII);
    vexo::LoadState l(state.record());
    EXPECT_EQ(l.result(), 0);
    ASSERT_EQ(l.findBlk(kIds), kIds[MODE].id);
    uint32_t values[2] = {0, 42};
    EXPECT_EQ(l.readU4(values, 2), 1);
    EXPECT_EQ(l.result(), 1);
    EXPECT_EQ(values[1], 42u);
    float gain = 0.5f;
    EXPECT_FALSE(l.readFP(gain));
    EXPECT_EQ(l.result(), -1);
    EXPECT_EQ(gain, 0.5f);
    std::string text = "kept";
    EXPECT_FALSE(l.readStr(text, 4));
    EXPECT_TRUE(l.textTooLong());
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(l.readStr(text, 5));
    EXPECT_FALSE(l.textTooLong());
    EXPECT_EQ(text, "five5");
    EXPECT_EQ(l.result(), 5);
}

// ---- files through the real host

class FileTest : public FrameTest {
  protected:
    TempDir dir{"persistence_test"};
};

TEST_F(FileTest, SavedSettingsLoadBackAndUnopenedFilesRefuse) {
    Settings original = sample();
    {
        vexo::File file(dir / "settings.cfg", vexo::File::Writing);
        ASSERT_TRUE(file.isOpen());
        EXPECT_EQ(file.Save(original), nullptr);
        EXPECT_NE(file.Load(original), nullptr) << "a file open for writing cannot load";
    }
    EXPECT_EQ(readWholeFile(dir / "settings.cfg").substr(0, 18), "Version 3\nEnabled ");
    Settings copy;
    {
        vexo::File file(dir / "settings.cfg", vexo::File::Reading);
        ASSERT_TRUE(file.isOpen());
        EXPECT_EQ(file.Load(copy), nullptr);
    }
    EXPECT_TRUE(copy == original);
    EXPECT_FALSE(host.globals().use(LWFILEIOFUNCS_GLOBAL).held);
    EXPECT_EQ(host.fileIO().openCount(), 0u);

    Settings s;
    vexo::File missing(dir / "missing.cfg", vexo::File::Reading);
    EXPECT_FALSE(missing.isOpen());
    EXPECT_NE(missing.Load(s), nullptr);
    vexo::File nowhere(dir / "no/dir/x.cfg", vexo::File::Writing);
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_NE(nowhere.Save(s), nullptr);
}

}  // namespace
