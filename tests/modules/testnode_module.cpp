// A module built with the frame offering one node server, "testScale": its "Colour" output is
// the "Colour" input times the "Factor" input, each taken from its panel value when unconnected.
// The factor is stored in a "Factor" block. Lets the tests drive the node framework from inside
// a module loaded by the real host.
#include <vexo/node.h>
#include <vexo/persistence.h>

#include <string>

namespace {

const st_LWBlockIdent kScaleBlocks[] = {{LWID_MAKE('F', 'A', 'C', 'T'), "Factor"}, {0, nullptr}};

class ScaleNode : public vexo::XPanelNodeHandler {
  public:
    ScaleNode(void*, void* context, std::string*) : vexo::XPanelNodeHandler(context) {
        m_colourIn = addInput(LWNODE_COLOUR, "Colour", &NodeHandler::CB_NodeInputEvent);
        m_factorIn = addScalarInput("Factor", &NodeHandler::CB_NodeInputEvent);
        m_colourOut = addOutput(LWNODE_COLOUR, "Colour");
        setColour(30, 30, 80);
    }
    ScaleNode& operator=(const ScaleNode& other) {
        vexo::XPanelNodeHandler::operator=(other);
        m_factor = other.m_factor;
        return *this;
    }

    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override {
        if (!m_colourOut->is(output)) return;
        static const double kWhite[3] = {1.0, 1.0, 1.0};
        double colour[3];
        m_colourIn->evaluateVector(access, kWhite, colour);
        const double factor = m_factorIn->evaluateScalar(access, m_factor);
        for (double& c : colour) c *= factor;
        m_colourOut->setVector(value, colour);
    }

    const char* Save(const vexo::SaveState& state) override {
        state.writeFPBlk(kScaleBlocks[0], static_cast<float>(m_factor));
        return nullptr;
    }
    const char* Load(const vexo::LoadState& state) override {
        while (LWID id = state.findBlk(kScaleBlocks)) {
            float f = 0;
            if (id == kScaleBlocks[0].id && state.readFP(f)) m_factor = f;
            state.endBlk();
        }
        return nullptr;
    }

  private:
    std::unique_ptr<vexo::LWNodeInput> m_colourIn;
    std::unique_ptr<vexo::LWNodeInput> m_factorIn;
    std::unique_ptr<vexo::LWNodeOutput> m_colourOut;
    double m_factor = 2.0;
};

const st_ServerTagInfo kScaleTags[] = {
    {"Scale", LWTAG_USERNAME}, {"Tests", LWTAG_NODEGROUP}, {nullptr, 0}};

vexo::ServerRegistration scale(LWNODE_HCLASS, "testScale",
                               &vexo::NodeAdaptor<ScaleNode, 1, 1>::Activate, kScaleTags);

}  // namespace
