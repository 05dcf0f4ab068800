// The inputs and outputs of a node that confines lights (the light group node, the global light
// group node): "Colour" and "Material" in, the same out. Each output passes its own input on,
// evaluated while the node's group is in force.
#pragma once

#include <lwsdk/lwnode.h>
#include <vexo/node.h>

#include <memory>

class LightPorts {
  public:
    // The inputs, then the outputs, in the order the node shows them.
    void add(vexo::NodeHandler& node) {
        auto event = &vexo::NodeHandler::CB_NodeInputEvent;
        m_colourIn = node.addInput(LWNODE_COLOUR, "Colour", event);
        m_materialIn = node.addInput(LWNODE_MATERIAL, "Material", event);
        m_colourOut = node.addOutput(LWNODE_COLOUR, "Colour");
        m_materialOut = node.addOutput(LWNODE_MATERIAL, "Material");
    }

    // Render threads: the input of `output` into it. An unconnected input gives black, or a
    // zero material.
    void pass(LWNodalAccess_t* access, void* output, NodeValue value) const {
        if (m_materialOut->is(output)) {
            double material[LWNODE_MATERIAL_DOUBLES] = {};
            m_materialIn->evaluate(access, material);
            m_materialOut->setValue(value, material);
        } else if (m_colourOut->is(output)) {
            double colour[3] = {};
            m_colourIn->evaluate(access, colour);
            m_colourOut->setValue(value, colour);
        }
    }

  private:
    std::unique_ptr<vexo::LWNodeInput> m_colourIn, m_materialIn;
    std::unique_ptr<vexo::LWNodeOutput> m_colourOut, m_materialOut;
};
