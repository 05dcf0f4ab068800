/* "LW Communication Ring": named topics that carry events between plug-ins. C only.
 *
 * The record follows the layout published for "LW Communication Ring" (2003-era header, the
 * same in every later one): topics are passed as char*, which the host only reads. */
#ifndef LWSDK_LWCOMRING_H
#define LWSDK_LWCOMRING_H

#ifdef __cplusplus
extern "C" {
#endif

#define LWCOMRING_GLOBAL "LW Communication Ring"

/* Called for every event sent on a topic the client attached to. portData is the topic's
 * name as the host keeps it. */
typedef void (*LWRingEventFunc)(void* clientData, void* portData, int eventCode, void* eventData);
typedef LWRingEventFunc RingEvent;

typedef struct st_LWComRing {
    int (*ringAttach)(char* topic, void* clientData, RingEvent callback); /* 1 attached, 0 not */
    void (*ringDetach)(char* topic, void* clientData);                    /* ends the attachment */
    void (*ringMessage)(char* topic, int eventCode, void* eventData);     /* to every client */
} st_LWComRing;
typedef struct st_LWComRing LWComRing;

#ifdef __cplusplus
}
#endif

#endif
