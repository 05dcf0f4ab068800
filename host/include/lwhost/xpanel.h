// "LWXPanel": headless property panels that the host can drive as a user would.
#pragma once

namespace lwhost {

class Host;

class XPanels {
public:
    explicit XPanels(Host& host);
    ~XPanels();
    XPanels(const XPanels&) = delete;
    XPanels& operator=(const XPanels&) = delete;

private:
    Host& m_host;
};

}  // namespace lwhost
