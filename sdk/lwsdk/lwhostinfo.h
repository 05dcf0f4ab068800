/* Host identity globals: "Product Info" and "System ID". C only.
 * Both are read with LWGLOBAL_READ; the returned pointer is itself the value (cut to 32 bits).
 * The bit layouts are those published for these names (1999-era header; the later model-year
 * bits 24-29 are not used). */
#ifndef LWSDK_LWHOSTINFO_H
#define LWSDK_LWHOSTINFO_H

#include "lwtypes.h"

#define LWPRODUCTINFO_GLOBAL "Product Info"
#define LWSYSTEMID_GLOBAL "System ID"

/* Product Info: bits 20-23 major version, 16-19 minor version, 4-15 build number, 0-3 the
 * product (LWPRODUCT_HOST for this host). */
#define LWPRODUCT_HOST 1u
#define LWPRODUCT_MAJOR(x) (((x) >> 20) & 0xFu)
#define LWPRODUCT_MINOR(x) (((x) >> 16) & 0xFu)
#define LWPRODUCT_BUILD(x) (((x) >> 4) & 0xFFFu)
#define LWPRODUCT_PRODUCT(x) ((x)&0xFu)
#define LWPRODUCT_MAKE(major, minor, build)                                \
    ((((uint32_t)(major)&0xFu) << 20) | (((uint32_t)(minor)&0xFu) << 16) | \
     (((uint32_t)(build)&0xFFFu) << 4) | LWPRODUCT_HOST)

/* System ID: bits 28-31 system type, 0-27 serial number. */
#define LWSYSTEM_TYPEBITS 0xF0000000u
#define LWSYSTEM_SERIALBITS 0x0FFFFFFFu
#define LWSYSTEM_LAYOUT 0x00000000u      /* type 0: scene layout, animation, rendering */
#define LWSYSTEM_MODELER 0x10000000u     /* type 1: the modelling application */
#define LWSYSTEM_SCREAMERNET 0x20000000u /* type 2: the network render node */
#define LWSYSTEM_OTHER 0x80000000u       /* type 8: any other program */
#define LWSYSTEM_TYPE(x) (((x) >> 28) & 0xFu)

#endif
