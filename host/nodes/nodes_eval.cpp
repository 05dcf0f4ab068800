// Node values and evaluation: conversions between connection types, input evaluation on render
// threads, and shading a sample with a surface graph. Nothing here allocates or locks.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene_file_text.h"

namespace lwhost {

// ---- values ----------------------------------------------------------------------------------

int valueSize(ConnectionType type) {
    switch (type) {
        case LWNODE_COLOUR:
        case LWNODE_VECTOR:
            return 3 * static_cast<int>(sizeof(double));
        case LWNODE_SCALAR:
            return static_cast<int>(sizeof(double));
        case LWNODE_INTEGER:
            return static_cast<int>(sizeof(int));
        case LWNODE_MATERIAL:
            return kMaxValueBytes;
        default:
            return 0;
    }
}

namespace {

bool numeric(ConnectionType type) {
    return type == LWNODE_COLOUR || type == LWNODE_SCALAR || type == LWNODE_VECTOR ||
           type == LWNODE_INTEGER;
}

// Halves away from zero, limited to the int range; not-a-number is 0.
int toInteger(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(std::lround(v));
}

// The single number a value stands for when it feeds a scalar or an integer.
double asScalar(ConnectionType type, const void* in) {
    switch (type) {
        case LWNODE_COLOUR:
            return luminance(static_cast<const double*>(in));
        case LWNODE_VECTOR: {
            const double* v = static_cast<const double*>(in);
            return (v[0] + v[1] + v[2]) / 3.0;
        }
        case LWNODE_INTEGER:
            return static_cast<double>(*static_cast<const int*>(in));
        default:
            return *static_cast<const double*>(in);
    }
}

}  // namespace

bool canConvert(ConnectionType from, ConnectionType to) {
    if (from == LWNODE_MATERIAL || to == LWNODE_MATERIAL) return from == to;
    return numeric(from) && numeric(to);
}

bool convertValue(ConnectionType from, const void* in, ConnectionType to, void* out) {
    if (!in || !out || !canConvert(from, to)) return false;
    if (from == to) {
        std::memcpy(out, in, static_cast<size_t>(valueSize(to)));
        return true;
    }
    switch (to) {
        case LWNODE_COLOUR:
        case LWNODE_VECTOR: {
            double* o = static_cast<double*>(out);
            if (from == LWNODE_COLOUR || from == LWNODE_VECTOR) {
                const double* v = static_cast<const double*>(in);
                o[0] = v[0];
                o[1] = v[1];
                o[2] = v[2];
            } else {
                o[0] = o[1] = o[2] = asScalar(from, in);
            }
            return true;
        }
        case LWNODE_SCALAR:
            *static_cast<double*>(out) = asScalar(from, in);
            return true;
        case LWNODE_INTEGER:
            *static_cast<int*>(out) = toInteger(asScalar(from, in));
            return true;
        default:
            return false;
    }
}

double luminance(const double rgb[3]) {
    return 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2];
}

const char* typeName(ConnectionType type) {
    switch (type) {
        case LWNODE_COLOUR:
            return "Colour";
        case LWNODE_SCALAR:
            return "Scalar";
        case LWNODE_VECTOR:
            return "Vector";
        case LWNODE_INTEGER:
            return "Integer";
        case LWNODE_MATERIAL:
            return "Material";
        default:
            return nullptr;
    }
}

const char* typeWord(ConnectionType type) {
    switch (type) {
        case LWNODE_COLOUR:
            return "colour";
        case LWNODE_SCALAR:
            return "scalar";
        case LWNODE_VECTOR:
            return "vector";
        case LWNODE_INTEGER:
            return "integer";
        case LWNODE_MATERIAL:
            return "material";
        default:
            return "unknown";
    }
}

// Names in messages are quoted the way scene files write texts, so they stay on one line.
std::string quoted(const std::string& name) {
    return scenetext::quote(name);
}

// ---- evaluation ------------------------------------------------------------------------------

