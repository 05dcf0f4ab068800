// Second unit of the ordered-registration module: its record follows those of the first unit.
#include <vexo/server.h>

namespace {
int activateB(long, LWGlobalFunc global, void*, void*) {
    vexo::SetSuperGlobal(global);
    return LWACTIVATE_OK;
}
vexo::ServerRegistration three("OrderHandler", "b1", activateB, nullptr);
}  // namespace
