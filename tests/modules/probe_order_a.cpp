// First unit of the ordered-registration module: two records.
#include <vexo/server.h>

namespace {
int activateA(long, LWGlobalFunc global, void*, void*) {
    vexo::SetSuperGlobal(global);
    return LWACTIVATE_OK;
}
const st_ServerTagInfo kTags[] = {{"A", LWTAG_USERNAME}, {"grp/A", LWTAG_NODEGROUP}, {nullptr, 0}};
vexo::ServerRegistration one("OrderHandler", "a1", activateA, kTags);
vexo::ServerRegistration two("OrderInterface", "a1", activateA, kTags);
}  // namespace
