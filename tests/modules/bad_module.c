/* Malformed modules: one source, one defect per build (BAD_SYNC, BAD_VERSION, BAD_MACHINE,
 * NO_STARTUP, NULL_STARTUP, NO_DESCRIPTOR). */
#include <lwsdk/lwmodule.h>

#include <stddef.h>

__attribute__((unused)) static st_ServerRecord records[] = {{NULL, NULL, NULL, NULL}};
__attribute__((unused)) static st_ServerRecord* startup(void) {
#ifdef NULL_STARTUP
    return NULL;
#else
    return records;
#endif
}
__attribute__((unused)) static void shutdown(st_ServerRecord* a) {
    (void)a;
}

#ifdef NO_DESCRIPTOR
__attribute__((visibility("default"))) int not_a_module_record = 1;
#else
__attribute__((visibility("default"))) st_ModuleDescriptor _mod_descrip = {
#ifdef BAD_SYNC
    0x12345678u,
#else
    LWMODULE_SYNC,
#endif
#ifdef BAD_VERSION
    2u,
#else
    LWMODULE_SYSVERSION,
#endif
#ifdef BAD_MACHINE
    0x200u,
#else
    LWMODULE_MACHINE,
#endif
#ifdef NO_STARTUP
    NULL,
#else
    startup,
#endif
    shutdown,    NULL};
#endif
