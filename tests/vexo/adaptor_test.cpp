// Handler classes and adaptors through the real host in process: version refusal, the
// modelling application, creation errors, and every row of the exception shield. The frame
// keeps module-wide state (the message service, the command function) for the life of the
// process; ctest runs each test in its own.
#include <gtest/gtest.h>
#include <vexo/adaptor.h>
#include "lwhost/core/host.h"
#include "lwhost/session/session.h"

#include <string>
#include <vector>

namespace {

int g_alive = 0;
void* const kRefuse = reinterpret_cast<void*>(1);
void* const kThrow = reinterpret_cast<void*>(2);

// Every operation throws when `fail` is set.
struct TestMaster : vexo::XPanelMasterHandler {
    TestMaster(void*, void* context, std::string* error) {
        if (context == kThrow) throw vexo::exception("cannot work");
        if (context == kRefuse) *error = "refused";
        ++g_alive;
        m_description = "test master";
    }
    TestMaster(const TestMaster& o) : vexo::XPanelMasterHandler(o), value(o.value), fail(o.fail) {
        ++g_alive;
    }
    TestMaster& operator=(const TestMaster& o) {
        if (o.fail) throw vexo::exception("copy failed");
        value = o.value;
        return *this;
    }
    ~TestMaster() override { --g_alive; }

    void check(const char* what) const {
        if (fail) throw vexo::exception(what);
    }
    const char* Load(const vexo::LoadState&) override { return check("load failed"), nullptr; }
    const char* Save(const vexo::SaveState&) override { return check("save failed"), nullptr; }
    const char* DescLn() override { return check("descln failed"), m_description.c_str(); }
    double Event(const st_LWMasterAccess*) override { return check("event failed"), 2.5; }
    unsigned Flags() override { return check("flags failed"), 7u; }
    const LWItemID* UseItems() override { return check("use failed"), m_tracker.useItems(); }
    void ChangeID(const LWItemID*) override { check("change failed"); }
    int Interface(int, st_LWInterface*, void*) override { return check("panel failed"), 0; }

    int value = 0;
    bool fail = false;
};

struct TestShader : vexo::XPanelShaderHandler {
    TestShader(void*, void* context, std::string*) : vexo::XPanelShaderHandler(context) {}
    void Evaluate(st_LWShaderAccess*) override {
        if (fail) throw vexo::exception("evaluate failed");
        ++evaluated;
    }
    unsigned Flags() override {
        if (fail) throw vexo::exception("flags failed");
        return 3;
    }
    const char* Init(int mode) override {
        if (fail) throw vexo::exception("init failed");
        return RenderHandler::Init(mode);
    }
    const char* NewTime(int frame, double time) override {
        if (fail) throw vexo::exception("newtime failed");
        return RenderHandler::NewTime(frame, time);
    }
    void Cleanup() override {
        if (fail) throw vexo::exception("cleanup failed");
    }
    bool fail = false;
    int evaluated = 0;
};

using Master = vexo::MasterAdaptor<TestMaster, 4, 4, 0>;
using Shader = vexo::ShaderAdaptor<TestShader, 6, 4>;

class AdaptorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_alive = 0;
        master.inst = &masterInst;
        master.item = &masterItem;
        shader.inst = &shaderInst;
        shader.item = &shaderItem;
        shader.rend = &shaderRend;
    }
    int activateMaster(int version = 4) {
        return Master::Activate(version, lwhost::Host::globalFunction(), &master, nullptr);
    }
    int activateShader(int version) {
        return Shader::Activate(version, lwhost::Host::globalFunction(), &shader, nullptr);
    }
    // The dialog's two lines, or empty when none was shown.
    std::pair<std::string, std::string> lastDialog() {
        auto all = host.messages().all();
        if (all.empty()) return {};
        return {all.back().line1, all.back().line2};
    }

    lwhost::Session session;
    lwhost::Host& host = session.host();
    st_LWInstanceFuncs masterInst{};
    st_LWItemFuncs masterItem{};
    st_LWMasterHandler master{};
    st_LWInstanceFuncs shaderInst{};
    st_LWItemFuncs shaderItem{};
    st_LWRenderFuncs shaderRend{};
    st_LWShaderHandler shader{};
};

