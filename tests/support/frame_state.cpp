// In programs that link the frame, a test that hands it a host must make it forget that host
// (vexo::ForgetHost) before the host goes: a global function or message service left behind
// would reach a dead host, or change what the next test in the same process sees.
#include <gtest/gtest.h>
#include <vexo/server.h>

namespace {

struct FrameState : ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        if (vexo::SuperGlobal || vexo::messageService()) {
            ADD_FAILURE() << "the test left the frame holding a host (vexo::ForgetHost)";
            vexo::ForgetHost();
        }
    }
};

const bool g_installed =
    (::testing::UnitTest::GetInstance()->listeners().Append(new FrameState), true);

}  // namespace