namespace {

// Where one evaluation's result goes: the NodeValue a node's evaluate receives.
struct ValueSlot {
    void* target;         // a buffer of `type`
    ConnectionType type;  // the type of the output being evaluated
    bool written;
};

// Input evaluations under way on this thread.
thread_local int t_depth = 0;
// The probe of an explanation under way on this thread.
thread_local InputProbe* t_probe = nullptr;

struct DepthGuard {
    DepthGuard() { ++t_depth; }
    ~DepthGuard() { --t_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool ok() const { return t_depth <= kMaxEvaluationDepth; }
};

}  // namespace

namespace {

// The connected case, apart so that an unconnected input costs only its test.
__attribute__((noinline)) int evaluateConnected(const GraphInput* input, LWNodalAccess_t* access,
                                                void* value) {
    if (__builtin_expect(t_probe != nullptr, 0)) t_probe->evaluating(*input, access);
    GraphOutput* output = input->source;
    // During a render the connection was resolved when the render started.
    if (input->prepared.source == output) {
        DepthGuard guard;
        if (!guard.ok()) return 0;
        ValueSlot slot{value, input->type, false};
        input->prepared.evaluate(input->prepared.instance, access, output->id(), &slot);
        return 1;
    }
    GraphNode* node = output->node;
    if (!node || !node->server || !node->server->handler.evaluate) return 1;
    DepthGuard guard;
    if (!guard.ok()) return 0;
    auto evaluateNode = node->server->handler.evaluate;
    if (output->type == input->type) {
        ValueSlot slot{value, output->type, false};
        evaluateNode(node->instance, access, output->id(), &slot);
        return 1;
    }
    // A differing type is computed in a temporary of the output's own type, so that the caller's
    // buffer is written with its type's size only. Zeroed: a node that takes the buffer through
    // getValue may leave part of it unwritten.
    alignas(double) unsigned char temporary[kMaxValueBytes] = {};
    ValueSlot slot{temporary, output->type, false};
    evaluateNode(node->instance, access, output->id(), &slot);
    if (slot.written) convertValue(output->type, temporary, input->type, value);
    return 1;
}

}  // namespace

int NodeSystem::evaluate(const GraphInput* input, LWNodalAccess_t* access, void* value) {
    if (!input || !input->source || !value) return 0;
    return evaluateConnected(input, access, value);
}

bool NodeSystem::evaluateOutput(GraphOutput& output, LWNodalAccess_t* access, void* value) {
    GraphNode* node = output.node;
    if (!node || !node->server || !node->server->handler.evaluate || !value) return false;
    ValueSlot slot{value, output.type, false};
    node->server->handler.evaluate(node->instance, access, output.id(), &slot);
    return slot.written;
}

InputProbe* NodeSystem::setProbe(InputProbe* probe) {
    InputProbe* before = t_probe;
    t_probe = probe;
    return before;
}

void NodeSystem::setValue(NodeValue value, const void* result) {
    auto* slot = static_cast<ValueSlot*>(value);
    if (!slot || !result || !slot->target) return;
    switch (slot->type) {
        case LWNODE_SCALAR:
            std::memcpy(slot->target, result, sizeof(double));
            break;
        case LWNODE_COLOUR:
        case LWNODE_VECTOR:
            std::memcpy(slot->target, result, 3 * sizeof(double));
            break;
        case LWNODE_INTEGER:
            std::memcpy(slot->target, result, sizeof(int));
            break;
        case LWNODE_MATERIAL:
            std::memcpy(slot->target, result, LWNODE_MATERIAL_DOUBLES * sizeof(double));
            break;
        default:
            return;
    }
    slot->written = true;
}

void* NodeSystem::valueBuffer(NodeValue value) {
    auto* slot = static_cast<ValueSlot*>(value);
    if (!slot || !slot->target || valueSize(slot->type) == 0) return nullptr;
    slot->written = true;
    return slot->target;
}

ConnectionType NodeSystem::valueType(NodeValue value) {
    const auto* slot = static_cast<const ValueSlot*>(value);
    return slot ? slot->type : LWNODE_NONE;
}

// ---- shading with a surface graph ------------------------------------------------------------

namespace {

template <size_t N>
void copy(double (&to)[N], const double (&from)[N]) {
    for (size_t i = 0; i < N; ++i) to[i] = from[i];
}

void copy3(double* to, const double* from) {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

}  // namespace

void fillNodalAccess(const st_LWShaderAccess96& record, LWNodalAccess96_t& nodal) {
    const st_LWShaderAccess& sa = record.base.base;
    const st_LWShaderAccess95& sa95 = record.base;
    LWNodalAccess_t& na = nodal.base.base;
    na.sx = sa.sx;
    na.sy = sa.sy;
    copy(na.oPos, sa.oPos);
    copy(na.wPos, sa.wPos);
    copy(na.gNorm, sa.gNorm);
    copy(na.wNorm, sa.wNorm);
    copy(na.wNorm0, sa.wNorm0);
    copy(na.raySource, sa.raySource);
    na.rayLength = sa.rayLength;
    na.spotSize = sa.spotSize;
    na.cosine = sa.cosine;
    na.bumpHeight = sa.bumpHeight;
    copy(na.oXfrm, sa.oXfrm);
    copy(na.wXfrm, sa.wXfrm);
    na.illuminate = sa.illuminate;
    na.illuminateSample = sa95.illuminateSample;
    na.rayTrace = sa.rayTrace;
    na.rayCast = sa.rayCast;
    na.rayShade = sa.rayShade;
    na.rayTraceMode = sa95.rayTraceMode;
    na.bounces = sa.bounces;
    na.sourceID = sa.sourceID;
    na.objID = sa.objID;
    na.polNum = sa.polNum;
    for (int k = 0; k < 4; ++k) {
        na.verts[k] = sa.verts[k];
        na.weights[k] = sa.weights[k];
        for (int a = 0; a < 3; ++a) na.vertsWPos[k][a] = sa.vertsWPos[k][a];
    }
    na.polygon = sa.polygon;
    na.incomingEta = sa95.incomingEta;
    na.ResourceContextIndex = sa95.ResourceContextIndex;
    na.flags = sa.flags;
    na.randomData = sa95.randomData;
    na.randomFloat = sa95.randomFloat;
    na.illuminateNormal = sa95.illuminateNormal;
    na.illuminateSampleNormal = sa95.illuminateSampleNormal;
    na.subsx = sa95.subsx;
    na.subsy = sa95.subsy;
    copy(na.rayDir, sa95.rayDir);
    na.rayTraceData = sa95.rayTraceData;
    na.rayTraceShade = sa95.rayTraceShade;
    na.render = sa95.render;
    na.getVal = record.getVal;
    na.setVal = record.setVal;
    nodal.instanceID = record.instanceID;
    nodal.samplerState = record.samplerState;
    nodal.getSamplerRange = record.getSamplerRange;
    nodal.getSample2D = record.getSample2D;
    nodal.getSample1D = record.getSample1D;
}

void applySurfaceGraph(const NodeGraph& graph, st_LWShaderAccess96& record) {
    if (!graph.enabled()) return;
    LWNodalAccess96_t nodal{};
    fillNodalAccess(record, nodal);
    LWNodalAccess_t& na = nodal.base.base;
    st_LWShaderAccess& sa = record.base.base;
    st_LWShaderAccess95& sa95 = record.base;

    for (const auto& input : graph.rootInputs) {
        const GraphInput* in = input.get();
        if (!in->source) continue;
        const std::string& n = in->name;
        if (n == "Colour") {
            NodeSystem::evaluate(in, &na, sa.color);
        } else if (n == "Luminosity") {
            NodeSystem::evaluate(in, &na, &sa.luminous);
        } else if (n == "Diffuse") {
            NodeSystem::evaluate(in, &na, &sa.diffuse);
        } else if (n == "Specular") {
            NodeSystem::evaluate(in, &na, &sa.specular);
        } else if (n == "Glossiness") {
            double g = sa.roughness > 0 ? 1.0 / sa.roughness : 0.0;
            NodeSystem::evaluate(in, &na, &g);
            if (g > 0 && std::isfinite(g)) sa.roughness = 1.0 / g;
        } else if (n == "Reflection") {
            NodeSystem::evaluate(in, &na, &sa.mirror);
        } else if (n == "Transparency") {
            NodeSystem::evaluate(in, &na, &sa.transparency);
        } else if (n == "Refraction Index") {
            NodeSystem::evaluate(in, &na, &sa.eta);
        } else if (n == "Translucency") {
            NodeSystem::evaluate(in, &na, &sa.translucency);
        } else if (n == "Normal") {
            NodeSystem::evaluate(in, &na, sa.wNorm);
        } else if (n == "Material") {
            double m[LWNODE_MATERIAL_DOUBLES];
            copy3(m, sa95.diffuse_shade);
            copy3(m + 3, sa95.specular_shade);
            copy3(m + 6, sa95.reflect_shade);
            copy3(m + 9, sa95.refract_shade);
            m[12] = sa.transparency;
            NodeSystem::evaluate(in, &na, m);
            copy3(sa95.diffuse_shade, m);
            copy3(sa95.specular_shade, m + 3);
            copy3(sa95.reflect_shade, m + 6);
            copy3(sa95.refract_shade, m + 9);
            sa.transparency = m[12];
        }
    }
}

}  // namespace lwhost