TEST_F(AdaptorTest, VersionOutsideTheRangeIsRefusedAndFillsNothing) {
    EXPECT_EQ(activateMaster(3), LWACTIVATE_BADVERSION);
    EXPECT_EQ(activateMaster(5), LWACTIVATE_BADVERSION);
    EXPECT_EQ(master.event, nullptr);
    EXPECT_EQ(masterInst.create, nullptr);
    EXPECT_EQ(activateShader(3), LWACTIVATE_BADVERSION);
    EXPECT_EQ(activateShader(7), LWACTIVATE_BADVERSION);
    EXPECT_EQ(shader.evaluate, nullptr);
    for (int v : {4, 5, 6}) EXPECT_EQ(activateShader(v), LWACTIVATE_OK) << v;
    EXPECT_NE(shaderRend.newTime, nullptr);
    EXPECT_EQ(activateMaster(4), LWACTIVATE_OK);
    EXPECT_NE(masterItem.useItems, nullptr);
    EXPECT_EQ(master.type, 0);
}

TEST_F(AdaptorTest, ModelingApplicationLeavesItemCallbacksUnset) {
    lwhost::HostIdentity modeler;
    modeler.systemType = 1;
    host.setIdentity(modeler);
    ASSERT_EQ(activateMaster(), LWACTIVATE_OK);
    ASSERT_EQ(activateShader(6), LWACTIVATE_OK);
    EXPECT_EQ(masterItem.useItems, nullptr);
    EXPECT_EQ(masterItem.changeID, nullptr);
    EXPECT_EQ(shaderItem.useItems, nullptr);
    EXPECT_NE(masterInst.create, nullptr);
    EXPECT_NE(master.event, nullptr);
    EXPECT_NE(shaderRend.init, nullptr);
    EXPECT_NE(shader.flags, nullptr);
}

TEST_F(AdaptorTest, NullRecordsAreSkipped) {
    master.inst = nullptr;
    master.item = nullptr;
    EXPECT_EQ(activateMaster(), LWACTIVATE_OK);
    EXPECT_NE(master.flags, nullptr);
}

TEST_F(AdaptorTest, RefusingConstructorYieldsNoInstanceAndItsObjectIsGone) {
    ASSERT_EQ(activateMaster(), LWACTIVATE_OK);
    LWError err = nullptr;
    EXPECT_EQ(masterInst.create(nullptr, kRefuse, &err), nullptr);
    EXPECT_STREQ(err, "refused");
    EXPECT_EQ(g_alive, 0);
    err = nullptr;
    EXPECT_EQ(masterInst.create(nullptr, kThrow, &err), nullptr);
    EXPECT_STREQ(err, "cannot work");
    EXPECT_EQ(g_alive, 0);

    LWInstance inst = masterInst.create(nullptr, nullptr, &err);
    ASSERT_NE(inst, nullptr);
    EXPECT_EQ(g_alive, 1);
    EXPECT_STREQ(masterInst.descln(inst), "test master");
    masterInst.destroy(inst);
    masterInst.destroy(nullptr);
    masterItem.changeID(nullptr, nullptr);
    EXPECT_EQ(g_alive, 0);
}

TEST_F(AdaptorTest, ErrorResultsCarryTheMessageAndStayReadable) {
    ASSERT_EQ(activateMaster(), LWACTIVATE_OK);
    LWError err = nullptr;
    auto* inst = static_cast<TestMaster*>(masterInst.create(nullptr, nullptr, &err));
    auto* other = static_cast<TestMaster*>(masterInst.create(nullptr, nullptr, &err));
    other->value = 42;
    EXPECT_EQ(masterInst.copy(inst, other), nullptr);
    EXPECT_EQ(inst->value, 42);

    inst->fail = true;
    other->fail = true;
    LWError load = masterInst.load(inst, nullptr);
    LWError save = masterInst.save(inst, nullptr);
    LWError desc = masterInst.descln(inst);
    LWError copy = masterInst.copy(inst, other);
    // Each kind keeps its own copy: later failures of other kinds do not overwrite it.
    EXPECT_STREQ(load, "load failed");
    EXPECT_STREQ(save, "save failed");
    EXPECT_STREQ(desc, "descln failed");
    EXPECT_STREQ(copy, "copy failed");
    EXPECT_EQ(host.messages().size(), 0u);  // handed back, not shown
    masterInst.destroy(inst);
    masterInst.destroy(other);
}

