/* "Animation Envelopes": channel groups, envelopes and their keys. C only.
 *
 * The record follows the host's published "Animation Envelopes" table, as the 1999-banner
 * headers that carry that name give it (twenty entries; the later "Animation Envelopes 4" adds
 * more after them).
 *
 * An envelope holds keys (time, value) in time order, at most one per time. Its value at a
 * time is linear between the two keys around it and constant before the first and after the
 * last key; with one key it is that key's value everywhere; with no key it is the envelope's
 * own constant value (0 for a new envelope; an animated parameter sets it, "LWVParmFuncs 2").
 * Keys are walked with nextKey(env, null) for the first and prevKey(env, null) for the last;
 * their number is read with egGet and LWENVTAG_KEYCOUNT.
 *
 * load and save read and write the envelope as blocks at the current level of a block file
 * ("File IO"): one "NKEY" "KeyCount" leaf block holding the number of keys as a u32, one
 * "VALU" "Value" leaf block holding the constant as a float, then one "KEY " "Key" leaf block
 * per key holding time and value as two floats. Loading replaces the keys; a missing "VALU"
 * keeps the constant and a level holding none of the blocks changes nothing. It returns an
 * error text and leaves the envelope unchanged when a block is damaged or the keys read do not
 * match the count. Both return null on success. */
#ifndef LWSDK_LWENVELOPE_H
#define LWSDK_LWENVELOPE_H

#include "lwchannel.h"
#include "lwhandler.h"
#include "lwio.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWENVELOPEFUNCS_GLOBAL "Animation Envelopes"

typedef struct st_LWEnvKey* LWEnvKeyID; /* one key of one envelope */
typedef LWEnvKeyID LWEnvKeyframeID;

/* What keyGet and keySet read or write. This host keeps linear keys only: it answers
 * LWKEY_VALUE and LWKEY_TIME, whose value pointer points at a double, and refuses the other
 * tags (0). */
typedef enum en_LWKeyTag {
    LWKEY_VALUE = 0, /* the key's value */
    LWKEY_TIME = 1,  /* the key's time; a key cannot move onto another key's time */
    LWKEY_SHAPE = 2,
    LWKEY_TENSION = 3,
    LWKEY_CONTINUITY = 4,
    LWKEY_BIAS = 5,
    LWKEY_PARAM_0 = 6,
    LWKEY_PARAM_1 = 7,
    LWKEY_PARAM_2 = 8,
    LWKEY_PARAM_3 = 9
} LWKeyTag;

/* What egGet and egSet read or write about an envelope. */
#define LWENVTAG_KEYCOUNT 5 /* int: the number of keys (read only) */

/* Change notice for an envelope. This host accepts none (setEnvEvent answers 0). */
typedef int (*LWEnvEventFunc)(void* data, LWEnvelopeID envelope, int event, void* eventData);

typedef struct st_LWEnvelopeFuncs {
    /* A new envelope as a channel named name in group (null: in no group) holding values of
     * kind type (LWET_*); no keys, constant 0. Null for a null name, an unknown group or type. */
    LWEnvelopeID (*create)(LWChanGroupID group, const char* name, int type);
    /* Destroys an envelope made by create; one that belongs to a parameter is left alone. */
    void (*destroy)(LWEnvelopeID envelope);
    /* A new group under parent (null: top level); null for a null name or unknown parent.
     * Names need not be unique. */
    LWChanGroupID (*createGroup)(LWChanGroupID parent, const char* name);
    /* Destroys the group and every group below it. Their channels are not destroyed: they
     * move to no group and keep working, so parameters in the group stay valid. */
    void (*destroyGroup)(LWChanGroupID group);
    LWError (*copy)(LWEnvelopeID to, LWEnvelopeID from); /* keys and constant; null: done */
    LWError (*load)(LWEnvelopeID envelope, const st_LWLoadState* load); /* null: loaded */
    LWError (*save)(LWEnvelopeID envelope, const st_LWSaveState* save); /* null: saved */
    double (*evaluate)(LWEnvelopeID envelope, LWTime time); /* 0 for an unknown envelope */
    /* Opens the host's envelope editor: this host has none and answers 0. */
    int (*edit)(LWChanGroupID group, LWEnvelopeID envelope, int flags, void* data);
    /* A counter that moves on every change of the envelope's keys or constant. */
    int (*envAge)(LWEnvelopeID envelope);
    /* Sets a key at time: a new key, or the existing key at that time takes the value.
     * Null for an unknown envelope or a time or value that is not finite. */
    LWEnvKeyframeID (*createKey)(LWEnvelopeID envelope, LWTime time, double value);
    void (*destroyKey)(LWEnvelopeID envelope, LWEnvKeyframeID key);
    LWEnvKeyframeID (*findKey)(LWEnvelopeID envelope, LWTime time); /* the key exactly there */
    LWEnvKeyframeID (*nextKey)(LWEnvelopeID envelope, LWEnvKeyframeID key); /* null: first */
    LWEnvKeyframeID (*prevKey)(LWEnvelopeID envelope, LWEnvKeyframeID key); /* null: last */
    /* 1 set, 0 for an unknown envelope, key or tag, or a value that is not finite. */
    int (*keySet)(LWEnvelopeID envelope, LWEnvKeyframeID key, LWKeyTag tag, void* value);
    /* 1 read, 0 for an unknown envelope, key or tag. */
    int (*keyGet)(LWEnvelopeID envelope, LWEnvKeyframeID key, LWKeyTag tag, void* value);
    int (*setEnvEvent)(LWEnvelopeID envelope, LWEnvEventFunc func, void* data);
    /* LWENVTAG_* of the envelope (group is not used by any tag this host knows). egGet answers
     * 1 when it wrote the value, egSet 1 when it took it; 0 otherwise. */
    int (*egSet)(LWEnvelopeID envelope, LWChanGroupID group, int tag, void* value);
    int (*egGet)(LWEnvelopeID envelope, LWChanGroupID group, int tag, void* value);
} st_LWEnvelopeFuncs;

typedef st_LWEnvelopeFuncs LWEnvelopeFuncs;

#ifdef __cplusplus
}
#endif

#endif
