/* "LWVParmFuncs 2": animated parameters, the values behind envelope-capable panel controls.
 * C only.
 *
 * A parameter has one channel for the scalar types and three for the vector and colour types.
 * Each channel is an envelope ("Animation Envelopes"); setup names the channels and puts them
 * in a channel group: a scalar channel takes the parameter's name, vector channels add ".X",
 * ".Y", ".Z" and colour channels ".R", ".G", ".B". The value of a channel at a time is its
 * envelope's value; a channel without keys answers the parameter's set value.
 *
 * save writes one non-leaf "CHAN" "Channel" block per channel in order, each holding the
 * channel's envelope blocks (lwenvelope.h). load reads them back into the channels in order;
 * a channel whose block is missing keeps what it has, blocks past the last channel are
 * skipped, and damaged data changes nothing and answers an error text. */
#ifndef LWSDK_LWVPARM_H
#define LWSDK_LWVPARM_H

#include "lwchannel.h"
#include "lwenvelope.h"
#include "lwio.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWVPARMFUNCS_GLOBAL "LWVParmFuncs 2"

/* Parameter types: the envelope-capable panel control types. */
#define LWVP_FLOAT 0x10   /* "float-env": one channel */
#define LWVP_VECTOR 0x11  /* "float3-env": three channels X, Y, Z */
#define LWVP_PERCENT 0x20 /* "percent-env": one channel, stored as a fraction (1.0 = 100%) */
#define LWVP_COLOR 0x51   /* "color-env": three channels R, G, B */

#define LWVP_NOTEXTURE (-1) /* create's texture argument: no texture (the only one accepted) */

typedef struct st_LWVParm* LWVParmID;

/* Change notice a parameter's owner may register with setup. This host has no user interface
 * of its own that edits envelopes, so it keeps the function but has no event to send. */
typedef int (*LWVParmEventFunc)(LWVParmID parm, void* userData, int eventCode, void* eventData);

typedef struct st_LWVParmFuncs {
    LWVParmID (*create)(int type, int texture); /* null for an unknown type or a texture */
    void (*destroy)(LWVParmID parm);            /* also destroys its channels */
    /* Names the channels, moves them into group (null: no group), keeps the rest for the
     * owner. texContext and event may be null. 1 done; 0 unknown parameter or group. */
    int (*setup)(LWVParmID parm, const char* channelName, LWChanGroupID group, void* texContext,
                 LWVParmEventFunc event, const char* pluginName, void* userData);
    const char* (*load)(LWVParmID parm, const st_LWLoadState* load); /* null: loaded */
    const char* (*save)(LWVParmID parm, const st_LWSaveState* save); /* null: saved */
    /* Writes the value of every channel at time to value[0..]; returns the number of channels
     * written (1 or 3), 0 for an unknown parameter. */
    int (*getVal)(LWVParmID parm, LWTime time, double* value);
    /* Sets the value of every channel from value[0..] (what a channel without keys answers);
     * returns the number of channels set, 0 for an unknown parameter. */
    int (*setVal)(LWVParmID parm, const double* value);
    /* Copies keys and values channel by channel; returns the number of channels copied (the
     * smaller channel count of the two), 0 when either is unknown. */
    int (*copy)(LWVParmID to, LWVParmID from);
    LWChanGroupID (*getGroup)(LWVParmID parm); /* the group setup gave, or null */
    /* Writes the channels' envelopes to envelopes[0..] (room for 3); returns their number. */
    int (*getEnv)(LWVParmID parm, LWEnvelopeID* envelopes);
    int (*getType)(LWVParmID parm); /* the type given to create, 0 for an unknown parameter */
} st_LWVParmFuncs;

#ifdef __cplusplus
}
#endif

#endif
