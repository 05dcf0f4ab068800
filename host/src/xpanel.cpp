#include "lwhost/xpanel.h"

#include "lwhost/host.h"

namespace lwhost {

XPanels::XPanels(Host& host) : m_host(host) {}

XPanels::~XPanels() = default;

}  // namespace lwhost
