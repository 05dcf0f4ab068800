// The core with every service up to the user interface, made and torn down in the session's
// order: what the tests of the layers from the interface up need of the layers below, without
// the session. Fixtures declare their scene and plug-ins after it, so those go first.
#pragma once

#include "lwhost/core/host.h"
#include "lwhost/io/fileio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/envelopes.h"
#include "lwhost/ui/dialogs.h"
#include "lwhost/ui/panels.h"
#include "lwhost/ui/xpanel.h"

struct HostServices {
    explicit HostServices(const lwhost::HostIdentity& identity = lwhost::HostIdentity())
        : host(identity) {}
    // Host editors go before the modules that supply their nodes; the modules go while every
    // service still exists.
    ~HostServices() {
        nodes.destroyHostEditors();
        host.unloadModules();
    }

    lwhost::Host host;
    lwhost::FileIO fileIO{host};
    lwhost::XPanels xpanels{host};
    lwhost::Envelopes envelopes{host};
    lwhost::ClassicPanels classicPanels{host};
    lwhost::Dialogs dialogs{host};
    lwhost::NodeSystem nodes{host};
};
