#include "scene_scan.h"

#include <vexo/server.h>

#include <algorithm>
#include <cstring>

namespace {

unsigned g_depth = 0;     // steps under way, nested
unsigned g_step = 0;      // the outermost one's number; 0 outside
unsigned g_lastStep = 0;  // the last number given

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
    static SharedReading<ObjectScan> shared;
    return shared.get([&](ObjectScan& scan) { scan.read(items, objects); },
                      objects && !shared.kept().m_files);
}

void ObjectScan::read(const vexo::ItemInfo& items, const st_LWObjectInfo* objects) {
    m_objects.clear();
    m_lines.clear();
    m_texts.clear();
    m_files = objects && objects->filename;
    for (LWItemID id = items.first(LWI_OBJECT); id; id = items.next(id)) {
        Object object{id,
                      items.parent(id),
                      m_texts.add(items.name(id)),
                      m_texts.add(m_files ? objects->filename(id) : nullptr),
                      static_cast<uint32_t>(m_lines.size()),
                      0};
        for (int tag = 1;; ++tag, ++object.lineCount) {
            const char* line = items.tag(id, tag);
            if (!line) break;
            m_lines.push_back(m_texts.add(line));
        }
        m_objects.push_back(object);
    }
    // Hosts list objects in ID order as a rule; otherwise an index puts them in it.
    m_byId.clear();
    const auto byId = [this](uint32_t a, uint32_t b) { return m_objects[a].id < m_objects[b].id; };
    for (uint32_t i = 1; i < m_objects.size() && m_byId.empty(); ++i) {
        if (m_objects[i - 1].id < m_objects[i].id) continue;
        m_byId.resize(m_objects.size());
        for (uint32_t k = 0; k < m_byId.size(); ++k) m_byId[k] = k;
        std::sort(m_byId.begin(), m_byId.end(), byId);
    }
}

const ObjectScan::Object* ObjectScan::find(LWItemID id) const {
    const auto idAt = [this](uint32_t position) { return m_objects[position].id; };
    size_t low = 0, high = m_objects.size();  // binary search over positions in ID order
    while (low < high) {
        const size_t mid = (low + high) / 2;
        const uint32_t position = m_byId.empty() ? static_cast<uint32_t>(mid) : m_byId[mid];
        if (idAt(position) < id)
            low = mid + 1;
        else
            high = mid;
    }
    if (low == m_objects.size()) return nullptr;
    const Object& found = m_objects[m_byId.empty() ? low : m_byId[low]];
    return found.id == id ? &found : nullptr;
}

const SurfaceScan& SurfaceScan::current(const st_LWSurfaceFuncs* surfaces) {
    static SharedReading<SurfaceScan> shared;
    return shared.get([&](SurfaceScan& scan) { scan.read(surfaces); });
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

const SceneObjectScan& SceneObjectScan::current(const st_LWObjectFuncs* objects) {
    static SharedReading<SceneObjectScan> shared;
    return shared.get([&](SceneObjectScan& scan) { scan.read(objects); });
}

void SceneObjectScan::read(const st_LWObjectFuncs* objects) {
    m_entries.clear();
    m_texts.clear();
    if (!objects || !objects->numObjects || !objects->userName) return;
    const bool modeler = vexo::LightWave::isModeler();
    const auto key = modeler ? objects->refName : objects->filename;
    if (!key) return;
    const int count = objects->numObjects();
    for (int i = 0; i < count; ++i) {
        const char* file = key(i);
        if (file) m_entries.push_back({m_texts.add(file), m_texts.add(objects->userName(i))});
    }
}

}  // namespace qrv
