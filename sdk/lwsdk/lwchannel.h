/* "Channel Info 2": the host's tree of channel groups and the channels in them. C only.
 *
 * The record follows the host's published "Channel Info 2" table (the 1999-banner headers that
 * carry that name; the older "Channel Info" has its first ten entries, the later "Channel Info 3"
 * the same fifteen).
 *
 * Groups form a named tree under an implicit root (a null group). Every animated channel is an
 * envelope ("Animation Envelopes") that sits in one group, or in none. Groups and channels are
 * listed in the order they were created; nextGroup and nextChannel start the walk when given a
 * null current item. IDs are opaque and never reused: a destroyed group's or channel's ID is
 * refused by every function (null or 0 answers). */
#ifndef LWSDK_LWCHANNEL_H
#define LWSDK_LWCHANNEL_H

#include "lwhandler.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWCHANNELINFO_GLOBAL "Channel Info 2"

typedef struct st_LWChanGroup* LWChanGroupID; /* a channel group; null is the root */
typedef struct st_LWChannel* LWChannelID;     /* a channel of a group */
typedef struct st_LWEnvelope* LWEnvelopeID;   /* the envelope that animates a channel */

/* Kinds of value a channel holds (channelType, and create of "Animation Envelopes"). */
#define LWET_FLOAT 2
#define LWET_DISTANCE 3
#define LWET_PERCENT 4
#define LWET_ANGLE 5

/* Change notice for a channel. This host accepts none (setChannelEvent answers 0). */
typedef int (*LWChanEventFunc)(void* data, LWChannelID channel, int event, void* eventData);

typedef struct st_LWChannelInfo {
    /* The child of parent (null: top level) after group; the first child for a null group.
     * Null at the end, or for an unknown parent or group. */
    LWChanGroupID (*nextGroup)(LWChanGroupID parent, LWChanGroupID group);
    /* The channel of group parent (null: channels of no group) after chan; the first for a null
     * chan. Null at the end, or for an unknown group or channel. */
    LWChannelID (*nextChannel)(LWChanGroupID parent, LWChannelID chan);
    const char* (*groupName)(LWChanGroupID group);            /* null for an unknown group */
    const char* (*channelName)(LWChannelID chan);             /* null for an unknown channel */
    LWChanGroupID (*groupParent)(LWChanGroupID group);        /* null at the top level */
    LWChanGroupID (*channelParent)(LWChannelID chan);         /* its group; null when it has none */
    int (*channelType)(LWChannelID chan);                     /* LWET_*; 0 for an unknown channel */
    double (*channelEvaluate)(LWChannelID chan, LWTime time); /* its value (0 unknown) */
    LWEnvelopeID (*channelEnvelope)(LWChannelID chan);        /* the envelope animating it */
    /* This host sends no channel events: the function is refused (0). */
    int (*setChannelEvent)(LWChannelID chan, LWChanEventFunc func, void* data);
    /* Channel filters: this host has none. server answers null, serverFlags 0, serverInstance
     * null, serverApply 0 (nothing added) and serverRemove does nothing. */
    const char* (*server)(LWChannelID chan, const char* cls, int index);
    unsigned int (*serverFlags)(LWChannelID chan, const char* cls, int index);
    LWInstance (*serverInstance)(LWChannelID chan, const char* cls, int index);
    int (*serverApply)(LWChannelID chan, const char* cls, const char* name, int flags);
    void (*serverRemove)(LWChannelID chan, const char* cls, const char* name, LWInstance inst);
} st_LWChannelInfo;

typedef st_LWChannelInfo LWChannelInfo;

#ifdef __cplusplus
}
#endif

#endif
