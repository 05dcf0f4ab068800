// Handler classes and adaptors through the real host in process: version refusal, creation
// errors, and every row of the exception shield. The frame keeps module-wide state (the message
// service, the command function) for the life of the process; ctest runs each test in its own.
#include <gtest/gtest.h>
#include <vexo/adaptor.h>
#include <vexo/server.h>
#include "lwhost/core/host.h"
#include "lwhost/plugins/layout_commands.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/session/session.h"

#include <functional>
#include <string>
#include <vector>

#include "test_paths.h"

namespace {

using Strings = std::vector<std::string>;
int g_alive = 0;
void* const kRefuse = reinterpret_cast<void*>(1);
void* const kThrow = reinterpret_cast<void*>(2);
void* const kForeign = reinterpret_cast<void*>(3);

// A plain function answering text, as the services' slots do, that fails.
const char* failingText() {
    throw vexo::exception("slot failed");
}
extern const char kFailingText[] = "failingText";
// Exceptions of a type the frame does not know.
const char* foreignText() {
    throw 42;
}
extern const char kForeignText[] = "foreignText()";

// The test handlers' operations throw when `fail` is set, an int when `foreign` is.
struct Failing {
    bool fail = false;
    bool foreign = false;
    void check(const char* what) const {
        if (foreign) throw 42;
        if (fail) throw vexo::exception(what);
    }
};

struct TestMaster : vexo::XPanelMasterHandler, Failing {
    TestMaster(void*, void* context, std::string* error) {
        if (context == kThrow) throw vexo::exception("cannot work");
        if (context == kForeign) throw 42;
        if (context == kRefuse) *error = "refused";
        ++g_alive;
        m_description = "test master";
    }
    TestMaster& operator=(const TestMaster& o) {
        if (o.fail) throw vexo::exception("copy failed");
        value = o.value;
        return *this;
    }
    ~TestMaster() override { --g_alive; }
    const char* Load(const vexo::LoadState&) override { return check("load failed"), nullptr; }
    const char* Save(const vexo::SaveState&) override { return check("save failed"), nullptr; }
    const char* DescLn() override { return check("descln failed"), m_description.c_str(); }
    double Event(const st_LWMasterAccess*) override { return check("event failed"), 2.5; }
    unsigned Flags() override { return check("flags failed"), 7u; }
    const LWItemID* UseItems() override { return check("use failed"), m_tracker.useItems(); }
    void ChangeID(const LWItemID*) override { check("change failed"); }
    int Interface(int, st_LWInterface*, void*) override { return check("panel failed"), 0; }
    void* DataGet(unsigned) override { return check("get failed"), &value; }

    int value = 0;
};

struct TestShader : vexo::XPanelShaderHandler, Failing {
    TestShader(void*, void* context, std::string*) : vexo::XPanelShaderHandler(context) {}
    void Evaluate(st_LWShaderAccess*) override { check("evaluate failed"), ++evaluated; }
    unsigned Flags() override { return check("flags failed"), 3; }
    const char* Init(int mode) override { return check("init failed"), RenderHandler::Init(mode); }
    const char* NewTime(int frame, double time) override {
        return check("newtime failed"), RenderHandler::NewTime(frame, time);
    }
    void Cleanup() override { check("cleanup failed"); }
    int evaluated = 0;
};

using Master = vexo::MasterAdaptor<TestMaster, 4, 4, 0>;
using Shader = vexo::ShaderAdaptor<TestShader, 6, 4>;

class AdaptorTest : public ::testing::Test {
  protected:
    ~AdaptorTest() override { vexo::ForgetHost(); }

    int activateMaster(int version = 4) {
        return Master::Activate(version, lwhost::Host::globalFunction(), &master, nullptr);
    }
    int activateShader(int version = 6) {
        return Shader::Activate(version, lwhost::Host::globalFunction(), &shader, nullptr);
    }
    template <class T>
    T* create(st_LWInstanceFuncs& inst, void* context = nullptr) {
        LWError err = nullptr;
        return static_cast<T*>(inst.create(nullptr, context, &err));
    }
    // Each dialog's two lines, joined by " | ".
    Strings dialogs() {
        Strings out;
        for (const auto& m : host.messages().all()) out.push_back(m.line1 + " | " + m.line2);
        return out;
    }

