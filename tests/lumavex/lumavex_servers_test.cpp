// The bundle's server records: whatever servers exist appear in the one fixed order, with
// their tags, and the module loads and unloads cleanly through the host.
#include <gtest/gtest.h>
#include "lwhost/core/host.h"
#include "lwhost/session/session.h"

#include <string>
#include <vector>

#include "test_paths.h"

namespace {

struct Expected {
    std::string className, name, tags;
};

// The plug-ins, then each node's handler and interface: server name, user name, menu group.
std::vector<Expected> order() {
    const std::string shader = "0:\"qorvan lumavex\" 0x20000:\"qorvan lumavex\"";
    std::vector<Expected> out = {
        {"LayoutGeneric", "qrvLumavex",
         "0:\"qorvan lumavex...\" 0x20000:\"qorvan lumavex\" 0x30000:\"qorvan\" "
         "0x40000:\"Global shading override\""},
        {"MasterHandler", "qrvLumavex", shader},
        {"MasterInterface", "qrvLumavex", shader},
        {"ShaderHandler", "qrvLumavex", shader},
        {"ShaderInterface", "qrvLumavex", shader},
        {"Global", "qrvLumavexServices", "0x20000:\"qorvan lumavex\" 0:\"qorvan lumavex\""}};
    const char* const nodes[][3] = {{"qrvFilter", "Filter", "Selection"},
                                    {"qrvBoolLogic", "Boolean Logic", "Boolean"},
                                    {"qrvExposeSurface", "Expose Surface", "lumavex(only!)"},
                                    {"qrvLightGroup", "Light Group", "Selection"},
                                    {"qrvGlobalLightGroup", "Global Light Group", "Selection"},
                                    {"qrvGetIntegerComment", "Get Integer Comment", "Tools"},
                                    {"qrvGetVectorComment", "Get Vector Comment", "Tools"},
                                    {"qrvGetColourComment", "Get Colour Comment", "Tools"},
                                    {"qrvGetScalarComment", "Get Scalar Comment", "Tools"}};
    for (const auto& node : nodes)
        for (const char* className : {"NodeHandler", "NodeInterface"})
            out.push_back({className, node[0],
                           "0:\"" + std::string(node[1]) +
                               "\" 0x20000:\"qorvan lumavex\" 0x70000:\"qorvan/" + node[2] + "\""});
    return out;
}

TEST(LumavexServersTest, RecordsThatExistFollowTheFixedOrderWithTheirTags) {
    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::LoadResult result;
    lwhost::Module* module = host.loadModule(lumavexModule(), result);
    ASSERT_NE(module, nullptr) << result.message;
    const std::vector<Expected> kOrder = order();
    size_t next = 0;  // position in kOrder to search from
    for (const st_ServerRecord* r : module->records()) {
        while (next < kOrder.size() &&
               !(kOrder[next].className == r->className && kOrder[next].name == r->name))
            ++next;
        ASSERT_LT(next, kOrder.size())
            << r->className << " " << r->name << " is unknown or out of order";
        EXPECT_EQ(lwhost::formatTags(r->tagInfo), kOrder[next].tags) << r->name;
        ++next;
    }
    host.unloadModules();
    EXPECT_TRUE(host.globals().held().empty());
}

}  // namespace
