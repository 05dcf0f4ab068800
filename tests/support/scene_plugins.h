// The host's services with a scene, its globals and its plug-in instances: what the tests of the
// plug-in layer and above stand on.
#pragma once

#include "host_services.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/scene/scene_globals.h"
#include "test_paths.h"

struct ScenePlugins {
    explicit ScenePlugins(const lwhost::HostIdentity& identity = lwhost::HostIdentity())
        : services(identity) {}

    HostServices services;
    lwhost::Host& host = services.host;
    lwhost::Scene scene;
    lwhost::SceneGlobals globals{host, scene};
    lwhost::Plugins plugins{host, scene};
};