    lwhost::Session session;
    lwhost::Host& host = session.host();
    st_LWInstanceFuncs masterInst{}, shaderInst{};
    st_LWItemFuncs masterItem{}, shaderItem{};
    st_LWRenderFuncs shaderRend{};
    st_LWMasterHandler master{&masterInst, &masterItem, -1, nullptr, nullptr};
    st_LWShaderHandler shader{&shaderInst, &shaderItem, &shaderRend, nullptr, nullptr};
};

TEST_F(AdaptorTest, VersionsOutsideTheRangeAreRefusedAndFillNothingAndNullRecordsAreSkipped) {
    for (int v : {3, 5}) EXPECT_EQ(activateMaster(v), LWACTIVATE_BADVERSION) << v;
    for (int v : {3, 7}) EXPECT_EQ(activateShader(v), LWACTIVATE_BADVERSION) << v;
    EXPECT_EQ(master.event, nullptr);
    EXPECT_EQ(masterInst.create, nullptr);
    EXPECT_EQ(shader.evaluate, nullptr);
    for (int v : {4, 5, 6}) EXPECT_EQ(activateShader(v), LWACTIVATE_OK) << v;
    EXPECT_EQ(activateMaster(4), LWACTIVATE_OK);

    st_LWMasterHandler bare{nullptr, nullptr, -1, nullptr, nullptr};
    EXPECT_EQ(Master::Activate(4, lwhost::Host::globalFunction(), &bare, nullptr), LWACTIVATE_OK);
    EXPECT_NE(bare.flags, nullptr);
    // The panel interface refuses old versions and ignores a null local record.
    using Panel = vexo::XPanelAdaptor<TestMaster>;
    EXPECT_EQ(Panel::Interface(3, lwhost::Host::globalFunction(), nullptr, nullptr), 1);
    EXPECT_EQ(Panel::Interface(4, lwhost::Host::globalFunction(), nullptr, nullptr), 0);
}

TEST_F(AdaptorTest, RefusingConstructorYieldsNoInstanceAndErrorResultsCarryTheMessageAndStay) {
    ASSERT_EQ(activateMaster(), LWACTIVATE_OK);
    LWError err = nullptr;
    for (auto [context, why] : {std::pair{kRefuse, "refused"}, std::pair{kThrow, "cannot work"}}) {
        EXPECT_EQ(masterInst.create(nullptr, context, &err), nullptr);
        EXPECT_STREQ(err, why);
    }
    EXPECT_EQ(g_alive, 0);

    LWInstance inst = masterInst.create(nullptr, nullptr, &err);
    ASSERT_NE(inst, nullptr);
    EXPECT_EQ(g_alive, 1);
    EXPECT_STREQ(masterInst.descln(inst), "test master");
    masterInst.destroy(inst);
    masterInst.destroy(nullptr);
    masterItem.changeID(nullptr, nullptr);
    EXPECT_EQ(g_alive, 0);

    auto* m = create<TestMaster>(masterInst);
    auto* other = create<TestMaster>(masterInst);
    other->value = 42;
    EXPECT_EQ(masterInst.copy(m, other), nullptr);
    EXPECT_EQ(m->value, 42);

    m->fail = other->fail = true;
    LWError load = masterInst.load(m, nullptr);
    LWError save = masterInst.save(m, nullptr);
    LWError desc = masterInst.descln(m);
    LWError copy = masterInst.copy(m, other);
    // Each kind keeps its own copy: later failures of other kinds do not overwrite it.
    EXPECT_STREQ(load, "load failed");
    EXPECT_STREQ(save, "save failed");
    EXPECT_STREQ(desc, "descln failed");
    EXPECT_STREQ(copy, "copy failed");
    EXPECT_EQ(host.messages().size(), 0u);  // handed back, not shown
    masterInst.destroy(m);
    masterInst.destroy(other);
}

TEST_F(AdaptorTest, CallbacksWithoutAnErrorResultShowTheDialogAndReturnTheTableValue) {
    ASSERT_EQ(activateMaster(), LWACTIVATE_OK);
    ASSERT_EQ(activateShader(), LWACTIVATE_OK);
    auto* m = create<TestMaster>(masterInst);
    int surface = 0;
    auto* s = create<TestShader>(shaderInst, &surface);
    st_LWMasterAccess access{};
    EXPECT_EQ(master.event(m, &access), 2.5);
    EXPECT_EQ(master.flags(m), 7u);
    EXPECT_EQ(s->context(), &surface) << "the shader keeps the context it was created for";
    shader.evaluate(s, nullptr);
    EXPECT_EQ(s->evaluated, 1);
    EXPECT_EQ(shaderRend.init(s, LWINIT_RENDER), nullptr);
    m->fail = s->fail = true;

    EXPECT_EQ(master.event(m, &access), 0.0);
    EXPECT_EQ(master.flags(m), 0u);
    EXPECT_EQ(masterItem.useItems(m), nullptr);
    masterItem.changeID(m, nullptr);
    shader.evaluate(s, nullptr);
    EXPECT_EQ(shader.flags(s), 0u);
    shaderRend.cleanup(s);
    st_LWInterface local{m, nullptr, nullptr, nullptr};
    EXPECT_EQ(vexo::XPanelAdaptor<TestMaster>::Interface(4, lwhost::Host::globalFunction(), &local,
                                                         nullptr),
              LWACTIVATE_FAILED);
    const std::string prefix = "An exception occured in ";
    EXPECT_EQ(dialogs(), (Strings{prefix + "MasterAdaptor::Event(): | event failed",
                                  prefix + "MasterAdaptor::Flags(): | flags failed",
                                  prefix + "Item::UseItems(): | use failed",
                                  prefix + "Item::ChangeID(): | change failed",
                                  prefix + "ShaderHandler::Evaluate(): | evaluate failed",
                                  prefix + "ShaderHandler::Flags(): | flags failed",
                                  prefix + "Render::Cleanup(): | cleanup failed",
                                  prefix + "Xpanel::Interface(): | panel failed"}));

    // Render init and new time hand the message back instead.
    EXPECT_STREQ(shaderRend.init(s, LWINIT_RENDER), "init failed");
    EXPECT_STREQ(shaderRend.newTime(s, 3, 0.1), "newtime failed");
    EXPECT_STREQ((vexo::ShieldedFunction<&failingText, kFailingText>::call()), "slot failed")
        << "a null answer would read as success";
    EXPECT_EQ(host.messages().size(), 8u);
    masterInst.destroy(m);
    shaderInst.destroy(s);
}

// Every kind of entry catches an exception of a foreign type: the host sees the entry's failure
// value, and the message (handed back or shown) names the entry.
TEST_F(AdaptorTest, ForeignExceptionsStopAtEveryKindOfEntryAndReadAsUnknown) {
    ASSERT_EQ(activateMaster(), LWACTIVATE_OK);
    ASSERT_EQ(activateShader(), LWACTIVATE_OK);
    auto* m = create<TestMaster>(masterInst);
    auto* s = create<TestShader>(shaderInst);
    m->foreign = s->foreign = true;
    const std::string unknown = "An unknown exception occured in ";
    const std::string dialog = "An exception occured in ";
    auto text = [](const char* t) { return std::string(t ? t : "(null)"); };
    st_LWInterface local{m, nullptr, nullptr, nullptr};
    struct Row {
        const char* kind;
        std::function<std::string()> call;
        std::string result;  // what the host sees
        std::string shown;   // the dialog, empty when the message is handed back
    };
    const std::vector<Row> rows = {
        {"create: *err, null result",
         [&] {
             LWError err = nullptr;
             LWInstance made = masterInst.create(nullptr, kForeign, &err);
             return text(made ? "made" : nullptr) + " " + text(err);
         },
         "(null) " + unknown + "Instance::Create()", ""},
        {"error text", [&] { return text(masterInst.load(m, nullptr)); },
         unknown + "Instance::Load()", ""},
        {"render error text", [&] { return text(shaderRend.init(s, LWINIT_RENDER)); },
         unknown + "Render::Init()", ""},
        {"table slot text",
         [&] { return text(vexo::ShieldedFunction<&foreignText, kForeignText>::call()); },
         unknown + "foreignText()", ""},
        {"dialog and value", [&] { return std::to_string(master.flags(m)); }, "0",
         dialog + "MasterAdaptor::Flags(): | " + unknown + "MasterAdaptor::Flags()"},
        {"dialog, render thread",
         [&] {
             shader.evaluate(s, nullptr);
             return std::string();
         },
         "", dialog + "ShaderHandler::Evaluate(): | " + unknown + "ShaderHandler::Evaluate()"},
        {"panel activate",
         [&] {
             return std::to_string(vexo::XPanelAdaptor<TestMaster>::Interface(
                 4, lwhost::Host::globalFunction(), &local, nullptr));
         },
         "4", dialog + "Xpanel::Interface(): | " + unknown + "Xpanel::Interface()"},
        {"panel callback",
         [&] {
             return text(static_cast<const char*>(
                 vexo::XPanelInterface::CB_DataGet(static_cast<vexo::XPanelInterface*>(m), 1)));
         },
         "(null)",
         dialog + "XPanelInterface::DataGet(): | " + unknown + "XPanelInterface::DataGet()"},
        {"module start",
         [&] {
             auto& hooks = vexo::LWServer::startupList();
             hooks.push_back([] { throw 7; });
             st_ServerRecord* records = vexo::LWServer::Startup();
             hooks.pop_back();
             return text(records ? "records" : nullptr);
         },
         "(null)", dialog + "LWServer::Startup(): | " + unknown + "LWServer::Startup()"},
    };
    for (const Row& row : rows) {
        const size_t before = host.messages().size();
        EXPECT_EQ(row.call(), row.result) << row.kind;
        const Strings shown = dialogs();
        EXPECT_EQ(shown.size(), before + (row.shown.empty() ? 0 : 1)) << row.kind;
        if (!row.shown.empty() && !shown.empty()) {
            EXPECT_EQ(shown.back(), row.shown) << row.kind;
        }
    }
    EXPECT_EQ(g_alive, 1) << "the throwing constructor left nothing behind";
    m->foreign = s->foreign = false;
    masterInst.destroy(m);
    shaderInst.destroy(s);
}

// The frame keeps the message service and the command function of the first host it meets (each
// test makes it forget its host), so these need a host that never had them.
TEST_F(AdaptorTest, WithoutMessagesOrCommandsFailuresReturnTheTableValueAndCommandsReturnTwo) {
    host.globals().withdraw("Info Messages 2");
    host.globals().withdraw("LW Command Interface");
    ASSERT_EQ(activateMaster(), LWACTIVATE_OK);
    auto* m = create<TestMaster>(masterInst);
    m->fail = true;
    EXPECT_EQ(master.flags(m), 0u);
    EXPECT_EQ(master.event(m, nullptr), 0.0);
    EXPECT_EQ(host.messages().size(), 0u);
    masterInst.destroy(m);

    // Both forms of SendCommand return 2 without the command function.
    EXPECT_EQ(vexo::SendCommand(std::string("StatusMsg x")), 2);
    EXPECT_EQ(vexo::SendCommand("StatusMsg", "%d", 1), 2);
    EXPECT_TRUE(host.commands().lines().empty());
}

// --- commands

// The test module's generic server opens its master's settings, applying the master first when
// the scene lacks it.
TEST_F(AdaptorTest, EditServerAppliesTheMasterOnlyWhenTheSceneLacksIt) {
    std::string error;
    ASSERT_TRUE(session.loadModule(testModule("testserver_module"), error)) << error;
    ASSERT_TRUE(session.plugins().readScene(
        "LWHostScene 1\nPlugin MasterHandler Other\nEndPlugin\n", "t.lws", "", error))
        << error;
    for (int run = 0; run < 2; ++run) EXPECT_EQ(session.commands().runGeneric("testgeneric"), 0);
    EXPECT_EQ(host.commands().lines(),
              (Strings{"ApplyServer MasterHandler testmaster", "EditServer MasterHandler 2",
                       "EditServer MasterHandler 2"}));
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
    EXPECT_EQ(host.commands().statusMessages(),
              (Strings{"Applying qrvLumavex to Floor", "plain", "raw",
                       "Applying qrvLumavex to " + longName}));
}

}  // namespace
