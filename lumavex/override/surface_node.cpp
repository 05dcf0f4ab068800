// The expose-surface node and its server records.
#include "surface_node.h"

#include <vexo/adaptor.h>

#include "toolkit/logo.h"
#include "toolkit/node_server.h"
#include "toolkit/panel_table.h"

const char* const SurfaceNode::outputNames[] = {
    "Colour",
    "Diffuse",
    "Luminosity",
    "Specular",
    "Glossiness",
    "Reflection",
    "Transparency",
    "Refraction Index",
    "Translucency",
    "Colour Highlights",
    "Colour Filter",
    "Diffuse Sharpness",
    "Additive Transparency",
    "Reflection Blurring",
    "Refraction Blurring",
};

namespace {

// The field each output after the colour hands out; the glossiness, none: it is the inverse of
// the roughness.
using Field = double st_LWShaderAccess::*;
constexpr Field kScalarFields[SurfaceNode::outputCount] = {
    nullptr,  // the colour
    &st_LWShaderAccess::diffuse,
    &st_LWShaderAccess::luminous,
    &st_LWShaderAccess::specular,
    nullptr,  // the glossiness
    &st_LWShaderAccess::mirror,
    &st_LWShaderAccess::transparency,
    &st_LWShaderAccess::eta,
    &st_LWShaderAccess::translucency,
    &st_LWShaderAccess::colorHL,
    &st_LWShaderAccess::colorFL,
    &st_LWShaderAccess::difSharpness,
    &st_LWShaderAccess::addTransparency,
    &st_LWShaderAccess::reflectionBlur,
    &st_LWShaderAccess::refractionBlur,
};

double scalarOf(const st_LWShaderAccess& sa, int output) {
    const Field field = kScalarFields[output];
    return field ? sa.*field
                 : 1.0 / sa.roughness;  // a roughness of 0 gives infinity, as the host would
}

}  // namespace

SurfaceNode::SurfaceNode(void*, void* context, std::string*) : vexo::XPanelNodeHandler(context) {
    m_description = "qorvan lumavex";
    m_outputs[0] = addOutput(LWNODE_COLOUR, outputNames[0]);
    for (int i = 1; i < outputCount; ++i) m_outputs[i] = addScalarOutput(outputNames[i]);
    setColour(30, 30, 80);
    setPreviewType(NPT_OFF);  // it shows the sample being rendered: nothing to preview alone
}

void SurfaceNode::Evaluate(LWNodalAccess_t*, void* output, NodeValue value) {
    // The copy the services took of this thread's sample before the override ran.
    const st_LWShaderAccess* sa =
        m_services.available() ? m_services.getGlobal()->ns_getShaderAccess() : nullptr;
    if (!sa) return;
    if (m_outputs[0]->is(output)) {
        m_outputs[0]->setVector(value, sa->color);
        return;
    }
    for (int i = 1; i < outputCount; ++i) {
        if (m_outputs[i]->is(output)) {
            m_outputs[i]->setScalar(value, scalarOf(*sa, i));
            return;
        }
    }
}

int SurfaceNode::Interface(int, st_LWInterface* local, void*) {
    if (!m_panel.id()) {
        static PanelTables tables{
            logoRow(kLogo),
        };
        vexo::XPanelHints hints;
        hints.draw(kLogo, &LWXPanelControlDrawFunc);
        CreateViewXPanel(tables.controls(), tables.values(), hints.list(), true);
    }
    if (local) local->panel = m_panel.id();
    return 0;
}

void SurfaceNode::ControlDraw(unsigned id, vexo::XPDrawArea& area) {
    if (id == kLogo) drawLogo(area);
}

namespace {

const NodeServer<SurfaceNode> g_server("qrvExposeSurface", "Expose Surface",
                                       "qorvan/lumavex(only!)");

}  // namespace
