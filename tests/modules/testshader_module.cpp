// Shaders and a master built with the frame for the renderer's tests. Each shader does one
// thing to every sample; notes of what the host did are read through the "RenderTestLog" "log"
// server (module_log.h).
//
//   "rtcolour"         sets the colour to 0.1 0.3 0.9 (flags: colour)
//   "rtthrow"          throws from Evaluate
//   "rtshade"          writes diffuse shading 0 0.5 0 and specular shading 0 0 0.25 and claims
//                      both in its flags
//   "rtshadeunclaimed" writes the same without claiming them
//   "rtreplace"        replacement percentage 0.25, replacement colour white
//   "rtlight0".."3"    colour = the sum over the scene's lights of what illuminate,
//                      illuminateNormal, illuminateSample or illuminateSampleNormal (0..3)
//                      report; luminosity 1, everything else 0, so the pixel shows the light
//   "rtprobe"          notes its activation version, and the record of the sample in pixel 0 0
//   "rtnotes"          notes init, new time and cleanup
//   "rtshadow"         claims transparency; on shadow samples sets it to 0.5 and first asks
//                      for every light at the sample (so shadow samples nest), elsewhere does
//                      nothing
//   "rtmaster"         (MasterHandler) asks for notifications and notes every event
#include <vexo/adaptor.h>
#include <vexo/handler.h>
#include <vexo/server.h>

#include <lwsdk/lwitem.h>
#include <lwsdk/lwshaderaccess.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "module_log.h"

namespace {

using module_log::note;
int g_version = 0;

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", v);
    return buf;
}

void set3(double out[3], double r, double g, double b) {
    out[0] = r;
    out[1] = g;
    out[2] = b;
}

enum Kind { kColour, kThrow, kShade, kShadeUnclaimed, kReplace, kLight, kProbe, kNotes, kShadow };

extern "C" int addLight(void* data, LWItemID, const LWDVector, const double colour[4]) {
    auto* sum = static_cast<double*>(data);
    for (int i = 0; i < 3; ++i) sum[i] += colour[i];
    return 1;
}

template <int K, int Mode = 0>
class RenderShader : public vexo::ShaderHandler {
  public:
    RenderShader(void*, void* context, std::string*) : vexo::ShaderHandler(context) {}

    void Evaluate(st_LWShaderAccess* sa) override {
        switch (K) {
            case kColour:
                set3(sa->color, 0.1, 0.3, 0.9);
                break;
            case kThrow:
                throw vexo::exception("render test failure");
            case kShade:
            case kShadeUnclaimed:
                set3(ext(sa)->diffuse_shade, 0, 0.5, 0);
                set3(ext(sa)->specular_shade, 0, 0, 0.25);
                break;
            case kReplace:
                sa->replacement_percentage = 0.25;
                set3(sa->replacement_color, 1, 1, 1);
                break;
            case kLight:
                light(sa);
                break;
            case kProbe:
                if (sa->sx == 0 && sa->sy == 0) probe(sa);
                break;
            case kShadow:
                if (sa->flags & LWRT_SHADOW) {
                    double sum[3];
                    lightSum(sa, sum);
                    sa->transparency = 0.5;
                }
                break;
            default:
                break;
        }
    }

    unsigned Flags() override {
        switch (K) {
            case kColour:
                return LWSHF_COLOUR;
            case kShade:
                return LWSHF_DIFFUSE_SHADE | LWSHF_SPECULAR_SHADE;
            case kLight:
                return LWSHF_COLOUR | LWSHF_LUMINOUS | LWSHF_DIFFUSE | LWSHF_SPECULAR;
            case kShadow:
                return LWSHF_TRANSP;
            default:
                return 0;
        }
    }

    const char* Init(int mode) override {
        if (K == kNotes) note("init mode=" + std::to_string(mode));
        return RenderHandler::Init(mode);
    }
    const char* NewTime(int frame, double time) override {
        if (K == kNotes) note("newtime frame=" + std::to_string(frame) + " time=" + number(time));
        return RenderHandler::NewTime(frame, time);
    }
    void Cleanup() override {
        if (K == kNotes) note("cleanup");
    }

  private:
    // The host fills the whole record whatever the version; these shaders read past version 4.
    static st_LWShaderAccess95* ext(st_LWShaderAccess* sa) {
        return reinterpret_cast<st_LWShaderAccess95*>(sa);
    }

    static void light(st_LWShaderAccess* sa) {
        double sum[3];
        lightSum(sa, sum);
        set3(sa->color, sum[0], sum[1], sum[2]);
        sa->luminous = 1;
        sa->diffuse = sa->specular = sa->mirror = sa->transparency = 0;
    }

