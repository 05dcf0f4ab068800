// A fixture base for the frame's tests against the real host in process: the host's session, with
// the frame pointed at it before the derived fixture's own members are made, and made to forget it
// before the host goes.
#pragma once

#include <gtest/gtest.h>
#include <vexo/server.h>
#include "lwhost/core/host.h"
#include "lwhost/session/session.h"
#include "lwhost/ui/dialogs.h"

#include <string>

// Makes the frame forget its host when it goes out of scope: declared right after the host, in a
// test that hands the frame a host without FrameTest.
struct ForgetsHost {
    ForgetsHost() = default;
    ForgetsHost(const ForgetsHost&) = delete;
    ForgetsHost& operator=(const ForgetsHost&) = delete;
    ~ForgetsHost() { vexo::ForgetHost(); }
};

class FrameTest : public ::testing::Test {
  protected:
    ~FrameTest() override { vexo::ForgetHost(); }

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
