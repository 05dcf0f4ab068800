/* "LW Item Info 3": the scene's items, their hierarchy, comments and servers. C only.
 *
 * Items are objects, lights and cameras; a null is an object without geometry. Every item has
 * a handle (LWItemID, never null) that stays fixed until the host renumbers the scene, when it
 * tells every handler the (old, new) pairs through its ChangeID callback. Ask type() for an
 * item's type: the handle says nothing about it.
 *
 * Items of one type are listed in scene order; the children of an item are listed in scene
 * order as well. Texts returned stay valid until the scene is edited or replaced; rendering
 * never edits it, so render threads may call every function here. */
#ifndef LWSDK_LWITEM_H
#define LWSDK_LWITEM_H

#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWITEMINFO_GLOBAL "LW Item Info 3"

/* Item types. */
#define LWI_OBJECT 0 /* geometry, or none for a null */
#define LWI_LIGHT 1  /* a light source */
#define LWI_CAMERA 2 /* a camera */
#define LWI_BONE 3   /* reserved: this host's scenes hold no bones */
#define LWI_NONE (-1)

/* Values param reads, each three doubles. Rotation is heading, pitch, bank in degrees; the
 * axes are the item's world X (right), Y (up) and Z (forward) directions. */
#define LWIP_POSITION 1   /* position relative to the parent */
#define LWIP_ROTATION 2   /* heading, pitch, bank relative to the parent, degrees */
#define LWIP_SCALE 3      /* scale relative to the parent */
#define LWIP_W_POSITION 4 /* position in the world */
#define LWIP_RIGHT 5      /* world direction of the item's +X axis, unit length */
#define LWIP_UP 6         /* world direction of the item's +Y axis, unit length */
#define LWIP_FORWARD 7    /* world direction of the item's +Z axis, unit length */

/* Bits of serverFlags. */
#define LWSRVF_DISABLED 1u /* the user switched the server off */

typedef struct st_LWItemInfo {
    /* First item of the type in scene order. owner selects bones of an object; for every
     * other type it must be LWITEM_NULL (a non-null owner then lists nothing). */
    LWItemID (*first)(int itemType, LWItemID owner);
    LWItemID (*next)(LWItemID item);         /* next item of the same type, or 0 */
    LWItemID (*firstChild)(LWItemID parent); /* first child of any type, or 0 */
    LWItemID (*nextChild)(LWItemID parent, LWItemID prevChild); /* the child after prevChild */
    LWItemID (*parent)(LWItemID item);  /* 0 for a top-level or unknown item */
    const char* (*name)(LWItemID item); /* the item's name; null when unknown */
    int (*type)(LWItemID item);         /* LWI_*; LWI_NONE when unknown */
    /* Writes a value (LWIP_*) at the time into vector[0..2]; 1 done, 0 unknown item or
     * value (vector untouched). The scenes are not animated: the time changes nothing. */
    int (*param)(LWItemID item, int which, LWTime time, double vector[3]);
    /* Comment line tagNumber (counted from 1) of the item; null past the last line. */
    const char* (*getTag)(LWItemID item, int tagNumber);
    /* Name of the server of the class at position index (from 1) on the item; LWITEM_NULL
     * asks the scene: "MasterHandler" lists the scene's masters. On an object,
     * "ShaderHandler" lists the shaders of its surfaces, surface by surface. Null past the
     * last one. */
    const char* (*server)(LWItemID item, const char* className, int index);
    /* LWSRVF_* bits of the same server; 0 when there is none. */
    unsigned (*serverFlags)(LWItemID item, const char* className, int index);
} st_LWItemInfo;

#ifdef __cplusplus
}
#endif

#endif
