// The host's own nodes: constants, a material, a world-space checker, mix and multiply, a ray
// node, and two nodes that light the sample (Lambert diffuse, Blinn highlights). They are node
// servers like any plug-in's: activated with version 1, made through their instance functions with
// the node as context, evaluated through their handler record.
//
// Settings are panel values: an input that is not connected takes its value from the setting of
// the same name. In files each setting is one leaf block of floats (an integer as one u32).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <type_traits>
#include <vector>

#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene_globals.h"

namespace lwhost {

namespace {

// One setting: 1 or 3 doubles, or an int, stored under one block.
struct Setting {
    st_LWBlockIdent ident;
    int count;       // doubles held (1 or 3); 0 for an int
    double* values;  // the doubles
    int* integer;    // the int
};

// Files hold floats: a setting of doubles takes only values a float holds.
constexpr double kFloatMax = std::numeric_limits<float>::max();
// Integers smaller than this in size go to and from a float exactly.
constexpr float kExactFloatIntegers = 16777216.0f;
constexpr int kIntegerMax = std::numeric_limits<int>::max();

std::string numberText(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

// What a setting takes, for messages: "1 number from -3.40282e+38 to 3.40282e+38".
std::string expected(const Setting& setting) {
    if (setting.integer) return "an integer";
    return std::to_string(setting.count) + (setting.count == 1 ? " number" : " numbers") +
           " from " + numberText(-kFloatMax) + " to " + numberText(kFloatMax);
}

class HostNode {
  public:
    HostNode(NodeSystem& system, GraphNode& node) : m_system(system), m_node(node) {}
    virtual ~HostNode() = default;
    HostNode(const HostNode&) = delete;
    HostNode& operator=(const HostNode&) = delete;

    virtual void evaluate(LWNodalAccess_t* access, const GraphOutput* output,
                          NodeValue value) const = 0;

    // Copies the settings of a node of the same class.
    void assign(const HostNode& other) {
        for (size_t i = 0; i < m_settings.size() && i < other.m_settings.size(); ++i) {
            const Setting& from = other.m_settings[i];
            Setting& to = m_settings[i];
            for (int k = 0; k < to.count; ++k) to.values[k] = from.values[k];
            if (to.integer) *to.integer = *from.integer;
        }
    }

    void save(const st_LWSaveState& s) const {
        for (const Setting& setting : m_settings) {
            s.beginBlk(s.writeData, &setting.ident, 1);
            if (setting.integer) {
                // Two's complement, so that negative values come back from binary files too.
                const unsigned long bits = static_cast<uint32_t>(*setting.integer);
                s.writeU4(s.writeData, &bits, 1);
            } else {
                float f[3];
                for (int k = 0; k < setting.count; ++k)
                    f[k] = static_cast<float>(setting.values[k]);
                s.writeFP(s.writeData, f, setting.count);
            }
            s.endBlk(s.writeData);
        }
    }

    // Reads the settings' blocks. A value that does not read, or is not finite, stops the load
    // with the reason; refusedAt() then names where the reader was.
    LWError load(const st_LWLoadState& s) {
        std::vector<st_LWBlockIdent> idents;
        for (const Setting& setting : m_settings) idents.push_back(setting.ident);
        idents.push_back({0, nullptr});
        m_refusedAt = 0;
        while (LWID id = s.findBlk(s.readData, idents.data())) {
            const MemoryLoadState* source = MemoryLoadState::behind(&s);
            const long at = source ? source->position() : 0;
            for (Setting& setting : m_settings) {
                if (setting.ident.id != id || read(s, setting)) continue;
                s.endBlk(s.readData);
                m_refusedAt = at;
                m_error = quoted(setting.ident.token) + " takes " + expected(setting);
                return m_error.c_str();
            }
            s.endBlk(s.readData);
        }
        return nullptr;
    }
    long refusedAt() const { return m_refusedAt; }

    const std::vector<Setting>& settings() const { return m_settings; }

  protected:
    GraphInput* input(ConnectionType type, const char* name) {
        return m_system.addInput(m_node, type, name, nullptr, 0);
    }
    GraphOutput* output(ConnectionType type, const char* name) {
        return m_system.addOutput(m_node, type, name);
    }
    void setting(LWID id, const char* token, double* values, int count) {
        m_settings.push_back({{id, token}, count, values, nullptr});
    }
    void setting(LWID id, const char* token, int* value) {
        m_settings.push_back({{id, token}, 0, nullptr, value});
    }

    // The input's value, or the panel value when it is not connected (tested here first: most
    // inputs are not).
    static void evaluate3(const GraphInput* in, LWNodalAccess_t* access, const double panel[3],
                          double out[3]) {
        out[0] = panel[0];
        out[1] = panel[1];
        out[2] = panel[2];
        if (in->source) NodeSystem::evaluate(in, access, out);
    }
    static double evaluate1(const GraphInput* in, LWNodalAccess_t* access, double panel) {
        if (in->source) NodeSystem::evaluate(in, access, &panel);
        return panel;
    }

  private:
    // False when the block holds no value the setting can take; the setting is then untouched.
    static bool read(const st_LWLoadState& s, Setting& setting) {
        if (setting.integer) {
            unsigned long bits = 0;
            float f = 0;
            if (s.readU4(s.readData, &bits, 1) == 1) {
                *setting.integer = static_cast<int>(static_cast<uint32_t>(bits));
                return true;
            }
            // Written by hand: "-3". Only integers a float holds exactly.
            if (s.readFP(s.readData, &f, 1) != 1 || !(std::fabs(f) < kExactFloatIntegers) ||
                f != std::floor(f))
                return false;
            *setting.integer = static_cast<int>(f);
            return true;
        }
        float f[3];
        if (s.readFP(s.readData, f, setting.count) != setting.count) return false;
        for (int k = 0; k < setting.count; ++k)
            if (!std::isfinite(f[k])) return false;
        for (int k = 0; k < setting.count; ++k) setting.values[k] = f[k];
        return true;
    }

    NodeSystem& m_system;
    GraphNode& m_node;
    std::vector<Setting> m_settings;
    long m_refusedAt = 0;
    std::string m_error;  // what the last load returned
};

constexpr LWID id(const char (&c)[5]) {
    return LWID_MAKE(c[0], c[1], c[2], c[3]);
}

// ---- constants ---------------------------------------------------------------------------------

// A constant node: one output and one setting that holds its value (doubles, or one int).
template <class T, size_t N>
struct ConstantKind {
    ConnectionType type;
    const char* output;
    LWID ident;
    const char* token;
    std::array<T, N> initial;
};

template <const auto& Kind>
class Constant : public HostNode {
  public:
    Constant(NodeSystem& system, GraphNode& node) : HostNode(system, node) {
        output(Kind.type, Kind.output);
        if constexpr (std::is_same_v<typename decltype(m_value)::value_type, int>)
            setting(Kind.ident, Kind.token, m_value.data());
        else
            setting(Kind.ident, Kind.token, m_value.data(), static_cast<int>(m_value.size()));
    }
    void evaluate(LWNodalAccess_t*, const GraphOutput*, NodeValue value) const override {
        NodeSystem::setValue(value, m_value.data());
    }

  private:
    std::remove_const_t<decltype(Kind.initial)> m_value = Kind.initial;
};

constexpr ConstantKind<double, 3> kColour{LWNODE_COLOUR, "Colour", id("COLR"), "Colour", {1, 1, 1}};
constexpr ConstantKind<double, 3> kVector{LWNODE_VECTOR, "Vector", id("VALU"), "Value", {0, 1, 0}};
constexpr ConstantKind<double, 1> kScalar{LWNODE_SCALAR, "Value", id("VALU"), "Value", {1}};
constexpr ConstantKind<int, 1> kInteger{LWNODE_INTEGER, "Value", id("VALU"), "Value", {1}};

// ---- material ----------------------------------------------------------------------------------

// A material value from four shading colours and a transparency.
class Material : public HostNode {
  public:
    Material(NodeSystem& system, GraphNode& node) : HostNode(system, node) {
        m_diffuse = input(LWNODE_COLOUR, "Diffuse Shading");
        m_specular = input(LWNODE_COLOUR, "Specular Shading");
        m_reflection = input(LWNODE_COLOUR, "Reflection Shading");
        m_refraction = input(LWNODE_COLOUR, "Refraction Shading");
        m_transparency = input(LWNODE_SCALAR, "Transparency");
        output(LWNODE_MATERIAL, "Material");
        setting(id("DIFS"), "DiffuseShading", m_value, 3);
        setting(id("SPES"), "SpecularShading", m_value + 3, 3);
        setting(id("REFL"), "ReflectionShading", m_value + 6, 3);
        setting(id("REFR"), "RefractionShading", m_value + 9, 3);
        setting(id("TRAN"), "Transparency", m_value + 12, 1);
    }
    void evaluate(LWNodalAccess_t* access, const GraphOutput*, NodeValue value) const override {
        double m[LWNODE_MATERIAL_DOUBLES];
        evaluate3(m_diffuse, access, m_value, m);
        evaluate3(m_specular, access, m_value + 3, m + 3);
        evaluate3(m_reflection, access, m_value + 6, m + 6);
        evaluate3(m_refraction, access, m_value + 9, m + 9);
        m[12] = evaluate1(m_transparency, access, m_value[12]);
        NodeSystem::setValue(value, m);
    }

  private:
    GraphInput* m_diffuse;
    GraphInput* m_specular;
    GraphInput* m_reflection;
    GraphInput* m_refraction;
    GraphInput* m_transparency;
    double m_value[LWNODE_MATERIAL_DOUBLES] = {0.8, 0.8, 0.8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
};

// ---- checker -----------------------------------------------------------------------------------

// Cubes of edge Size in world space, alternating "Colour 1" (the cube at the origin's corner)
// and "Colour 2". "Value" is 0 in the first kind of cube and 1 in the second.
class Checker : public HostNode {
  public:
    Checker(NodeSystem& system, GraphNode& node) : HostNode(system, node) {
        m_colour1 = input(LWNODE_COLOUR, "Colour 1");
        m_colour2 = input(LWNODE_COLOUR, "Colour 2");
        m_size = input(LWNODE_SCALAR, "Size");
        m_colourOut = output(LWNODE_COLOUR, "Colour");
        output(LWNODE_SCALAR, "Value");
        setting(id("COL1"), "Colour1", m_c1, 3);
        setting(id("COL2"), "Colour2", m_c2, 3);
        setting(id("SIZE"), "Size", &m_sizeValue, 1);
    }

    // Whether the point lies in a cube of the second kind. A size that is not positive and
    // finite, or a point too far out to place, gives the first kind.
    static bool second(const double p[3], double size) {
        if (!(size > 0) || !std::isfinite(size)) return false;
        double sum = std::floor(p[0] / size) + std::floor(p[1] / size) + std::floor(p[2] / size);
        if (!std::isfinite(sum)) return false;
        return std::fmod(std::fabs(sum), 2.0) == 1.0;
    }

    void evaluate(LWNodalAccess_t* access, const GraphOutput* out, NodeValue value) const override {
        static const double kOrigin[3] = {0, 0, 0};
        const double size = evaluate1(m_size, access, m_sizeValue);
        const bool odd = second(access ? access->wPos : kOrigin, size);
        if (out != m_colourOut) {
            const double v = odd ? 1.0 : 0.0;
            NodeSystem::setValue(value, &v);
            return;
        }
        double c[3];
        if (odd)
            evaluate3(m_colour2, access, m_c2, c);
        else
            evaluate3(m_colour1, access, m_c1, c);
        NodeSystem::setValue(value, c);
    }

  private:
    GraphInput* m_colour1;
    GraphInput* m_colour2;
    GraphInput* m_size;
    GraphOutput* m_colourOut;
    double m_c1[3] = {1.0, 1.0, 1.0};
    double m_c2[3] = {0.0, 0.0, 0.0};
    double m_sizeValue = 1.0;
};

// ---- mix and multiply --------------------------------------------------------------------------

// A + (B - A) * Amount.
class Mix : public HostNode {
  public:
    Mix(NodeSystem& system, GraphNode& node) : HostNode(system, node) {
        m_a = input(LWNODE_COLOUR, "A");
        m_b = input(LWNODE_COLOUR, "B");
        m_amount = input(LWNODE_SCALAR, "Amount");
        output(LWNODE_COLOUR, "Colour");
        setting(id("VALA"), "A", m_av, 3);
        setting(id("VALB"), "B", m_bv, 3);
        setting(id("AMNT"), "Amount", &m_amountValue, 1);
    }
    void evaluate(LWNodalAccess_t* access, const GraphOutput*, NodeValue value) const override {
        double a[3], b[3], c[3];
        evaluate3(m_a, access, m_av, a);
        evaluate3(m_b, access, m_bv, b);
        const double t = evaluate1(m_amount, access, m_amountValue);
        for (int k = 0; k < 3; ++k) c[k] = a[k] + (b[k] - a[k]) * t;
        NodeSystem::setValue(value, c);
    }

  private:
    GraphInput* m_a;
    GraphInput* m_b;
    GraphInput* m_amount;
    double m_av[3] = {0.0, 0.0, 0.0};
    double m_bv[3] = {1.0, 1.0, 1.0};
    double m_amountValue = 0.5;
};

// A * B, component by component.
class Multiply : public HostNode {
  public:
    Multiply(NodeSystem& system, GraphNode& node) : HostNode(system, node) {
        m_a = input(LWNODE_COLOUR, "A");
        m_b = input(LWNODE_COLOUR, "B");
        output(LWNODE_COLOUR, "Colour");
        setting(id("VALA"), "A", m_av, 3);
        setting(id("VALB"), "B", m_bv, 3);
    }
    void evaluate(LWNodalAccess_t* access, const GraphOutput*, NodeValue value) const override {
        double a[3], b[3], c[3];
        evaluate3(m_a, access, m_av, a);
        evaluate3(m_b, access, m_bv, b);
        for (int k = 0; k < 3; ++k) c[k] = a[k] * b[k];
        NodeSystem::setValue(value, c);
    }

  private:
    GraphInput* m_a;
    GraphInput* m_b;
    double m_av[3] = {1.0, 1.0, 1.0};
    double m_bv[3] = {1.0, 1.0, 1.0};
};

// ---- ray ---------------------------------------------------------------------------------------

// Fires a ray from the sample through the access record's ray-tracing function: along
// "Direction" when connected, else along the mirror direction of the arriving ray. "Colour" is
// what it sees, "Length" how far it went (-1 for a miss or when the host traces no rays).
class Ray : public HostNode {
  public:
    Ray(NodeSystem& system, GraphNode& node) : HostNode(system, node) {
        m_direction = input(LWNODE_VECTOR, "Direction");
        m_colourOut = output(LWNODE_COLOUR, "Colour");
        output(LWNODE_SCALAR, "Length");
    }

    static bool unit(double v[3]) {
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (!(length > 0) || !std::isfinite(length)) return false;
        for (int k = 0; k < 3; ++k) v[k] /= length;
        return true;
    }

    void evaluate(LWNodalAccess_t* access, const GraphOutput* out, NodeValue value) const override {
        double colour[3] = {0.0, 0.0, 0.0};
        double length = -1.0;
        if (access && access->rayTrace) {
            double d[3];
            if (!NodeSystem::evaluate(m_direction, access, d)) {
                const double* n = access->wNorm;
                for (int k = 0; k < 3; ++k) d[k] = access->wPos[k] - access->raySource[k];
                if (unit(d)) {
                    const double dn = d[0] * n[0] + d[1] * n[1] + d[2] * n[2];
                    for (int k = 0; k < 3; ++k) d[k] -= 2.0 * dn * n[k];
                }
            }
            if (unit(d)) length = access->rayTrace(access->wPos, d, colour);
        }
        if (out == m_colourOut)
            NodeSystem::setValue(value, colour);
        else
            NodeSystem::setValue(value, &length);
    }

  private:
    GraphInput* m_direction;
    GraphOutput* m_colourOut;
};

// ---- light -------------------------------------------------------------------------------------

// A node that asks for the light of every light of the scene at the sample, through the
// illumination functions of the access record: a node downstream that swaps those functions
// (a light group) decides which lights it sees. The lights are listed on the main thread when
// the render starts and at every frame; render threads only read the list.
class LitNode : public HostNode {
  public:
    using HostNode::HostNode;

    void listLights() {
        m_lights.clear();
        const st_LWItemInfo* items = SceneGlobals::itemInfo();
        for (LWItemID id = items->first(LWI_LIGHT, LWITEM_NULL); id; id = items->next(id))
            m_lights.push_back(id);
    }

  protected:
    static double dot(const double a[3], const double b[3]) {
        return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    }
    static bool unit(double v[3]) {
        const double length = std::sqrt(dot(v, v));
        if (!(length > 0) || !std::isfinite(length)) return false;
        for (int k = 0; k < 3; ++k) v[k] /= length;
        return true;
    }

    // Calls lit(direction towards the light, its colour at the point, N.L) for every light that
    // reaches the point on the side of the shading normal `normal` (unit).
    template <class F>
    void forEachLight(LWNodalAccess_t* access, const double normal[3], F&& lit) const {
        if (!access || !(access->illuminateNormal || access->illuminate)) return;
        for (LWItemID light : m_lights) {
            double towards[3] = {0, 0, 0}, colour[3] = {0, 0, 0};
            const int reaches = access->illuminateNormal
                                    ? access->illuminateNormal(light, access->render, access->wPos,
                                                               towards, normal, colour)
                                    : access->illuminate(light, access->wPos, towards, colour);
            if (!reaches) continue;
            const double cosine = dot(normal, towards);
            if (cosine > 0) lit(towards, colour, cosine);
        }
    }
    // The sample's shading normal as a unit vector (the geometric one when it has none).
    static void shadingNormal(const LWNodalAccess_t* access, double normal[3]) {
        for (int k = 0; k < 3; ++k) normal[k] = access->wNorm[k];
        if (unit(normal)) return;
        for (int k = 0; k < 3; ++k) normal[k] = access->gNorm[k];
        unit(normal);
    }

  private:
    std::vector<LWItemID> m_lights;
};

// Diffuse light: Colour * Diffuse * sum(E * N.L) over the lights that reach the point.
class Lambert : public LitNode {
  public:
    Lambert(NodeSystem& system, GraphNode& node) : LitNode(system, node) {
        m_colour = input(LWNODE_COLOUR, "Colour");
        m_diffuse = input(LWNODE_SCALAR, "Diffuse");
        output(LWNODE_COLOUR, "Colour");
        setting(id("COLR"), "Colour", m_colourValue, 3);
        setting(id("DIFF"), "Diffuse", &m_diffuseValue, 1);
    }
    void evaluate(LWNodalAccess_t* access, const GraphOutput*, NodeValue value) const override {
        double sum[3] = {0, 0, 0};
        if (access) {
            double normal[3];
            shadingNormal(access, normal);
            forEachLight(access, normal, [&](const double*, const double* e, double cosine) {
                for (int k = 0; k < 3; ++k) sum[k] += e[k] * cosine;
            });
        }
        double c[3];
        evaluate3(m_colour, access, m_colourValue, c);
        const double level = evaluate1(m_diffuse, access, m_diffuseValue);
        for (int k = 0; k < 3; ++k) c[k] *= level * sum[k];
        NodeSystem::setValue(value, c);
    }

  private:
    GraphInput* m_colour;
    GraphInput* m_diffuse;
    double m_colourValue[3] = {1.0, 1.0, 1.0};
    double m_diffuseValue = 1.0;
};

// Highlights: Colour * Specular * sum(E * max(0, N.H)^n), H halfway between the directions
// towards the light and towards the viewer, n = 2^(1 + 10 g) for the glossiness g (0..1).
class Blinn : public LitNode {
  public:
    Blinn(NodeSystem& system, GraphNode& node) : LitNode(system, node) {
        m_colour = input(LWNODE_COLOUR, "Colour");
        m_specular = input(LWNODE_SCALAR, "Specular");
        m_glossiness = input(LWNODE_SCALAR, "Glossiness");
        output(LWNODE_COLOUR, "Colour");
        setting(id("COLR"), "Colour", m_colourValue, 3);
        setting(id("SPEC"), "Specular", &m_specularValue, 1);
        setting(id("GLOS"), "Glossiness", &m_glossinessValue, 1);
    }
    void evaluate(LWNodalAccess_t* access, const GraphOutput*, NodeValue value) const override {
        double sum[3] = {0, 0, 0};
        const double g = evaluate1(m_glossiness, access, m_glossinessValue);
        const double exponent = std::exp2(1.0 + 10.0 * (g > 0 ? (g < 1 ? g : 1.0) : 0.0));
        double normal[3], viewer[3];
        if (access) {
            shadingNormal(access, normal);
            for (int k = 0; k < 3; ++k) viewer[k] = access->raySource[k] - access->wPos[k];
            if (!unit(viewer))
                for (int k = 0; k < 3; ++k) viewer[k] = normal[k];
            forEachLight(access, normal, [&](const double* towards, const double* e, double) {
                double half[3];
                for (int k = 0; k < 3; ++k) half[k] = towards[k] + viewer[k];
                if (!unit(half))
                    for (int k = 0; k < 3; ++k) half[k] = normal[k];
                const double nh = dot(normal, half);
                if (nh <= 0) return;
                const double share = std::pow(nh, exponent);
                for (int k = 0; k < 3; ++k) sum[k] += e[k] * share;
            });
        }
        double c[3];
        evaluate3(m_colour, access, m_colourValue, c);
        const double level = evaluate1(m_specular, access, m_specularValue);
        for (int k = 0; k < 3; ++k) c[k] *= level * sum[k];
        NodeSystem::setValue(value, c);
    }

  private:
    GraphInput* m_colour;
    GraphInput* m_specular;
    GraphInput* m_glossiness;
    double m_colourValue[3] = {1.0, 1.0, 1.0};
    double m_specularValue = 1.0;
    double m_glossinessValue = 0.4;
};

// ---- the server records ------------------------------------------------------------------------

template <class N>
struct HostServer {
    static LWInstance create(void*, void* context, LWError* err) {
        GraphNode* node = GraphNode::from(static_cast<NodeID>(context));
        if (!node || !node->graph || !node->graph->system) {
            if (err) *err = "a host node needs its node";
            return nullptr;
        }
        return static_cast<HostNode*>(new N(*node->graph->system, *node));
    }
    static HostNode* of(LWInstance instance) { return static_cast<HostNode*>(instance); }
    static void destroy(LWInstance instance) { delete of(instance); }
    static LWError copy(LWInstance to, LWInstance from) {
        if (to && from) of(to)->assign(*of(from));
        return nullptr;
    }
    static LWError load(LWInstance instance, const st_LWLoadState* state) {
        return instance && state ? of(instance)->load(*state) : nullptr;
    }
    static LWError save(LWInstance instance, const st_LWSaveState* state) {
        if (instance && state) of(instance)->save(*state);
        return nullptr;
    }
    static const char* descln(LWInstance) { return ""; }
    static void evaluate(LWInstance instance, LWNodalAccess_t* access, NodeOutputID output,
                         NodeValue value) {
        if (instance) of(instance)->evaluate(access, GraphOutput::from(output), value);
    }
    // Lit nodes list the scene's lights when the render starts and at every frame.
    static LWError init(LWInstance instance, int) {
        if (instance) static_cast<LitNode*>(of(instance))->listLights();
        return nullptr;
    }
    static LWError newTime(LWInstance instance, LWFrame, LWTime) { return init(instance, 0); }
    static int activate(long version, LWGlobalFunc, void* local, void*) {
        if (version != LWNODE_VERSION) return LWACTIVATE_BADVERSION;
        auto* handler = static_cast<st_LWNodeHandler*>(local);
        if (!handler) return LWACTIVATE_BADLOCAL;
        if (handler->inst) *handler->inst = {nullptr, create, destroy, copy, load, save, descln};
        if constexpr (std::is_base_of_v<LitNode, N>) {
            if (handler->rend) *handler->rend = {init, nullptr, newTime};
        }
        handler->evaluate = evaluate;
        return LWACTIVATE_OK;
    }
};

// The host's servers: server name, user name, activation.
struct HostServerEntry {
    const char* name;
    const char* userName;
    LWActivateFunc activate;
};
const HostServerEntry kHostServers[] = {
    {"ColourConstant", "Colour", &HostServer<Constant<kColour>>::activate},
    {"ScalarConstant", "Scalar", &HostServer<Constant<kScalar>>::activate},
    {"VectorConstant", "Vector", &HostServer<Constant<kVector>>::activate},
    {"IntegerConstant", "Integer", &HostServer<Constant<kInteger>>::activate},
    {"Material", "Material", &HostServer<Material>::activate},
    {"Checker", "Checker", &HostServer<Checker>::activate},
    {"Mix", "Mix", &HostServer<Mix>::activate},
    {"Multiply", "Multiply", &HostServer<Multiply>::activate},
    {"Ray", "Ray", &HostServer<Ray>::activate},
    {"Lambert", "Lambert", &HostServer<Lambert>::activate},
    {"Blinn", "Blinn", &HostServer<Blinn>::activate},
};

// The node's instance when one of the host's servers made it.
HostNode* hostNode(const GraphNode& node) {
    if (!node.instance || !node.server) return nullptr;
    for (const HostServerEntry& entry : kHostServers)
        if (node.server->activate == entry.activate) return static_cast<HostNode*>(node.instance);
    return nullptr;
}

}  // namespace

long hostNodeRefusedAt(const GraphNode& node) {
    const HostNode* host = hostNode(node);
    return host ? host->refusedAt() : 0;
}

void addHostNodes(NodeSystem& system) {
    for (const HostServerEntry& entry : kHostServers)
        system.addServer(entry.name, entry.userName, entry.activate, true);
}

std::vector<HostSetting> hostSettings(const GraphNode& node) {
    std::vector<HostSetting> out;
    const HostNode* host = hostNode(node);
    if (!host) return out;
    for (const Setting& setting : host->settings()) {
        HostSetting s{setting.ident.token, setting.integer != nullptr, {}};
        if (setting.integer)
            s.values.push_back(*setting.integer);
        else
            s.values.assign(setting.values, setting.values + setting.count);
        out.push_back(std::move(s));
    }
    return out;
}

bool setHostSetting(GraphNode& node, const std::string& token, const std::vector<double>& values,
                    std::string& error) {
    const HostNode* host = hostNode(node);
    if (!host) {
        error = "node " + quoted(node.name) + " is not one of the host's own nodes";
        return false;
    }
    std::string known;
    for (const Setting& setting : host->settings()) {
        known += (known.empty() ? "" : ", ") + std::string(setting.ident.token);
        if (token != setting.ident.token) continue;
        const size_t wanted = setting.integer ? 1 : static_cast<size_t>(setting.count);
        if (values.size() != wanted) {
            error = quoted(token) + " takes " + std::to_string(wanted) +
                    (wanted == 1 ? " number" : " numbers");
            return false;
        }
        // Only what the file keeps: finite values a float holds, whole numbers an int holds.
        for (double v : values) {
            const bool fits = setting.integer ? v == std::floor(v) && std::fabs(v) <= kIntegerMax
                                              : std::fabs(v) <= kFloatMax;  // false for NaN
            if (fits) continue;
            error = quoted(token) + " takes " +
                    (setting.integer ? "an integer from " + std::to_string(-kIntegerMax) + " to " +
                                           std::to_string(kIntegerMax)
                                     : expected(setting)) +
                    ", not " + numberText(v);
            return false;
        }
        if (setting.integer)
            *setting.integer = static_cast<int>(values[0]);
        else
            std::copy(values.begin(), values.end(), setting.values);
        if (node.graph && node.graph->system) node.graph->system->instanceChanged(node.instance);
        return true;
    }
    error = "node " + quoted(node.name) + " has no setting " + quoted(token) +
            (known.empty() ? "" : " (it has: " + known + ")");
    return false;
}

}  // namespace lwhost