TEST_F(AdaptorTest, CallbacksWithoutAnErrorResultShowTheDialogAndReturnTheTableValue) {
    ASSERT_EQ(activateMaster(), LWACTIVATE_OK);
    ASSERT_EQ(activateShader(6), LWACTIVATE_OK);
    LWError err = nullptr;
    auto* m = static_cast<TestMaster*>(masterInst.create(nullptr, nullptr, &err));
    auto* s = static_cast<TestShader*>(shaderInst.create(nullptr, nullptr, &err));
    st_LWMasterAccess access{};
    EXPECT_EQ(master.event(m, &access), 2.5);
    EXPECT_EQ(master.flags(m), 7u);
    m->fail = true;
    s->fail = true;

    struct Row {
        const char* header;
        const char* message;
    };
    auto expectDialog = [&](Row row) {
        auto [line1, line2] = lastDialog();
        EXPECT_EQ(line1, row.header);
        EXPECT_EQ(line2, row.message);
    };
    EXPECT_EQ(master.event(m, &access), 0.0);
    expectDialog({"An exception occured in MasterAdaptor::Event():", "event failed"});
    EXPECT_EQ(master.flags(m), 0u);
    expectDialog({"An exception occured in MasterAdaptor::Flags():", "flags failed"});
    EXPECT_EQ(masterItem.useItems(m), nullptr);
    expectDialog({"An exception occured in Item::UseItems():", "use failed"});
    masterItem.changeID(m, nullptr);
    expectDialog({"An exception occured in Item::ChangeID():", "change failed"});
    shader.evaluate(s, nullptr);
    expectDialog({"An exception occured in ShaderHandler::Evaluate():", "evaluate failed"});
    EXPECT_EQ(shader.flags(s), 0u);
    expectDialog({"An exception occured in ShaderHandler::Flags():", "flags failed"});
    shaderRend.cleanup(s);
    expectDialog({"An exception occured in Render::Cleanup():", "cleanup failed"});
    st_LWInterface local{m, nullptr, nullptr};
    EXPECT_EQ(vexo::XPanelAdaptor<TestMaster>::Interface(4, lwhost::Host::globalFunction(), &local,
                                                         nullptr),
              LWACTIVATE_FAILED);
    expectDialog({"An exception occured in Xpanel::Interface():", "panel failed"});

    // Render init and new time hand the message back instead.
    size_t shown = host.messages().size();
    EXPECT_STREQ(shaderRend.init(s, LWINIT_RENDER), "init failed");
    EXPECT_STREQ(shaderRend.newTime(s, 3, 0.1), "newtime failed");
    EXPECT_EQ(host.messages().size(), shown);

    masterInst.destroy(m);
    shaderInst.destroy(s);
}

TEST_F(AdaptorTest, WithoutTheMessageServiceFailuresStillReturnTheTableValue) {
    host.globals().withdraw("Info Messages 2");
    ASSERT_EQ(activateMaster(), LWACTIVATE_OK);
    LWError err = nullptr;
    auto* m = static_cast<TestMaster*>(masterInst.create(nullptr, nullptr, &err));
    m->fail = true;
    EXPECT_EQ(master.flags(m), 0u);
    EXPECT_EQ(master.event(m, nullptr), 0.0);
    EXPECT_EQ(host.messages().size(), 0u);
    masterInst.destroy(m);
}

TEST_F(AdaptorTest, PanelInterfaceRefusesOldVersionsAndIgnoresANullLocal) {
    LWGlobalFunc global = lwhost::Host::globalFunction();
    EXPECT_EQ(vexo::XPanelAdaptor<TestMaster>::Interface(3, global, nullptr, nullptr), 1);
    EXPECT_EQ(vexo::XPanelAdaptor<TestMaster>::Interface(4, global, nullptr, nullptr), 0);
}

