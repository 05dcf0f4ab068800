#include "scene_scan.h"

#include <cstring>

namespace {

unsigned g_depth = 0;     // steps under way, nested
unsigned g_step = 0;      // the outermost one's number; 0 outside
unsigned g_lastStep = 0;  // the last number given

// The reading kept for sharing and the step it was taken in (0: none to share).
template <class Scan>
struct Kept {
    Scan scan;
    unsigned step = 0;
};

}  // namespace

namespace qrv {

SceneStep::SceneStep() {
    if (g_depth++ == 0) {
        if (++g_lastStep == 0) ++g_lastStep;  // 0 stays "outside"
        g_step = g_lastStep;
    }
}

SceneStep::~SceneStep() {
    if (--g_depth == 0) g_step = 0;
}

unsigned SceneStep::current() {
    return g_step;
}

ScanText ScanTexts::add(const char* text) {
    if (!text) return {};
    const ScanText t{static_cast<uint32_t>(m_text.size()),
                     static_cast<uint32_t>(std::strlen(text))};
    m_text.append(text, t.size);
    return t;
}

const ObjectScan& ObjectScan::current(const vexo::ItemInfo& items, const st_LWObjectInfo* objects) {
    static Kept<ObjectScan> kept;
    const unsigned step = SceneStep::current();
    if (!step || kept.step != step || (objects && !kept.scan.m_files)) {
        kept.step = 0;  // a reading cut short by an exception is not shared
        kept.scan.read(items, objects);
        kept.step = step;
    }
    return kept.scan;
}

void ObjectScan::read(const vexo::ItemInfo& items, const st_LWObjectInfo* objects) {
    m_objects.clear();
    m_lines.clear();
    m_texts.clear();
    m_files = objects && objects->filename;
    for (LWItemID id = items.first(LWI_OBJECT); id; id = items.next(id)) {
        Object object{id, m_texts.add(items.name(id)),
                      m_texts.add(m_files ? objects->filename(id) : nullptr),
                      static_cast<uint32_t>(m_lines.size()), 0};
        for (int tag = 1;; ++tag, ++object.lineCount) {
            const char* line = items.tag(id, tag);
            if (!line) break;
            m_lines.push_back(m_texts.add(line));
        }
        m_objects.push_back(object);
    }
}

const SurfaceScan& SurfaceScan::current(const st_LWSurfaceFuncs* surfaces) {
    static Kept<SurfaceScan> kept;
    const unsigned step = SceneStep::current();
    if (!step || kept.step != step) {
        kept.step = 0;
        kept.scan.read(surfaces);
        kept.step = step;
    }
    return kept.scan;
}

void SurfaceScan::read(const st_LWSurfaceFuncs* surfaces) {
    m_surfaces.clear();
    m_texts.clear();
    if (!surfaces || !surfaces->first || !surfaces->next) return;
    for (LWSurfaceID s = surfaces->first(); s; s = surfaces->next(s))
        m_surfaces.push_back(
            {s, m_texts.add(surfaces->name ? surfaces->name(s) : nullptr),
             m_texts.add(surfaces->sceneObject ? surfaces->sceneObject(s) : nullptr)});
}

}  // namespace qrv
