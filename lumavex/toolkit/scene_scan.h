// Readings of the scene taken on the main thread while a node graph steps to a frame, shared by
// every node of the step: the objects with their names, files and comment lines, and the
// surfaces with their names and objects' files. The scene stands still while a step lasts, so
// one reading serves every filter and store of it; outside a step each reading is taken afresh.
#pragma once

#include <lwsdk/lwobject.h>
#include <lwsdk/lwsurface.h>
#include <vexo/items.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qrv {

// While one lives, readings are shared: one step of a node graph, main thread. Steps nest; the
// outermost one decides.
class SceneStep {
  public:
    SceneStep();
    ~SceneStep();
    SceneStep(const SceneStep&) = delete;
    SceneStep& operator=(const SceneStep&) = delete;

    // The number of the step under way; 0 outside every step.
    static unsigned current();
};

// One kind of reading, kept for sharing: read afresh outside a step, at a new step, or when the
// caller finds the kept one lacking.
template <class Scan>
class SharedReading {
  public:
    template <class Read>
    const Scan& get(Read&& read, bool lacking = false) {
        const unsigned step = SceneStep::current();
        if (!step || m_step != step || lacking) {
            m_step = 0;  // a reading cut short by an exception is not shared
            read(m_scan);
            m_step = step;
        }
        return m_scan;
    }
    const Scan& kept() const { return m_scan; }

  private:
    Scan m_scan;
    unsigned m_step = 0;  // the step it was read in; 0: not to be shared
};

// Texts copied out of the host (which may reuse its buffers at its next query): a piece of the
// reading's text, or none where the host answered null.
struct ScanText {
    static constexpr uint32_t kNone = UINT32_MAX;
    uint32_t at = kNone, size = 0;
    bool present() const { return at != kNone; }
};

class ScanTexts {
  public:
    void clear() { m_text.clear(); }
    ScanText add(const char* text);
    // The text; empty when none.
    std::string_view operator[](ScanText t) const {
        return t.present() ? std::string_view(m_text.data() + t.at, t.size) : std::string_view();
    }

  private:
    std::string m_text;
};

// Every object of the scene in host order.
class ObjectScan {
  public:
    struct Object {
        LWItemID id, parent;
        ScanText name, file;
        uint32_t firstLine, lineCount;  // into lines()
    };

    // The reading of the step under way, or a fresh one outside a step. Without the object
    // functions the files are left out (none).
    static const ObjectScan& current(const vexo::ItemInfo& items, const st_LWObjectInfo* objects);

    const std::vector<Object>& objects() const { return m_objects; }
    std::string_view text(ScanText t) const { return m_texts[t]; }
    // The object's comment lines, in order.
    std::string_view line(const Object& object, uint32_t n) const {
        return m_texts[m_lines[object.firstLine + n]];
    }
    // The object of that ID, or null when it is not an object of the reading.
    const Object* find(LWItemID id) const;

  private:
    void read(const vexo::ItemInfo& items, const st_LWObjectInfo* objects);

    std::vector<Object> m_objects;
    bool m_files = false;  // whether the files were read
    std::vector<ScanText> m_lines;
    std::vector<uint32_t> m_byId;  // positions in m_objects by ID; empty when they are in order
    ScanTexts m_texts;
};

// The scene's object files (the "Scene Objects" list) in its order, with their user names. On
// the modelling application the file is the list's reference name.
class SceneObjectScan {
  public:
    struct Entry {
        ScanText file, userName;
    };

    static const SceneObjectScan& current(const st_LWObjectFuncs* objects);

    const std::vector<Entry>& entries() const { return m_entries; }
    std::string_view text(ScanText t) const { return m_texts[t]; }

  private:
    void read(const st_LWObjectFuncs* objects);

    std::vector<Entry> m_entries;
    ScanTexts m_texts;
};

// Every surface of the scene in host order.
class SurfaceScan {
  public:
    struct Surface {
        LWSurfaceID id;
        ScanText name, file;  // the surface's name and its object's file
    };

    static const SurfaceScan& current(const st_LWSurfaceFuncs* surfaces);

    const std::vector<Surface>& surfaces() const { return m_surfaces; }
    std::string_view text(ScanText t) const { return m_texts[t]; }

  private:
    void read(const st_LWSurfaceFuncs* surfaces);

    std::vector<Surface> m_surfaces;
    ScanTexts m_texts;
};

}  // namespace qrv
