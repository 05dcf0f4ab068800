// The bundle's server records: whatever servers exist appear in the one fixed order, with their
// tags, and the module loads and unloads cleanly through the host.
#include <gtest/gtest.h>
#include "lwhost/core/host.h"
#include "lwhost/session/session.h"

#include <algorithm>
#include <string>
#include <vector>

#include "test_paths.h"

namespace {

TEST(LumavexServersTest, RecordsThatExistFollowTheFixedOrderWithTheirTags) {
    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::LoadResult result;
    lwhost::Module* module = host.loadModule(lumavexModule(), result);
    ASSERT_NE(module, nullptr) << result.message;
    std::vector<std::string> records;  // one line per record: class, name, tags
    for (const st_ServerRecord* r : module->records())
        records.push_back(std::string(r->className) + " " + r->name + " " +
                          lwhost::formatTags(r->tagInfo));

    // The plug-ins, then each node's handler and interface: server name, user name, menu group.
    const std::string shader = " qrvLumavex 0:\"qorvan lumavex\" 0x20000:\"qorvan lumavex\"";
    std::vector<std::string> expected = {
        "LayoutGeneric qrvLumavex 0:\"qorvan lumavex...\" 0x20000:\"qorvan lumavex\" "
        "0x30000:\"qorvan\" 0x40000:\"Global shading override\"",
        "MasterHandler" + shader,
        "MasterInterface" + shader,
        "ShaderHandler" + shader,
        "ShaderInterface" + shader,
        "Global qrvLumavexServices 0x20000:\"qorvan lumavex\" 0:\"qorvan lumavex\""};
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
        for (const char* className : {"NodeHandler ", "NodeInterface "})
            expected.push_back(className + std::string(node[0]) + " 0:\"" + node[1] +
                               "\" 0x20000:\"qorvan lumavex\" 0x70000:\"qorvan/" + node[2] + "\"");
    auto next = expected.begin();  // the records that exist, in this order
    for (const std::string& record : records) {
        next = std::find(next, expected.end(), record);
        ASSERT_NE(next, expected.end()) << record << ": unknown, out of order or other tags";
        ++next;
    }
    EXPECT_EQ(records.size(), expected.size()) << "every server is there";
    host.unloadModules();
    EXPECT_TRUE(host.globals().held().empty());
}

}  // namespace
