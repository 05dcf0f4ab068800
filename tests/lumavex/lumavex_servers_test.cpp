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
    const char* className;
    const char* name;
    const char* tags;
};

const char* const kShaderTags = "0:\"qorvan lumavex\" 0x20000:\"qorvan lumavex\"";
#define NODE_TAGS(user, group) "0:\"" user "\" 0x20000:\"qorvan lumavex\" 0x70000:\"" group "\""

const std::vector<Expected> kOrder = {
    {"LayoutGeneric", "qrvLumavex",
     "0:\"qorvan lumavex...\" 0x20000:\"qorvan lumavex\" 0x30000:\"qorvan\" "
     "0x40000:\"Global shading override\""},
    {"MasterHandler", "qrvLumavex", kShaderTags},
    {"MasterInterface", "qrvLumavex", kShaderTags},
    {"ShaderHandler", "qrvLumavex", kShaderTags},
    {"ShaderInterface", "qrvLumavex", kShaderTags},
    {"Global", "qrvLumavexServices", "0x20000:\"qorvan lumavex\" 0:\"qorvan lumavex\""},
    {"NodeHandler", "qrvFilter", NODE_TAGS("Filter", "qorvan/Selection")},
    {"NodeInterface", "qrvFilter", NODE_TAGS("Filter", "qorvan/Selection")},
    {"NodeHandler", "qrvBoolLogic", NODE_TAGS("Boolean Logic", "qorvan/Boolean")},
    {"NodeInterface", "qrvBoolLogic", NODE_TAGS("Boolean Logic", "qorvan/Boolean")},
    {"NodeHandler", "qrvExposeSurface", NODE_TAGS("Expose Surface", "qorvan/lumavex(only!)")},
    {"NodeInterface", "qrvExposeSurface", NODE_TAGS("Expose Surface", "qorvan/lumavex(only!)")},
    {"NodeHandler", "qrvLightGroup", NODE_TAGS("Light Group", "qorvan/Selection")},
    {"NodeInterface", "qrvLightGroup", NODE_TAGS("Light Group", "qorvan/Selection")},
    {"NodeHandler", "qrvGlobalLightGroup", NODE_TAGS("Global Light Group", "qorvan/Selection")},
    {"NodeInterface", "qrvGlobalLightGroup", NODE_TAGS("Global Light Group", "qorvan/Selection")},
    {"NodeHandler", "qrvGetIntegerComment", NODE_TAGS("Get Integer Comment", "qorvan/Tools")},
    {"NodeInterface", "qrvGetIntegerComment", NODE_TAGS("Get Integer Comment", "qorvan/Tools")},
    {"NodeHandler", "qrvGetVectorComment", NODE_TAGS("Get Vector Comment", "qorvan/Tools")},
    {"NodeInterface", "qrvGetVectorComment", NODE_TAGS("Get Vector Comment", "qorvan/Tools")},
    {"NodeHandler", "qrvGetColourComment", NODE_TAGS("Get Colour Comment", "qorvan/Tools")},
    {"NodeInterface", "qrvGetColourComment", NODE_TAGS("Get Colour Comment", "qorvan/Tools")},
    {"NodeHandler", "qrvGetScalarComment", NODE_TAGS("Get Scalar Comment", "qorvan/Tools")},
    {"NodeInterface", "qrvGetScalarComment", NODE_TAGS("Get Scalar Comment", "qorvan/Tools")},
};

TEST(LumavexServersTest, RecordsThatExistFollowTheFixedOrderWithTheirTags) {
    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::LoadResult result;
    lwhost::Module* module = host.loadModule(lumavexModule(), result);
    ASSERT_NE(module, nullptr) << result.message;
    size_t next = 0;  // position in kOrder to search from
    for (const st_ServerRecord* r : module->records()) {
        while (next < kOrder.size() && !(std::string(kOrder[next].className) == r->className &&
                                         std::string(kOrder[next].name) == r->name))
            ++next;
        ASSERT_LT(next, kOrder.size())
            << r->className << " " << r->name << " is unknown or out of order";
        EXPECT_EQ(lwhost::formatTags(r->tagInfo), kOrder[next].tags) << r->name;
        ++next;
    }
    EXPECT_EQ(module->records().size(), kOrder.size()) << "every server is there";
    host.unloadModules();
    EXPECT_TRUE(host.globals().held().empty());
}

}  // namespace
