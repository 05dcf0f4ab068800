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

#include "lwchannel.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWITEMINFO_GLOBAL "LW Item Info 3"

/* The layout is the one the host publishes under this name (as hosts before 9 publish it), up to
 * serverFlags; the members after it (controller, flags, lookAhead, goalStrength, stiffness)
 * are left out. */

typedef int LWItemType;  /* LWI_* */
typedef int LWItemParam; /* LWIP_* */

/* Item types. */
#define LWI_OBJECT 0 /* geometry, or none for a null */
#define LWI_LIGHT 1  /* a light source */
#define LWI_CAMERA 2 /* a camera */
#define LWI_BONE 3   /* reserved: this host's scenes hold no bones */
#define LWI_NONE (-1)

/* Values param reads, each three doubles. Rotation is heading, pitch, bank in degrees. The
 * plain axes are the item's +X (right), +Y (up) and +Z (forward) directions in its parent's
 * coordinates; the W_ ones are the same in the world. Directions are of unit length. */
#define LWIP_POSITION 1   /* position relative to the parent */
#define LWIP_RIGHT 2      /* +X axis in the parent's coordinates */
#define LWIP_UP 3         /* +Y axis in the parent's coordinates */
#define LWIP_FORWARD 4    /* +Z axis in the parent's coordinates */
#define LWIP_ROTATION 5   /* heading, pitch, bank relative to the parent, degrees */
#define LWIP_SCALING 6    /* scale relative to the parent */
#define LWIP_PIVOT 7      /* pivot point in the item's coordinates (this host: the origin) */
#define LWIP_W_POSITION 8 /* position in the world */
#define LWIP_W_RIGHT 9    /* +X axis in the world */
#define LWIP_W_UP 10      /* +Y axis in the world */
#define LWIP_W_FORWARD 11 /* +Z axis in the world */
#define LWIP_PIVOT_ROT 12 /* pivot rotation, degrees (this host: none) */

/* Bits of serverFlags. */
#define LWSRVF_DISABLED 1u /* the user switched the server off */

typedef struct st_LWItemInfo {
    /* First item of the type in scene order. owner selects bones of an object; for every
     * other type it must be LWITEM_NULL (a non-null owner then lists nothing). */
    LWItemID (*first)(LWItemType type, LWItemID owner);
    LWItemID (*next)(LWItemID item);         /* next item of the same type, or 0 */
    LWItemID (*firstChild)(LWItemID parent); /* first child of any type, or 0 */
    LWItemID (*nextChild)(LWItemID parent, LWItemID prevChild); /* the child after prevChild */
    LWItemID (*parent)(LWItemID item);  /* 0 for a top-level or unknown item */
    LWItemID (*target)(LWItemID item);  /* the item it points at; this host has none: 0 */
    LWItemID (*goal)(LWItemID item);    /* its IK goal; this host has none: 0 */
    LWItemType (*type)(LWItemID item);  /* LWI_*; LWI_NONE when unknown */
    const char* (*name)(LWItemID item); /* the item's name; null when unknown */
    /* Writes a value (LWIP_*) at the time into vector[0..2]. An unknown item or value writes
     * zeros. The scenes are not animated: the time changes nothing. */
    void (*param)(LWItemID item, LWItemParam which, LWTime time, LWDVector vector);
    /* Limits of a value into min and max; the bits of the axes that have one. This host sets
     * no limits: 0, min and max untouched. */
    unsigned int (*limits)(LWItemID item, LWItemParam which, LWDVector min, LWDVector max);
    /* Comment line tagNumber (counted from 1) of the item; null past the last line. */
    const char* (*getTag)(LWItemID item, int tagNumber);
    /* Sets a comment line. This host's comments come from the scene file only: no change. */
    void (*setTag)(LWItemID item, int tagNumber, const char* text);
    /* The item's channel group; this host keeps item channels apart from it: null. */
    LWChanGroupID (*chanGroup)(LWItemID item);
    /* Name of the server of the class at position index (from 1) on the item; LWITEM_NULL
     * asks the scene: "MasterHandler" lists the scene's masters. On an object,
     * "ShaderHandler" lists the shaders of its surfaces, surface by surface. Null past the
     * last one. */
    const char* (*server)(LWItemID item, const char* className, int index);
    /* LWSRVF_* bits of the same server; 0 when there is none. */
    unsigned int (*serverFlags)(LWItemID item, const char* className, int index);
} st_LWItemInfo;

#ifdef __cplusplus
}
#endif

#endif
