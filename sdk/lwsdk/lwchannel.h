/* "Channel Info 2": the host's tree of channel groups and the channels in them. C only.
 *
 * Groups form a named tree under an implicit root (a null group). Every animated channel is an
 * envelope ("Animation Envelopes") that sits in one group, or in none. Groups and channels are
 * listed in the order they were created. IDs are opaque and never reused: a destroyed group's
 * or channel's ID is refused by every function (null or 0 answers). */
#ifndef LWSDK_LWCHANNEL_H
#define LWSDK_LWCHANNEL_H

#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWCHANNELINFO_GLOBAL "Channel Info 2"

typedef struct st_LWChanGroup* LWChanGroupID; /* a channel group; null is the root */
typedef struct st_LWChannel* LWChannelID;     /* a channel of a group */
typedef struct st_LWEnvelope* LWEnvelopeID;   /* the envelope that animates a channel */

typedef struct st_LWChannelInfo {
    LWChanGroupID (*firstGroup)(LWChanGroupID parent); /* first child of parent (null: top level) */
    LWChanGroupID (*nextGroup)(LWChanGroupID group);   /* next sibling, or null */
    const char* (*groupName)(LWChanGroupID group);     /* null for an unknown group */
    LWChanGroupID (*groupParent)(LWChanGroupID group); /* null at the top level */
    LWChannelID (*firstChannel)(
        LWChanGroupID group); /* first channel (null: channels of no group) */
    LWChannelID (*nextChannel)(LWChannelID channel); /* next channel of the same group, or null */
    const char* (*channelName)(LWChannelID channel); /* null for an unknown channel */
    LWChanGroupID (*channelParent)(LWChannelID channel);  /* its group; null when it has none */
    LWEnvelopeID (*channelEnvelope)(LWChannelID channel); /* the envelope animating it */
    double (*channelEvaluate)(LWChannelID channel,
                              LWTime time); /* its value at a time (0 unknown) */
} st_LWChannelInfo;

#ifdef __cplusplus
}
#endif

#endif
