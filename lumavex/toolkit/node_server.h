// A node server of the bundle: its handler and interface records under one name, with the
// bundle's tags (the name users see, the "qorvan lumavex" button, the node editor's group).
// Each node unit declares one per node class; it registers both records while the unit's
// statics initialise, in the order the units are linked.
#pragma once

#include <lwsdk/lwmodule.h>
#include <lwsdk/lwnode.h>
#include <vexo/adaptor.h>
#include <vexo/server.h>

template <class Node>
class NodeServer {
  public:
    NodeServer(const char* name, const char* userName, const char* group)
        : m_tags{{userName, LWTAG_USERNAME},
                 {"qorvan lumavex", LWTAG_BUTTONNAME},
                 {group, LWTAG_NODEGROUP},
                 {nullptr, 0}} {
        vexo::LWServer::AddPlugin(LWNODE_HCLASS, name, &vexo::NodeAdaptor<Node, 1, 1>::Activate,
                                  m_tags);
        vexo::LWServer::AddPlugin(LWNODE_ICLASS, name, &vexo::XPanelAdaptor<Node>::Interface,
                                  m_tags);
    }
    NodeServer(const NodeServer&) = delete;
    NodeServer& operator=(const NodeServer&) = delete;

  private:
    st_ServerTagInfo m_tags[4];  // the records point here for the module's life
};
