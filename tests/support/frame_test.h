// A fixture base for the frame's tests against the real host in process: the host's session, with
// the frame pointed at it before the derived fixture's own members are made.
#pragma once

#include <gtest/gtest.h>
#include <vexo/server.h>
#include "lwhost/core/host.h"
#include "lwhost/session/session.h"
#include "lwhost/ui/dialogs.h"

#include <string>

class FrameTest : public ::testing::Test {
  protected:
    lwhost::Session session;
    lwhost::Host& host = session.host();
    bool connected = (vexo::SetSuperGlobal(lwhost::Host::globalFunction()), true);

    // Queues the path the host's file requester answers with next.
    void choose(const std::string& path) {
        lwhost::UserAction chosen;
        chosen.kind = lwhost::UserAction::Kind::File;
        chosen.text = path;
        session.dialogs().queue(chosen);
    }
};
