// The host's services with a scene, its globals and its plug-in instances: what the tests of the
// plug-in layer and above stand on.
#pragma once

#include <gtest/gtest.h>
#include "lwhost/plugins/plugins.h"
#include "lwhost/scene/scene_globals.h"

#include <string>

#include "host_services.h"
#include "test_paths.h"

struct ScenePlugins {
    explicit ScenePlugins(const lwhost::HostIdentity& identity = lwhost::HostIdentity())
        : services(identity) {}

    // Loads one of the tests' modules; the loader's message when it fails.
    ::testing::AssertionResult loadTestModule(const std::string& name) {
        lwhost::LoadResult result;
        if (host.loadModule(testModule(name), result)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << result.message;
    }

    HostServices services;
    lwhost::Host& host = services.host;
    lwhost::Scene scene;
    lwhost::SceneGlobals globals{host, scene};
    lwhost::Plugins plugins{host, scene};
};
