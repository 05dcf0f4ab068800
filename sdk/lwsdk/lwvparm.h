/* "LWVParmFuncs 2": animated parameters, the values behind envelope-capable panel controls.
 * C only.
 *
 * The record follows the host's published "LWVParmFuncs 2" table (the 1999-banner header, the
 * only one that carries it) up to getEnv. The published table's last entry, getTex, hands out
 * the parameter's texture; this host has no textures and no caller needs it, so the record ends
 * before it.
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
#include "lwhandler.h"
#include "lwio.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWVPARMFUNCS_GLOBAL "LWVParmFuncs 2"

/* Parameter types: the envelope-capable panel control types. A vector type is its scalar type
 * with LWVPF_VECTOR set. This host makes the four below and refuses distance and angle. */
#define LWVPF_VECTOR 0x01
#define LWVP_FLOAT 0x10                         /* "float-env": one channel */
#define LWVP_VECTOR (LWVP_FLOAT | LWVPF_VECTOR) /* "float3-env": three channels X, Y, Z */
#define LWVP_PERCENT 0x20                       /* "percent-env": one channel, 1.0 = 100% */
#define LWVP_DIST 0x30
#define LWVP_ANGLE 0x40
#define LWVP_COLOR 0x51 /* "color-env": three channels R, G, B */

/* create's texture argument: no texture (the only one this host accepts). */
#define LWVPDT_NOTXTR (-1)
#define LWVP_NOTEXTURE LWVPDT_NOTXTR

/* getState and setState bits: the parameter is animated by keys / carries a texture. */
#define LWVPSF_ENV 0x1
#define LWVPSF_TEX 0x2

typedef struct st_LWVParm* LWVParmID;
typedef struct st_LWTxtrContext* LWTxtrContextID; /* texture context given to setup */
typedef struct st_LWMicropol* LWMicropolID;       /* a shaded spot for textured values */

/* Change notices a parameter's owner may register with setup. */
typedef enum en_lwvpec {
    LWVPEC_TXTRACK = 0, /* first code */
    LWVPEC_TEXOLD = 8   /* last code */
} en_lwvpec;

/* This host has no user interface of its own that edits envelopes or textures, so it keeps the
 * function but has no event to send. */
typedef int LWVP_EventFunc(LWVParmID parm, void* userData, en_lwvpec eventCode, void* eventData);
typedef LWVP_EventFunc* LWVParmEventFunc;

typedef struct st_LWVParmFuncs {
    LWVParmID (*create)(int envType, int texType); /* null for an unknown type or a texture */
    void (*destroy)(LWVParmID parm);               /* also destroys its channels */
    /* Names the channels, moves them into group (null, or a group no longer there: no group),
     * keeps the rest for the owner. texContext and event may be null. */
    void (*setup)(LWVParmID parm, const char* channelName, LWChanGroupID group,
                  LWTxtrContextID texContext, LWVP_EventFunc* event, const char* pluginName,
                  void* userData);
    /* Copies keys and values channel by channel, as many channels as both have; null when
     * done, an error text when either parameter is unknown. */
    LWError (*copy)(LWVParmID to, LWVParmID from);
    LWError (*load)(LWVParmID parm, const st_LWLoadState* load); /* null: loaded */
    LWError (*save)(LWVParmID parm, const st_LWSaveState* save); /* null: saved */
    /* Writes the value of every channel at time to result[0..] (1 or 3 values); an unknown
     * parameter leaves result alone. mp may be null. Answers the texture's opacity, which is 0
     * without a texture. */
    double (*getVal)(LWVParmID parm, LWTime time, LWMicropolID mp, double* result);
    /* Sets the value of every channel from value[0..] (what a channel without keys answers);
     * returns the number of channels set, 0 for an unknown parameter. */
    int (*setVal)(LWVParmID parm, double* value);
    int (*getState)(LWVParmID parm); /* LWVPSF_ENV while any channel has keys */
    /* Without LWVPSF_ENV every channel loses its keys; with it a channel without keys gets one
     * at time 0 holding its value. LWVPSF_TEX is ignored. */
    void (*setState)(LWVParmID parm, int state);
    void (*editEnv)(LWVParmID parm); /* no envelope editor here: does nothing */
    void (*editTex)(LWVParmID parm); /* no texture editor here: does nothing */
    void (*initMP)(LWMicropolID mp); /* nothing to prepare without textures */
    /* Writes the channels' envelopes to envelopes[0..2], null past the last channel or for an
     * unknown parameter. */
    void (*getEnv)(LWVParmID parm, LWEnvelopeID envelopes[3]);
} st_LWVParmFuncs;

typedef st_LWVParmFuncs LWVParmFuncs;

#ifdef __cplusplus
}
#endif

#endif