    // What every light of the scene brings to the sample, by the illumination function Mode.
    static void lightSum(st_LWShaderAccess* sa, double sum[3]) {
        auto* items = static_cast<const st_LWItemInfo*>(
            vexo::SuperGlobal ? vexo::SuperGlobal(LWITEMINFO_GLOBAL, LWGLOBAL_READ) : nullptr);
        set3(sum, 0, 0, 0);
        for (LWItemID id = items ? items->first(LWI_LIGHT, LWITEM_NULL) : LWITEM_NULL; id;
             id = items->next(id)) {
            double direction[3], colour[4] = {0, 0, 0, 1};
            st_LWShaderAccess95* x = ext(sa);
            if (Mode == 2) x->illuminateSample(id, sa->wPos, direction, &addLight, sum);
            if (Mode == 3)
                x->illuminateSampleNormal(id, x->render, sa->wPos, sa->wNorm, &addLight, sum);
            if (Mode == 0 ? sa->illuminate(id, sa->wPos, direction, colour)
                : Mode == 1
                    ? x->illuminateNormal(id, x->render, sa->wPos, direction, sa->wNorm, colour)
                    : 0)
                addLight(sum, id, direction, colour);
        }
    }

    static void probe(st_LWShaderAccess* sa) {
        std::string line =
            "probe version=" + std::to_string(g_version) + " sx=" + std::to_string(sa->sx) +
            " sy=" + std::to_string(sa->sy) + " flags=" + std::to_string(sa->flags) +
            " bounces=" + std::to_string(sa->bounces) + " polNum=" + std::to_string(sa->polNum) +
            " cosine=" + number(sa->cosine);
        double weights = 0;
        for (int k = 0; k < 4; ++k) weights += sa->weights[k];
        line += " weights=" + number(weights);
        if (g_version >= 5) {
            const auto* r = reinterpret_cast<const st_LWShaderAccess95*>(sa);
            line += " sub=" + number(r->subsx) + "," + number(r->subsy) +
                    " render=" + (r->render ? "1" : "0");
        }
        note(line);
    }
};

class RenderMaster : public vexo::MasterHandler {
  public:
    RenderMaster(void*, void*, std::string*) {}
    double Event(const st_LWMasterAccess* access) override {
        note("event " + module_log::hex(static_cast<unsigned>(access->eventCode)));
        return 0.0;
    }
    unsigned Flags() override { return LWMASTF_RECEIVE_NOTIFICATIONS; }
};

template <class T>
int activate(long version, LWGlobalFunc global, void* local, void* data) {
    return vexo::ShaderAdaptor<T, 6, 4>::Activate(version, global, local, data);
}

int probeActivate(long version, LWGlobalFunc global, void* local, void* data) {
    g_version = version;
    return activate<RenderShader<kProbe>>(version, global, local, data);
}

const st_ServerTagInfo kTags[] = {{"Render test", LWTAG_USERNAME}, {nullptr, 0}};

vexo::ServerRegistration g_servers[] = {
    {LWSHADER_HCLASS, "rtcolour", &activate<RenderShader<kColour>>, kTags},
    {LWSHADER_HCLASS, "rtthrow", &activate<RenderShader<kThrow>>, kTags},
    {LWSHADER_HCLASS, "rtshade", &activate<RenderShader<kShade>>, kTags},
    {LWSHADER_HCLASS, "rtshadeunclaimed", &activate<RenderShader<kShadeUnclaimed>>, kTags},
    {LWSHADER_HCLASS, "rtreplace", &activate<RenderShader<kReplace>>, kTags},
    {LWSHADER_HCLASS, "rtlight0", &activate<RenderShader<kLight, 0>>, kTags},
    {LWSHADER_HCLASS, "rtlight1", &activate<RenderShader<kLight, 1>>, kTags},
    {LWSHADER_HCLASS, "rtlight2", &activate<RenderShader<kLight, 2>>, kTags},
    {LWSHADER_HCLASS, "rtlight3", &activate<RenderShader<kLight, 3>>, kTags},
    {LWSHADER_HCLASS, "rtprobe", &probeActivate, kTags},
    {LWSHADER_HCLASS, "rtnotes", &activate<RenderShader<kNotes>>, kTags},
    {LWSHADER_HCLASS, "rtshadow", &activate<RenderShader<kShadow>>, kTags},
    {LWMASTER_HCLASS, "rtmaster", &vexo::MasterAdaptor<RenderMaster, 4, 4, 0>::Activate, kTags},
    {"RenderTestLog", "log", &module_log::activate, nullptr}};

}  // namespace
