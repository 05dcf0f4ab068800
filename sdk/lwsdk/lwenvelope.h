/* "Animation Envelopes": channel groups, envelopes and their keys. C only.
 *
 * An envelope holds keys (time, value) in time order, at most one per time. Its value at a
 * time is linear between the two keys around it and constant before the first and after the
 * last key; with one key it is that key's value everywhere; with no key it is the envelope's
 * own constant value (0 for a new envelope; an animated parameter sets it, "LWVParmFuncs 2").
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
#include "lwio.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWENVELOPEFUNCS_GLOBAL "Animation Envelopes"

typedef struct st_LWEnvKey* LWEnvKeyID; /* one key of one envelope */

/* What keyGet and keySet read or write. */
#define LWKEY_TIME 0  /* the key's time; a key cannot move onto another key's time */
#define LWKEY_VALUE 1 /* the key's value */

typedef struct st_LWEnvelopeFuncs {
    /* A new group under parent (null: top level); null for a null name or unknown parent.
     * Names need not be unique. */
    LWChanGroupID (*createGroup)(LWChanGroupID parent, const char* name);
    /* Destroys the group and every group below it. Their channels are not destroyed: they
     * move to no group and keep working, so parameters in the group stay valid. */
    void (*destroyGroup)(LWChanGroupID group);
    /* A new envelope as a channel named name in group (null: in no group); no keys,
     * constant 0. Null for a null name or unknown group. */
    LWEnvelopeID (*create)(LWChanGroupID group, const char* name);
    /* Destroys an envelope made by create; one that belongs to a parameter is left alone. */
    void (*destroy)(LWEnvelopeID envelope);
    int (*copy)(LWEnvelopeID to, LWEnvelopeID from); /* keys and constant; 1 done, 0 unknown */
    const char* (*load)(LWEnvelopeID envelope, const st_LWLoadState* load); /* null: loaded */
    const char* (*save)(LWEnvelopeID envelope, const st_LWSaveState* save); /* null: saved */
    double (*evaluate)(LWEnvelopeID envelope, LWTime time); /* 0 for an unknown envelope */
    /* Sets a key at time: a new key, or the existing key at that time takes the value.
     * Null for an unknown envelope or a time or value that is not finite. */
    LWEnvKeyID (*createKey)(LWEnvelopeID envelope, LWTime time, double value);
    void (*destroyKey)(LWEnvelopeID envelope, LWEnvKeyID key);
    LWEnvKeyID (*findKey)(LWEnvelopeID envelope, LWTime time);    /* the key exactly at time */
    LWEnvKeyID (*nextKey)(LWEnvelopeID envelope, LWEnvKeyID key); /* null key: the first */
    int (*keyCount)(LWEnvelopeID envelope);                       /* 0 for an unknown one */
    int (*keyGet)(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double* value); /* 1 read */
    int (*keySet)(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double value);  /* 1 set */
} st_LWEnvelopeFuncs;

#ifdef __cplusplus
}
#endif

#endif