TEST_F(AdaptorTest, ShaderKeepsTheContextItWasCreatedFor) {
    ASSERT_EQ(activateShader(5), LWACTIVATE_OK);
    int surface = 0;
    LWError err = nullptr;
    auto* s = static_cast<TestShader*>(shaderInst.create(nullptr, &surface, &err));
    EXPECT_EQ(s->context(), &surface);
    shader.evaluate(s, nullptr);
    EXPECT_EQ(s->evaluated, 1);
    EXPECT_EQ(shaderRend.init(s, LWINIT_RENDER), nullptr);
    shaderInst.destroy(s);
}

// --- commands

struct Opener : vexo::LayoutGenericHandler {
    using LayoutGenericHandler::LayoutGenericHandler;
    int Activate() override {
        editServer("MasterHandler", "qrvLumavex", LWITEM_NULL);
        return 0;
    }
};

// A scene whose masters the ApplyServer line adds to.
struct FakeScene {
    static std::vector<std::string>& masters() {
        static std::vector<std::string> list;
        return list;
    }
    static const char* server(LWItemID, const char* cls, int index) {
        if (std::string(cls) != "MasterHandler" || index < 1 ||
            index > static_cast<int>(masters().size()))
            return nullptr;
        return masters()[static_cast<size_t>(index - 1)].c_str();
    }
    static std::vector<std::string>& lines() {
        static std::vector<std::string> list;
        return list;
    }
    static int evaluate(void*, const char* line) {
        lines().push_back(line);
        if (std::string(line) == "ApplyServer MasterHandler qrvLumavex")
            masters().push_back("qrvLumavex");
        return 0;
    }
};

TEST_F(AdaptorTest, EditServerAppliesTheMasterOnlyWhenTheSceneLacksIt) {
    st_LWItemInfo info{};
    info.server = &FakeScene::server;
    host.globals().publish("LW Item Info 3", &info);
    st_LWLayoutGeneric local{};
    local.evaluate = &FakeScene::evaluate;
    FakeScene::masters() = {"Other"};
    FakeScene::lines().clear();

    EXPECT_EQ(vexo::LayoutGenericAdaptor<Opener>::Activate(1, lwhost::Host::globalFunction(),
                                                           &local, nullptr),
              0);
    EXPECT_EQ(FakeScene::lines(), (std::vector<std::string>{"ApplyServer MasterHandler qrvLumavex",
                                                            "EditServer MasterHandler 2"}));
    FakeScene::lines().clear();
    vexo::LayoutGenericAdaptor<Opener>::Activate(1, lwhost::Host::globalFunction(), &local,
                                                 nullptr);
    EXPECT_EQ(FakeScene::lines(), std::vector<std::string>{"EditServer MasterHandler 2"});
}

TEST_F(AdaptorTest, SendCommandFormsReachTheHostWhole) {
    vexo::SetSuperGlobal(lwhost::Host::globalFunction());
    EXPECT_EQ(vexo::SendCommand("StatusMsg", "Applying qrvLumavex to %s", "Floor"), LWCMD_OK);
    EXPECT_EQ(vexo::SendCommand(std::string("StatusMsg plain")), LWCMD_OK);
    EXPECT_EQ(vexo::SendCommand("StatusMsg raw", nullptr), LWCMD_OK);
    // Longer than the classic 512-byte buffers: sent whole, never cut or overrun.
    std::string longName(2000, 'x');
    EXPECT_EQ(vexo::SendCommand("StatusMsg", "Applying qrvLumavex to %s", longName.c_str()),
              LWCMD_OK);
    const auto& status = host.commands().statusMessages();
    ASSERT_EQ(status.size(), 4u);
    EXPECT_EQ(status[0], "Applying qrvLumavex to Floor");
    EXPECT_EQ(status[1], "plain");
    EXPECT_EQ(status[2], "raw");
    EXPECT_EQ(status[3], "Applying qrvLumavex to " + longName);
}

TEST(SendCommandTest, WithoutTheCommandFunctionBothFormsReturnTwo) {
    lwhost::Session session;
    lwhost::Host& host = session.host();
    host.globals().withdraw("LW Command Interface");
    vexo::SetSuperGlobal(lwhost::Host::globalFunction());
    EXPECT_EQ(vexo::SendCommand(std::string("StatusMsg x")), 2);
    EXPECT_EQ(vexo::SendCommand("StatusMsg", "%d", 1), 2);
    EXPECT_TRUE(host.commands().lines().empty());
}

}  // namespace
